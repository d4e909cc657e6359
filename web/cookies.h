#pragma once
// The browser's cookies in plain form, and the form in which a fetch of our own takes them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct BrowserCookie {
  std::string name, value;
  std::string domain;  // ".example.com" matches subdomains too; "example.com" the host alone
  std::string path = "/";
  bool secure = false;
  bool httpOnly = false;
  std::optional<std::int64_t> expires;  // milliseconds since the epoch; none: a session cookie
};

// The cookie as a line of a Netscape cookie file, the form libcurl's cookie engine is fed with,
// so that libcurl decides which request carries it. Empty for a cookie that has no such line
// (no name, an expiry before the epoch, a tab, line break or NUL in a field, a domain that is
// no host name), which is then left out.
std::string NetscapeCookieLine(const BrowserCookie& cookie);
