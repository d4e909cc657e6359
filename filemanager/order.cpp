#include "filemanager/order.h"

#include <unicode/ucol.h>
#include <unicode/uloc.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <numeric>
#include <string>

#include "platform/codepage.h"

namespace {

constexpr char kDirectoryMark = '\xFE';  // bytes: the first byte of a directory's sort key

std::string& LocaleOverride() {
  static std::string locale;
  return locale;
}

struct CollatorClose {
  void operator()(UCollator* c) const { ucol_close(c); }
};

// Case-insensitive (secondary strength) collation of the user's locale. The POSIX locale's
// collation orders by code point and separates cases, so it stands back for the root order.
UCollator* Collator() {
  thread_local std::unique_ptr<UCollator, CollatorClose> collator;
  thread_local std::string openedFor = "\x01";
  const std::string& wanted = LocaleOverride();
  if (!collator || openedFor != wanted) {
    std::string locale = wanted.empty() ? uloc_getDefault() : wanted;
    if (locale.rfind("en_US_POSIX", 0) == 0 || locale == "c" || locale == "C") locale = "";
    UErrorCode status = U_ZERO_ERROR;
    collator.reset(ucol_open(locale.c_str(), &status));
    if (U_FAILURE(status)) {
      status = U_ZERO_ERROR;
      collator.reset(ucol_open("", &status));
    }
    ucol_setStrength(collator.get(), UCOL_SECONDARY);
    openedFor = wanted;
  }
  return collator.get();
}

// Bytes that compare as the key does: the directory group first, then ICU's sort key.
std::string CollationBytes(std::string_view key) {
  const bool directory = !key.empty() && key.front() == kDirectoryMark;
  if (directory) key.remove_prefix(1);
  const std::u16string wide = AnsiToUtf16(key);
  std::string out(1, directory ? '\x02' : '\x01');
  const size_t head = out.size();
  out.resize(head + wide.size() * 4 + 16);
  for (;;) {
    const auto room = static_cast<int32_t>(out.size() - head);
    const int32_t n = ucol_getSortKey(Collator(), reinterpret_cast<const UChar*>(wide.data()),
                                      static_cast<int32_t>(wide.size()),
                                      reinterpret_cast<uint8_t*>(&out[head]), room);
    if (n <= room) {
      out.resize(head + static_cast<size_t>(n));
      return out;
    }
    out.resize(head + static_cast<size_t>(n));
  }
}

bool EqualsAsciiUpper(std::string_view ext, const char* upper) {
  const size_t n = std::strlen(upper);
  if (ext.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    char c = ext[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upper[i]) return false;
  }
  return true;
}

}  // namespace

int ExtensionImageIndex(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return 16;
  const std::string_view ext = name.substr(dot + 1);
  static const struct {
    const char* ext;
    int image;
  } table[] = {{"EXE", 3},  {"HTML", 1}, {"HTM", 1}, {"MHT", 1}, {"MAP", 4},
               {"OZF3", 4}, {"ABK", 2},  {"ZIP", 2}, {"RAR", 2}, {"CAB", 2},
               {"TXT", 15}, {"PLT", 14}, {"JPG", 9}, {"BMP", 9}};
  for (const auto& entry : table)
    if (EqualsAsciiUpper(ext, entry.ext)) return entry.image;
  return 16;
}

AnsiString SortKey(std::string_view name, std::string_view date, bool isDirectory, bool byDate) {
  AnsiString key;
  key.reserve(name.size() + date.size() + 1);
  if (isDirectory) key.push_back(kDirectoryMark);
  key.append(byDate ? date : name).append(byDate ? name : date);
  return key;
}

std::vector<int> OrderByKeys(const std::vector<AnsiString>& keys, bool ascending) {
  std::vector<std::string> bytes;
  bytes.reserve(keys.size());
  for (const AnsiString& key : keys) bytes.push_back(CollationBytes(key));
  std::vector<int> order(keys.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    const std::string& x = bytes[static_cast<size_t>(a)];
    const std::string& y = bytes[static_cast<size_t>(b)];
    return ascending ? x < y : y < x;
  });
  return order;
}

int CompareKeys(std::string_view a, std::string_view b) {
  const std::string x = CollationBytes(a), y = CollationBytes(b);
  return x < y ? -1 : (y < x ? 1 : 0);
}

void SetCollationLocale(const char* locale) {
  LocaleOverride() = locale ? locale : "";
}

std::uint32_t CellNumber(std::string_view cell) {
  if (cell.empty() || cell.size() > 10) return 0;
  std::uint64_t value = 0;
  for (char c : cell) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return value > 0xFFFFFFFFu ? 0 : static_cast<std::uint32_t>(value);
}

bool IsDeviceDirectory(std::string_view attributeCell) {
  return (CellNumber(attributeCell) & 0x10) != 0;
}

bool IsPcDirectory(std::string_view sizeCell) {
  return sizeCell == kDirCell;
}

int DeviceEntryIcon(std::string_view name, std::string_view attributeCell) {
  const std::uint32_t attributes = CellNumber(attributeCell);
  if (attributes & 0x10) return kFolderImage;
  if (attributes & (0x20 | 0x40)) return ExtensionImageIndex(name);
  return -1;
}

int PcEntryIcon(std::string_view name, std::string_view sizeCell) {
  return IsPcDirectory(sizeCell) ? kFolderImage : ExtensionImageIndex(name);
}
