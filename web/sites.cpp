#include "web/sites.h"

#include "platform/profile.h"

namespace {

std::string_view TrimRoot(std::string_view root) {
  while (!root.empty() && root.back() == '/') root.remove_suffix(1);
  return root;
}

// The redirect target travels as a query value: only ":" and "/" are escaped, lower-case hex.
AnsiString EscapeRedirect(std::string_view url) {
  AnsiString out;
  for (char c : url) {
    if (c == ':')
      out += "%3a";
    else if (c == '/')
      out += "%2f";
    else
      out += c;
  }
  return out;
}

AnsiString DefaultSiteRoot(Site site) {
  return site == Site::International ? "https://www.geocaching.com" : "https://www.geocaching.sk";
}

}  // namespace

LoginFields LoginFieldsOf(Site site) {
  if (site == Site::International) return {"myusername", "mypassword", "Button1"};
  return {"username", "password", "login-b"};
}

AnsiString SiteRoot(const std::filesystem::path& settingsFile, Site site) {
  return ReadProfileString(settingsFile, "Weby", site == Site::International ? "com" : "sk",
                           DefaultSiteRoot(site));
}

AnsiString RootHost(std::string_view root) {
  std::size_t scheme = root.find("://");
  std::string_view rest = scheme == std::string_view::npos ? root : root.substr(scheme + 3);
  return AnsiString(rest.substr(0, rest.find_first_of("/?#")));
}

AnsiString LoginPageUrl(Site site, std::string_view root) {
  root = TrimRoot(root);
  if (site == Site::National) return AnsiString(root) + "/index.php";
  return AnsiString(root) + "/login/default.aspx?RESET=Y&redir=" +
         EscapeRedirect("http://" + RootHost(root) + "/Default.aspx");
}

AnsiString CachePageUrl(Site site, std::string_view root, std::string_view gcCode) {
  root = TrimRoot(root);
  if (site == Site::National) return AnsiString(root) + "/hladaj.php?query=" + AnsiString(gcCode);
  return AnsiString(root) + "/seek/cache_details.aspx?wp=" + AnsiString(gcCode) + "&Submit6=Go";
}

AnsiString PrintPageUrl(std::string_view root, std::string_view link) {
  return AnsiString(TrimRoot(root)) + "/" + AnsiString(link);
}
