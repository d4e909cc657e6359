#pragma once
// Rows of the two listing grids, built from directory search records. Cells: 0 name, 1 size or
// "<DIR>", 2 date text "yyyy.mm.dd hh:nn:ss", 3 attribute word (handheld only).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/rapi_types.h"
#include "filemanager/order.h"
#include "platform/ansi.h"
#include "platform/dirsearch.h"

AnsiString DeviceNameText(const CE_FIND_DATA& record);
AnsiString DeviceTimeText(
    std::int64_t fileTime);  // 100-ns ticks since 1601-01-01, no time-zone shift
// A PC last-write time (UTC ticks since 1601) as local time, at the 2-second resolution of a
// file date word.
AnsiString PcTimeText(std::int64_t fileTime);

// One entry: its cells, and its name whole in UTF-16 (the handheld's own units; a PC name as the
// file system spells it), since code page 1250 loses every letter it lacks ("søren" in the cell
// is "s?ren") and a command must still find the entry.
struct ListingRow {
  std::array<AnsiString, 4> cells;
  std::u16string name;
  AnsiString& operator[](std::size_t col) { return cells[col]; }
  const AnsiString& operator[](std::size_t col) const { return cells[col]; }
};

struct ListingTotals {
  std::uint64_t directories = 0;
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;  // files only
};

ListingRow DeviceListingRow(const CE_FIND_DATA& record, ListingTotals& totals);
ListingRow PcListingRow(const platform::PcFindData& record, ListingTotals& totals);

// The three panels of a pane's count bar: "Adresárov:3", "Súborov:5", "Poč.bytov:1024".
std::array<AnsiString, 3> TotalsTexts(const ListingTotals& totals);

// One PC directory as the PC grid lists it from row 1: the search's first entry (".") dropped,
// then every further entry in file-system order. False when the directory cannot be read.
bool ReadPcListing(std::string_view directory, std::vector<ListingRow>& rows,
                   ListingTotals& totals);

// One handheld directory through the remote API (the caller has connected): the entries of the
// pattern ("\dir\*") in the handheld's order. No entries when the search fails.
void ReadDeviceListing(const AnsiString& pattern, std::vector<ListingRow>& rows,
                       ListingTotals& totals);
