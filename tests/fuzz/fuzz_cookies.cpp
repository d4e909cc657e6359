// Any cookie of the browser's store as the page fetch hands it to libcurl's cookie engine:
// either it is left out, or the engine holds exactly that one cookie (name, value, domain,
// path, Secure), never another or one for another site.
#include <curl/curl.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "web/cookies.h"

namespace {

std::string_view Field(std::string_view& rest) {
  const std::size_t end = rest.find('\x01');
  std::string_view field = rest.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  return field;
}

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
    fields.push_back(line.substr(start, tab - start));
  fields.push_back(line.substr(start));
  return fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  if (!initialised || size < 1) return 0;
  const std::uint8_t flags = data[0];
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  BrowserCookie cookie;
  cookie.name = Field(rest);
  cookie.value = Field(rest);
  cookie.domain = Field(rest);
  cookie.path = Field(rest);
  cookie.secure = flags & 1;
  cookie.httpOnly = flags & 2;
  if (flags & 4) cookie.expires = 4102444800000;  // far ahead: libcurl drops expired ones
  const std::string line = NetscapeCookieLine(cookie);
  if (line.empty()) return 0;

  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
  curl_easy_setopt(curl.get(), CURLOPT_COOKIEFILE, "");
  curl_easy_setopt(curl.get(), CURLOPT_COOKIELIST, line.c_str());
  curl_slist* held = nullptr;
  curl_easy_getinfo(curl.get(), CURLINFO_COOKIELIST, &held);
  std::vector<std::string> cookies;
  for (curl_slist* c = held; c; c = c->next) cookies.emplace_back(c->data);
  curl_slist_free_all(held);

  // libcurl may refuse a cookie by its own rules (a "__Host-" name on a domain, say); what it
  // keeps is the cookie as given.
  if (cookies.size() > 1) std::abort();
  if (cookies.empty()) return 0;
  std::vector<std::string> got = Split(cookies[0]);
  if (got.size() != 7) std::abort();
  std::string domain = cookie.domain;
  if (got[0].rfind("#HttpOnly_", 0) == 0) got[0].erase(0, 10);
  if (got[0].front() == '.') got[0].erase(0, 1);
  if (domain.front() == '.') domain.erase(0, 1);
  if (got[0].size() != domain.size()) std::abort();
  for (std::size_t i = 0; i < domain.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(got[0][i])) !=
        std::tolower(static_cast<unsigned char>(domain[i])))
      std::abort();
  if (got[5] != cookie.name || got[6] != cookie.value) std::abort();
  if ((got[3] == "TRUE") != cookie.secure) std::abort();
  return 0;
}
