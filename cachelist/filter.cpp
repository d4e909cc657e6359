#include "cachelist/filter.h"

#include <QString>
#include <algorithm>
#include <array>
#include <functional>

#include "platform/codepage.h"

namespace {

// Each code page 1250 byte as the filter compares it: lower case, without its diacritics.
const std::array<char, 256>& Folded() {
  static const std::array<char, 256> table = [] {
    std::array<char, 256> out{};
    for (int b = 0; b < 256; ++b) {
      const char byte = static_cast<char>(b);
      const QString base =
          FromAnsi(std::string_view(&byte, 1)).normalized(QString::NormalizationForm_D);
      const AnsiString folded =
          base.isEmpty() ? AnsiString(1, byte) : ToAnsi(base.left(1).toLower());
      out[static_cast<size_t>(b)] = folded.size() == 1 && folded[0] != '?' ? folded[0] : byte;
    }
    return out;
  }();
  return table;
}

std::string Fold(std::string_view text) {
  const auto& table = Folded();
  std::string out(text.size(), '\0');
  std::transform(text.begin(), text.end(), out.begin(),
                 [&](char c) { return table[static_cast<unsigned char>(c)]; });
  return out;
}

}  // namespace

std::vector<int> MatchingEntries(const std::vector<CacheEntry>& entries, std::string_view typed) {
  const std::string needle = Fold(typed);
  const std::boyer_moore_horspool_searcher search(needle.begin(), needle.end());
  std::vector<int> out;
  std::string folded;
  auto holds = [&](const AnsiString& text) {
    folded = Fold(text);
    return std::search(folded.begin(), folded.end(), search) != folded.end();
  };
  for (size_t i = 0; i < entries.size(); ++i)
    if (holds(entries[i].name) || holds(entries[i].code)) out.push_back(static_cast<int>(i));
  return out;
}
