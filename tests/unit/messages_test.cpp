// The program's texts are written readable in its sources and code page 1250 holds every one;
// byte escapes are left only where bytes are the point. The product sources themselves are
// read, so a text is checked as soon as it is written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/codepage.h"

namespace {

struct Findings {
  std::vector<std::string> faults;
  int texts = 0;  // literals given to AnsiLiteral
};

struct Token {
  enum Kind { Word, Literal, Other } kind;
  std::string text;  // a literal's value, its escapes decoded (UTF-8 for \u)
  int line = 0;
  bool readable = false;  // a literal written with letters beyond ASCII
};

bool IsWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

int HexDigit(char c) {
  const int lower = std::tolower(static_cast<unsigned char>(c));
  return std::isdigit(lower) ? lower - '0' : lower - 'a' + 10;
}

// Enough of C++ for literals: comments, prefixes, raw strings, escapes, digit separators.
// Reports each escape of a byte from 0x80 up on a line whose comment does not say "bytes".
std::vector<Token> Tokens(const std::string& name, const std::string& src, Findings& found) {
  std::vector<Token> tokens;
  std::map<int, std::string> comments;
  std::set<int> escapeLines;
  int line = 1;
  size_t i = 0;
  // A quoted literal from its opening quote at i; i ends past its closing quote.
  auto quoted = [&](Token::Kind kind) {
    const char quote = src[i];
    Token token{kind, "", line};
    for (++i; i < src.size() && src[i] != quote && src[i] != '\n'; ++i) {
      if (src[i] & 0x80) token.readable = true;
      if (src[i] != '\\' || i + 1 == src.size()) {
        token.text += src[i];
        continue;
      }
      const char e = src[++i];
      unsigned long value = 0;
      if (e == 'x') {
        while (i + 1 < src.size() && std::isxdigit(static_cast<unsigned char>(src[i + 1])))
          value = value * 16 + static_cast<unsigned long>(HexDigit(src[++i]));
        if (value >= 0x80 && value <= 0xFF) escapeLines.insert(line);
        token.text += static_cast<char>(value);
      } else if (e == 'u' || e == 'U') {
        for (int n = e == 'u' ? 4 : 8; n > 0 && i + 1 < src.size(); --n)
          value = value * 16 + static_cast<unsigned long>(HexDigit(src[++i]));
        const auto unit = static_cast<char32_t>(value);
        token.text += QString::fromUcs4(&unit, 1).toStdString();
      } else if (e >= '0' && e <= '7') {
        for (; i < src.size() && src[i] >= '0' && src[i] <= '7'; ++i)
          value = value * 8 + static_cast<unsigned long>(src[i] - '0');
        --i;
        if (value >= 0x80) escapeLines.insert(line);
        token.text += static_cast<char>(value);
      } else {
        token.text += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
      }
    }
    ++i;
    tokens.push_back(token);
  };
  while (i < src.size()) {
    const char c = src[i];
    if (c == '\n') {
      ++line;
      ++i;
    } else if (src.compare(i, 2, "//") == 0) {
      const size_t end = std::min(src.find('\n', i), src.size());
      comments[line] += src.substr(i, end - i);
      i = end;
    } else if (src.compare(i, 2, "/*") == 0) {
      const size_t end = std::min(src.find("*/", i + 2), src.size() - 2) + 2;
      comments[line] += src.substr(i, end - i);
      line += static_cast<int>(std::count(src.begin() + i, src.begin() + end, '\n'));
      i = end;
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      while (i < src.size() && (IsWordChar(src[i]) || src[i] == '.' || src[i] == '\'')) ++i;
    } else if (IsWordChar(c)) {
      const size_t start = i;
      while (i < src.size() && IsWordChar(src[i])) ++i;
      const std::string word = src.substr(start, i - start);
      const std::set<std::string> prefixes = {"u8", "u", "U", "L"};
      const bool quote = i < src.size() && (src[i] == '"' || src[i] == '\'');
      if (quote && src[i] == '"' && word.back() == 'R' &&
          (word == "R" || prefixes.count(word.substr(0, word.size() - 1)))) {
        const size_t open = src.find('(', i);
        const std::string close = ")" + src.substr(i + 1, open - i - 1) + "\"";
        const size_t end = std::min(src.find(close, open), src.size());
        Token token{Token::Literal, src.substr(open + 1, end - open - 1), line};
        for (char b : token.text) token.readable = token.readable || (b & 0x80);
        line += static_cast<int>(std::count(token.text.begin(), token.text.end(), '\n'));
        tokens.push_back(token);
        i = end + close.size();
      } else if (quote && prefixes.count(word)) {
        quoted(src[i] == '"' ? Token::Literal : Token::Other);
      } else {
        tokens.push_back({Token::Word, word, line});
      }
    } else if (c == '"' || c == '\'') {
      quoted(c == '"' ? Token::Literal : Token::Other);
    } else {
      if (!std::isspace(static_cast<unsigned char>(c))) tokens.push_back({Token::Other, {c}, line});
      ++i;
    }
  }
  for (int at : escapeLines)
    if (comments[at].find("bytes") == std::string::npos)
      found.faults.push_back(name + ":" + std::to_string(at) +
                             ": a byte escape without a comment saying \"bytes\"");
  return tokens;
}

// Each text (adjacent literals are one) given to AnsiLiteral, or written readable, must be
// given to AnsiLiteral or QStringLiteral and come back from code page 1250 as it was.
void Check(const std::string& name, const std::string& src, Findings& found) {
  const std::vector<Token> tokens = Tokens(name, src, found);
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].kind != Token::Literal) continue;
    const size_t start = i;
    Token text = tokens[i];
    while (i + 1 < tokens.size() && tokens[i + 1].kind == Token::Literal) {
      text.text += tokens[++i].text;
      text.readable = text.readable || tokens[i].readable;
    }
    const auto givenTo = [&](const char* word) {
      return start >= 2 && tokens[start - 1].text == "(" && tokens[start - 2].text == word;
    };
    const bool helper = givenTo("AnsiLiteral");
    if (helper) ++found.texts;
    if (!helper && !text.readable) continue;
    const std::string where = name + ":" + std::to_string(text.line) + ": \"" + text.text + "\"";
    if (!helper && !givenTo("QStringLiteral"))
      found.faults.push_back(where + " is given to neither AnsiLiteral nor QStringLiteral");
    else if (AnsiToUtf8(Utf8ToAnsi(text.text)) != text.text)
      found.faults.push_back(where + " does not survive code page 1250");
  }
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

