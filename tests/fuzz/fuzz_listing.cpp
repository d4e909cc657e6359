// Any handheld search record: the listing texts never read past the record, the name stops at
// its terminator or the end of cFileName, and a creation time of the years 1601 to 9999 shows
// as "yyyy.mm.dd hh:nn:ss" of the time rounded to the millisecond.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "filemanager/listing.h"

namespace {

// Ticks of 10000-01-01 00:00:00 since 1601.
constexpr std::int64_t kYear10000 = 2650467744000000000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// The C library's calendar, as the reference.
AnsiString Expected(std::int64_t ticks) {
  const std::int64_t ms = (ticks + 5000) / 10000;
  const auto t = static_cast<std::time_t>(FloorDiv(ms, 1000) - kSecondsFrom1601To1970);
  std::tm tm{};
  if (!::gmtime_r(&t, &tm)) std::abort();
  char text[32];
  std::snprintf(text, sizeof text, "%04d.%02d.%02d %02d:%02d:%02d", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A record of its own on the heap, exactly the record's size, so a read past it is caught.
  auto record = std::make_unique<CE_FIND_DATA>();
  std::memcpy(record.get(), data, size < sizeof(CE_FIND_DATA) ? size : sizeof(CE_FIND_DATA));

  std::size_t units = 0;
  while (units < MAX_PATH && record->cFileName[units] != 0) ++units;
  const AnsiString name = DeviceNameText(*record);
  if (name.size() > units || name.find('\0') != AnsiString::npos) std::abort();
  if (units > 0 && name.empty()) std::abort();

  const std::int64_t ticks =
      static_cast<std::int64_t>((std::uint64_t(record->ftCreationTime.dwHighDateTime) << 32) |
                                record->ftCreationTime.dwLowDateTime);
  const AnsiString date = DeviceTimeText(ticks);
  if (ticks >= 0 && ticks < kYear10000 - 5000 && date != Expected(ticks)) std::abort();

  ListingTotals totals;
  const ListingRow row = DeviceListingRow(*record, totals);
  if (row[0] != name || row[2] != date) std::abort();
  const bool directory = record->dwFileAttributes & 0x10;
  if (directory != (row[1] == kDirCell)) std::abort();
  if (totals.directories + totals.files != 1) std::abort();
  const std::uint64_t bytes = (std::uint64_t(record->nFileSizeHigh) << 32) | record->nFileSizeLow;
  if (!directory && (totals.bytes != bytes || row[1] != std::to_string(bytes))) std::abort();
  (void)TotalsTexts(totals);
  return 0;
}
