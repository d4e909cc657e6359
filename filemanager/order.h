#pragma once
// Listing order and the icons of the listing grids.
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/ansi.h"

// Sort state of one column: 0 not ordered by it, 1 ascending, 2 descending.
inline constexpr std::uint8_t kNotOrdered = 0, kAscending = 1, kDescending = 2;
// A header click: the first click orders ascending, each further one flips the direction.
inline std::uint8_t NextOrder(std::uint8_t current) {
  return current == kAscending ? kDescending : kAscending;
}

int ExtensionImageIndex(std::string_view name);
// Sort key of one row: cells 0 (name), 2 (date); isDirectory by the grid's own test.
AnsiString SortKey(std::string_view name, std::string_view date, bool isDirectory, bool byDate);

// The new order of rows with these keys: result[i] is the index of the row that goes to place
// i. Keys compare by the user's locale collation, ignoring case; a key that begins with the
// directory mark 0xFE ranks after every key that does not. Equal keys keep their order.
std::vector<int> OrderByKeys(const std::vector<AnsiString>& keys, bool ascending);
// <0, 0, >0 as OrderByKeys compares two keys.
int CompareKeys(std::string_view a, std::string_view b);
// The collation's locale: an ICU locale name; empty for the user's locale (the default).
void SetCollationLocale(const char* locale);

// A cell read as a decimal number; empty or not numeric reads as 0.
std::uint32_t CellNumber(std::string_view cell);
// The size cell of a directory row.
inline constexpr const char* kDirCell = "<DIR>";
// The directory tests of the two grids: the handheld's attribute cell has bit 0x10; the PC's
// size cell is kDirCell.
bool IsDeviceDirectory(std::string_view attributeCell);
bool IsPcDirectory(std::string_view sizeCell);

// The icon of an entry row's name cell, -1 for none. Handheld: a directory gets the folder,
// an entry with bit 0x20 or 0x40 its extension's picture, any other none.
int DeviceEntryIcon(std::string_view name, std::string_view attributeCell);
// PC: a directory gets the folder, a file always its extension's picture.
int PcEntryIcon(std::string_view name, std::string_view sizeCell);

inline constexpr int kFolderImage = 0;
inline constexpr int kArrowUpImage = 17;
inline constexpr int kArrowDownImage = 18;
