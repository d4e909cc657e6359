#include "web/cookies.h"

#include <algorithm>
#include <cctype>

namespace {

struct UrlParts {
  std::string scheme, host, path;
};

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

UrlParts Split(std::string_view url) {
  UrlParts parts;
  std::size_t scheme = url.find("://");
  if (scheme != std::string_view::npos) {
    parts.scheme = Lower(url.substr(0, scheme));
    url.remove_prefix(scheme + 3);
  }
  std::size_t end = url.find_first_of("/?#");
  std::string_view authority = url.substr(0, end);
  if (std::size_t at = authority.rfind('@'); at != std::string_view::npos)
    authority.remove_prefix(at + 1);
  if (!authority.empty() && authority.front() == '[') {
    parts.host = Lower(authority.substr(0, authority.find(']') + 1));
  } else {
    parts.host = Lower(authority.substr(0, authority.find(':')));
  }
  std::string_view rest = end == std::string_view::npos ? std::string_view() : url.substr(end);
  rest = rest.substr(0, rest.find_first_of("?#"));
  parts.path = rest.empty() || rest.front() != '/' ? std::string("/") : std::string(rest);
  return parts;
}

bool DomainMatches(const std::string& host, std::string domain) {
  domain = Lower(domain);
  if (domain.empty()) return false;
  if (domain.front() != '.') return host == domain;
  std::string bare = domain.substr(1);
  if (host == bare) return true;
  return host.size() > domain.size() &&
         host.compare(host.size() - domain.size(), domain.size(), domain) == 0;
}

bool PathMatches(const std::string& requestPath, const std::string& cookiePath) {
  if (cookiePath.empty() || requestPath == cookiePath) return true;
  if (requestPath.compare(0, cookiePath.size(), cookiePath) != 0) return false;
  return cookiePath.back() == '/' || requestPath[cookiePath.size()] == '/';
}

}  // namespace

std::vector<BrowserCookie> CookiesForUrl(const std::vector<BrowserCookie>& jar,
                                         std::string_view url, std::int64_t nowMs) {
  const UrlParts request = Split(url);
  std::vector<BrowserCookie> out;
  for (const BrowserCookie& cookie : jar) {
    if (!DomainMatches(request.host, cookie.domain)) continue;
    if (!PathMatches(request.path, cookie.path)) continue;
    if (cookie.secure && request.scheme != "https" && request.scheme != "wss") continue;
    if (cookie.expires && *cookie.expires <= nowMs) continue;
    out.push_back(cookie);
  }
  std::stable_sort(out.begin(), out.end(), [](const BrowserCookie& a, const BrowserCookie& b) {
    return a.path.size() > b.path.size();
  });
  return out;
}

std::string CookieHeader(const std::vector<BrowserCookie>& cookies) {
  std::string header;
  for (const BrowserCookie& cookie : cookies) {
    if (!header.empty()) header += "; ";
    header += cookie.name;
    header += '=';
    header += cookie.value;
  }
  return header;
}
