#include "filemanager/listing.h"

#include <ctime>
#include <memory>

#include "device/link.h"
#include "device/rapi.h"
#include "platform/codepage.h"
#include "platform/paths.h"

namespace {

constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kDaysFrom1601To1970 = 134774;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

struct CivilDate {
  std::int64_t year;
  int month, day;
};

// Proleptic Gregorian date of a day count since 1970-01-01.
CivilDate CivilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = FloorDiv(z, 146097);
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {yoe + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

AnsiString DateText(std::int64_t year, int month, int day, int hour, int minute, int second) {
  char text[48];
  std::snprintf(text, sizeof text, "%04lld.%02d.%02d %02d:%02d:%02d", static_cast<long long>(year),
                month, day, hour, minute, second);
  return text;
}

std::int64_t FileTimeOf(const FILETIME& t) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime);
}

}  // namespace

namespace {
std::u16string_view DeviceName(const CE_FIND_DATA& record) {
  std::size_t length = 0;
  while (length < MAX_PATH && record.cFileName[length] != 0) ++length;
  return std::u16string_view(record.cFileName, length);
}
}  // namespace

AnsiString DeviceNameText(const CE_FIND_DATA& record) {
  return Utf16ToAnsi(DeviceName(record));
}

AnsiString DeviceTimeText(std::int64_t fileTime) {
  // To the nearest millisecond, shown to whole seconds.
  const std::int64_t ms = FloorDiv(fileTime / 2 + 2500, 5000);  // no overflow near the limits
  const std::int64_t seconds = FloorDiv(ms, 1000);
  const std::int64_t days = FloorDiv(seconds, 86400);
  const auto ofDay = static_cast<int>(seconds - days * 86400);
  const CivilDate date = CivilFromDays(days - kDaysFrom1601To1970);
  return DateText(date.year, date.month, date.day, ofDay / 3600, ofDay / 60 % 60, ofDay % 60);
}

AnsiString PcTimeText(std::int64_t fileTime) {
  const std::int64_t unixSeconds =
      FloorDiv(fileTime, kTicksPerSecond) - kDaysFrom1601To1970 * 86400;
  const auto t = static_cast<std::time_t>(unixSeconds);
  std::tm local{};
  if (!::localtime_r(&t, &local)) return DeviceTimeText(fileTime);
  return DateText(local.tm_year + 1900LL, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec & ~1);
}

ListingRow DeviceListingRow(const CE_FIND_DATA& record, ListingTotals& totals) {
  ListingRow row;
  row.name = DeviceName(record);
  row[0] = Utf16ToAnsi(row.name);
  row[3] = std::to_string(record.dwFileAttributes);
  row[2] = DeviceTimeText(FileTimeOf(record.ftCreationTime));
  if (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    row[1] = kDirCell;
    ++totals.directories;
  } else {
    const std::uint64_t size =
        (static_cast<std::uint64_t>(record.nFileSizeHigh) << 32) | record.nFileSizeLow;
    row[1] = std::to_string(size);
    totals.bytes += size;
    ++totals.files;
  }
  return row;
}

ListingRow PcListingRow(const platform::PcFindData& record, ListingTotals& totals) {
  ListingRow row;
  row[0] = record.name;
  row.name = QString::fromStdString(record.nativeName).toStdU16String();
  row[2] = PcTimeText(record.lastWriteTime);
  if (record.attributes & platform::kAttrDirectory) {
    row[1] = kDirCell;
    ++totals.directories;
  } else {
    row[1] = std::to_string(record.size);
    totals.bytes += record.size;
    ++totals.files;
  }
  return row;
}

std::array<AnsiString, 3> TotalsTexts(const ListingTotals& totals) {
  return {AnsiLiteral("Adresárov:") + std::to_string(totals.directories),
          AnsiLiteral("Súborov:") + std::to_string(totals.files),
          AnsiLiteral("Poč.bytov:") + std::to_string(totals.bytes)};
}

bool ReadPcListing(std::string_view directory, std::vector<ListingRow>& rows,
                   ListingTotals& totals) {
  rows.clear();
  totals = {};
  platform::DirSearch search;
  platform::PcFindData record;
  if (!search.First(platform::JoinPcPath(directory, "*.*"), record)) return false;
  // The first entry is "." (the search always yields "." and ".." first).
  while (search.Next(record)) rows.push_back(PcListingRow(record, totals));
  return true;
}

void ReadDeviceListing(const AnsiString& pattern, std::vector<ListingRow>& rows,
                       ListingTotals& totals) {
  rows.clear();
  totals = {};
  auto record = std::make_unique<CE_FIND_DATA>();  // one record, reused for every entry
  HANDLE search = CeFindFirstFile(ToWidePath(pattern), record.get());
  if (search == INVALID_HANDLE_VALUE) return;
  // A library without the entry answers a handle that is not the invalid value and fills nothing.
  if (search == kRapiUnavailableHandle && !rapi::HasEntry("CeFindFirstFile")) return;
  do {
    rows.push_back(DeviceListingRow(*record, totals));
  } while (CeFindNextFile(search, record.get()));
  CeFindClose(search);
}
