#pragma once
// The two sites: roots from the settings, page addresses and login form names.
#include <filesystem>
#include <string_view>

#include "platform/ansi.h"
#include "web/pagescan.h"

struct LoginFields {
  const char* user;
  const char* password;
  const char* submit;
};
LoginFields LoginFieldsOf(Site site);

// Settings section "Weby", key "sk" or "com", read at the moment of use.
AnsiString SiteRoot(const std::filesystem::path& settingsFile, Site site);

// The root's host with its port, if any ("https://a.b:81/x" gives "a.b:81").
AnsiString RootHost(std::string_view root);

// Page addresses below a root (a trailing "/" of the root is not doubled).
AnsiString LoginPageUrl(Site site, std::string_view root);
AnsiString CachePageUrl(Site site, std::string_view root, std::string_view gcCode);
AnsiString PrintPageUrl(std::string_view root, std::string_view link);