TEST(Messages, EveryTextOfTheProgramIsReadableAndHeldByCodePage1250) {
  const std::filesystem::path root = VIRESKA_SOURCE_DIR;
  Findings found;
  for (const char* folder :
       {"app", "cachelist", "web", "export", "device", "filemanager", "platform"}) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root / folder)) {
      const std::string ext = entry.path().extension().string();
      if (ext != ".cpp" && ext != ".h") continue;
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string src{std::istreambuf_iterator<char>(in), {}};
      Check(entry.path().lexically_relative(root).string(), src, found);
    }
  }
  EXPECT_TRUE(found.faults.empty()) << Joined(found.faults);
  EXPECT_GE(found.texts, 40);  // the scan saw the program's texts at all
}

// What the scan above must catch, and what it must let pass.
TEST(Messages, TheScanCatchesTextsOutsideTheCodePageAndUnmarkedEscapes) {
  const struct {
    const char* source;
    size_t faults;
  } cases[] = {
      {"Show(AnsiLiteral(\"Győr, Łódź \"\n \"a Žilina\"));", 0},
      {"Show(AnsiLiteral(\"Ďakujeme, \" \"мы\"));", 1},
      {"auto t = QStringLiteral(\"Zrušiť\"), u = QStringLiteral(\"ы\");", 1},
      {"Show(\"Nebolo nič vybraté\");  // not converted", 1},
      {"Show(Utf8ToAnsi(\"nič\")); Show(AnsiLiteral(\"a\") + \"č\");", 2},
      {"char m = '\\xFE';\nauto s = \"ok\\xE8\";\nauto t = \"\\350\";", 3},
      {"char m = '\\xFE';  // bytes: a mark\nauto j = R\"x(\\xE8)\")x\";  // \"\\xE8\"\n"
       "/* \"\\xE8 č\" */ int n = 1'000; char q = '\"'; auto s = \"\\x41\\\"\";",
       0},
  };
  for (const auto& c : cases) {
    Findings found;
    Check("x.cpp", c.source, found);
    EXPECT_EQ(found.faults.size(), c.faults) << c.source << "\n" << Joined(found.faults);
  }
}

}  // namespace
