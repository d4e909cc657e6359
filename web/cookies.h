#pragma once
// The browser's cookies in plain form, and which of them a request carries.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct BrowserCookie {
  std::string name, value;
  std::string domain;  // ".example.com" matches subdomains too; "example.com" the host alone
  std::string path = "/";
  bool secure = false;
  bool httpOnly = false;
  std::optional<std::int64_t> expires;  // milliseconds since the epoch; none: a session cookie
};

// The cookies a request to the URL carries at the given time, longer paths first.
std::vector<BrowserCookie> CookiesForUrl(const std::vector<BrowserCookie>& jar,
                                         std::string_view url, std::int64_t nowMs);
// "a=1; b=2".
std::string CookieHeader(const std::vector<BrowserCookie>& cookies);
