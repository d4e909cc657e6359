#pragma once
// What the document-complete handler learns from a page's body markup.
#include <optional>
#include <string_view>

#include "platform/ansi.h"

enum class Site { National = 0, International = 1 };

struct PageScan {
  bool loggedIn = false;  // a line holds the site's logged-in marker
  std::optional<AnsiString>
      hintText;  // national site: the last line's hint, when a line holds "decrypt=y"
  std::optional<AnsiString>
      printLink;  // national site: the last print-link line's link (may be empty)
};

// bodyMarkup in code page 1250, split into lines; only the first 4096 bytes of a line count.
PageScan ScanPage(std::string_view bodyMarkup, Site site);
