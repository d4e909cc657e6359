#include "platform/rtf.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <string>
#include <vector>

#include "platform/codepage.h"

namespace platform {
namespace {

struct GroupState {
  bool bold = false;
  bool italic = false;
  bool skip = false;  // a destination whose text is not shown
  int unicodeSkip = 1;
};

bool IsSkippedDestination(const std::string& word) {
  static const char* const skipped[] = {
      "fonttbl",   "colortbl", "stylesheet", "info",      "pict",         "header",  "footer",
      "listtable", "object",   "themedata",  "generator", "latentstyles", "rsidtbl", "xmlnstbl"};
  return std::any_of(std::begin(skipped), std::end(skipped),
                     [&](const char* s) { return word == s; });
}

class Writer {
 public:
  void Text(const QString& text, const GroupState& state) {
    if (state.skip || text.isEmpty()) return;
    Style(state);
    html_ += text.toHtmlEscaped();
  }
  void Break(const GroupState& state) {
    if (state.skip) return;
    CloseStyle();
    html_ += QStringLiteral("<br>\n");
  }
  QString Finish() {
    CloseStyle();
    return QStringLiteral("<html><body>") + html_ + QStringLiteral("</body></html>");
  }

 private:
  void Style(const GroupState& s) {
    if (s.bold == bold_ && s.italic == italic_) return;
    CloseStyle();
    if (s.bold) html_ += QStringLiteral("<b>");
    if (s.italic) html_ += QStringLiteral("<i>");
    bold_ = s.bold;
    italic_ = s.italic;
  }
  void CloseStyle() {
    if (italic_) html_ += QStringLiteral("</i>");
    if (bold_) html_ += QStringLiteral("</b>");
    bold_ = italic_ = false;
  }
  QString html_;
  bool bold_ = false, italic_ = false;
};

}  // namespace

QString RtfToHtml(std::string_view rtf) {
  std::vector<GroupState> stack{GroupState{}};
  Writer out;
  std::string pending;  // code page 1250 bytes not yet written
  auto flush = [&] {
    if (!pending.empty()) out.Text(FromAnsi(pending), stack.back());
    pending.clear();
  };
  int skipChars = 0;  // characters standing in for a \u character
  size_t i = 0;
  bool groupStart = false;
  while (i < rtf.size()) {
    char c = rtf[i];
    if (c == '{') {
      flush();
      stack.push_back(stack.back());
      groupStart = true;
      ++i;
      continue;
    }
    if (c == '}') {
      flush();
      if (stack.size() > 1) stack.pop_back();
      groupStart = false;
      ++i;
      continue;
    }
    if (c == '\\') {
      if (i + 1 >= rtf.size()) break;
      char next = rtf[i + 1];
      if (next == '\'') {
        int value = 0;
        size_t k = i + 2;
        for (; k < rtf.size() && k < i + 4 && std::isxdigit(static_cast<unsigned char>(rtf[k]));
             ++k)
          value =
              value * 16 + (std::isdigit(static_cast<unsigned char>(rtf[k]))
                                ? rtf[k] - '0'
                                : (std::tolower(static_cast<unsigned char>(rtf[k])) - 'a' + 10));
        i = k;
        if (skipChars > 0) {
          --skipChars;
          continue;
        }
        pending.push_back(static_cast<char>(value));
        continue;
      }
      if (next == '*') {
        stack.back().skip = true;
        i += 2;
        continue;
      }
      if (!std::isalpha(static_cast<unsigned char>(next))) {
        // Control symbols: escaped braces and backslash, \~ non-breaking space, \- hyphen.
        i += 2;
        if (next == '\\' || next == '{' || next == '}')
          pending.push_back(next);
        else if (next == '~')
          pending.push_back(' ');
        else if (next == '\n' || next == '\r') {
          flush();
          out.Break(stack.back());
        }
        continue;
      }
      size_t start = i + 1;
      size_t j = start;
      while (j < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[j]))) ++j;
      std::string word(rtf.substr(start, j - start));
      bool hasParam = false;
      long param = 0;
      size_t numStart = j;
      if (j < rtf.size() && (rtf[j] == '-' || std::isdigit(static_cast<unsigned char>(rtf[j])))) {
        ++j;
        while (j < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[j]))) ++j;
        hasParam = true;
        param = 0;
        for (size_t k = numStart; k < j && k < numStart + 9; ++k)
          if (std::isdigit(static_cast<unsigned char>(rtf[k]))) param = param * 10 + (rtf[k] - '0');
        if (rtf[numStart] == '-') param = -param;
      }
      if (j < rtf.size() && rtf[j] == ' ') ++j;  // the delimiter belongs to the word
      i = j;

      GroupState& state = stack.back();
      if (groupStart && IsSkippedDestination(word)) state.skip = true;
      groupStart = false;
      if (word == "par" || word == "line") {
        flush();
        out.Break(state);
      } else if (word == "tab") {
        pending.push_back(' ');
      } else if (word == "b") {
        flush();
        state.bold = !hasParam || param != 0;
      } else if (word == "i") {
        flush();
        state.italic = !hasParam || param != 0;
      } else if (word == "plain") {
        flush();
        state.bold = state.italic = false;
      } else if (word == "uc" && hasParam) {
        state.unicodeSkip = static_cast<int>(param);
      } else if (word == "u" && hasParam) {
        flush();
        long code = param < 0 ? param + 65536 : param;
        out.Text(QString(QChar(static_cast<char16_t>(code))), state);
        skipChars = state.unicodeSkip;
      }
      continue;
    }
    groupStart = false;
    if (c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    if (skipChars > 0) {
      --skipChars;
      ++i;
      continue;
    }
    pending.push_back(c);
    ++i;
  }
  flush();
  return out.Finish();
}

}  // namespace platform
