#include "web/cookies.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {

// A field of the line: one line, no field separator.
bool PlainField(std::string_view text) {
  return text.find_first_of(std::string_view("\t\r\n\0", 4)) == std::string_view::npos;
}

// Letters, digits, dots, hyphens, underscores, and the brackets and colons of an IPv6 address,
// no empty label: nothing libcurl could read as one of its commands ("ALL", "Set-Cookie:", ...)
// or as another domain than the store meant ("..example.com").
bool HostName(std::string_view domain) {
  std::string_view host = domain.substr(domain.empty() || domain.front() != '.' ? 0 : 1);
  return !host.empty() && host.front() != '.' && host.find("..") == std::string_view::npos &&
         std::all_of(host.begin(), host.end(), [](char c) {
           return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_' ||
                  c == '[' || c == ']' || c == ':';
         });
}

}  // namespace

std::string NetscapeCookieLine(const BrowserCookie& cookie) {
  const std::string path = cookie.path.empty() ? std::string("/") : cookie.path;
  if (cookie.name.empty() || !HostName(cookie.domain) || path.front() != '/' ||
      !PlainField(cookie.name) || !PlainField(cookie.value) || !PlainField(path))
    return {};
  // 0 stands for a session cookie in this format; an expiry within the first second is past.
  std::int64_t expires = 0;
  if (cookie.expires) {
    expires = *cookie.expires / 1000;
    if (expires <= 0) return {};
  }
  const bool subdomains = cookie.domain.front() == '.';
  std::string line = cookie.httpOnly ? "#HttpOnly_" : "";
  line += cookie.domain;
  line += subdomains ? "\tTRUE\t" : "\tFALSE\t";
  line += path;
  line += cookie.secure ? "\tTRUE\t" : "\tFALSE\t";
  line += std::to_string(expires);
  line += '\t';
  line += cookie.name;
  line += '\t';
  line += cookie.value;
  return line;
}
