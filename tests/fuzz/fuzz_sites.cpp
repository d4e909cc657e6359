// Any GC code (from a waypoint file) and any print link (from a page) in the site addresses:
// the address the browser is sent to stays on the site's own host, scheme and port.
#include <QString>
#include <QUrl>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "web/sites.h"

namespace {
void SameSite(const AnsiString& url, const QUrl& root) {
  const QUrl built(FromAnsi(url));
  if (built.scheme() != root.scheme() || built.host() != root.host() ||
      built.port() != root.port() || !built.userInfo().isEmpty())
    std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const char* const kRoots[] = {"https://www.geocaching.sk", "http://127.0.0.1:8080/",
                                       "https://www.geocaching.com//"};
  const std::string_view root = kRoots[data[0] % 3];
  const Site site = data[0] & 4 ? Site::International : Site::National;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  const QUrl rootUrl(FromAnsi(AnsiString(root)));

  SameSite(LoginPageUrl(site, root), rootUrl);
  SameSite(CachePageUrl(site, root, text), rootUrl);
  SameSite(PrintPageUrl(root, text), rootUrl);
  (void)RootHost(text);
  return 0;
}
