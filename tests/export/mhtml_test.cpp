#include <gtest/gtest.h>
#include <httplib.h>

#include <zlib.h>

#include <algorithm>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "export/mhtml.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "support/mime_archive.h"
#include "support/temp_dir.h"

namespace {

// A server of the test's own on a loopback address and a free port, on a thread of its own.
template <class Server = httplib::Server>
class LocalServerOf {
 public:
  template <class... Args>
  explicit LocalServerOf(std::string host = "127.0.0.1", Args&&... args)
      : server(std::forward<Args>(args)...), host_(std::move(host)) {
    port_ = server.bind_to_any_port(host_);
    thread_ = std::thread([this] { server.listen_after_bind(); });
  }
  ~LocalServerOf() {
    server.stop();
    thread_.join();
  }
  std::string Url(const std::string& path, const char* scheme = "http") const {
    return std::string(scheme) + "://" + host_ + ":" + std::to_string(port_) + path;
  }
  Server server;

 private:
  std::string host_;
  int port_ = 0;
  std::thread thread_;
};
using LocalServer = LocalServerOf<>;

// The cookies of a "Cookie:" header, in name order.
std::string Sorted(const std::string& header) {
  std::vector<std::string> cookies;
  std::istringstream in(header);
  for (std::string c; std::getline(in, c, ';');) cookies.push_back(c.substr(c.front() == ' '));
  std::sort(cookies.begin(), cookies.end());
  std::string out;
  for (const std::string& c : cookies) out += (out.empty() ? "" : " ") + c;
  return out;
}

// Zeros, gzip-compressed, that grow to `size` bytes when decompressed.
std::string GzipOfZeros(std::size_t size) {
  z_stream z{};
  deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
  std::string zeros(1 << 20, '\0'), out, chunk(1 << 16, '\0');
  for (std::size_t left = size; left > 0 || z.avail_in > 0;) {
    const std::size_t n = std::min(left, zeros.size());
    left -= n;
    z.next_in = reinterpret_cast<Bytef*>(zeros.data());
    z.avail_in = static_cast<uInt>(n);
    const int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
    do {
      z.next_out = reinterpret_cast<Bytef*>(chunk.data());
      z.avail_out = static_cast<uInt>(chunk.size());
      deflate(&z, flush);
      out.append(chunk.data(), chunk.size() - z.avail_out);
    } while (z.avail_out == 0);
    if (flush == Z_FINISH) break;
  }
  deflateEnd(&z);
  return out;
}

TEST(Mhtml, ArchiveParsesBackWithPageUrlCharsetAndExactHtml) {
  std::string html = "<html><head><title>Ke\x9Aka\r\n pri mlyne</title></head><body>";
  for (int i = 0; i < 300; ++i)
    html += "Riadok s diakritikou \xE8\xB9\x9D = =3D a dlh\xFD text bez konca ";
  html += "</body></html>";
  std::string archive = ComposeMhtml("http://sk.test/hladaj.php?query=GC1", html, "windows-1250",
                                     "Ke\xC5\xA1ka pri mlyne", 1700000000);
  EXPECT_NE(archive.find("MIME-Version: 1.0\r\n"), std::string::npos);
  EXPECT_NE(archive.find("Date: "), std::string::npos);
  EXPECT_NE(archive.find("Content-Transfer-Encoding: quoted-printable\r\n"), std::string::npos);
  EXPECT_EQ(archive.find("\n\n"), std::string::npos);  // every line ends in CR LF
  for (size_t at = archive.find('\n'); at != std::string::npos; at = archive.find('\n', at + 1))
    ASSERT_EQ(archive[at - 1], '\r');

  MimeArchive p = ReadMimeArchive(archive);
  EXPECT_EQ(p.topType, "multipart/related;text/html");
  EXPECT_EQ(p.parts, 1);
  EXPECT_EQ(p.location, "http://sk.test/hladaj.php?query=GC1");
  EXPECT_EQ(p.charset, "windows-1250");
  EXPECT_EQ(p.subject, "Ke\xC5\xA1ka pri mlyne");
  EXPECT_EQ(p.html, html);
}

TEST(Mhtml, CharsetAndTitleComeFromThePage) {
  EXPECT_EQ(PageCharset("text/html; charset=UTF-8", "<meta charset=\"windows-1250\">"), "UTF-8");
  EXPECT_EQ(PageCharset("text/html",
                        "<head><META http-equiv=\"Content-Type\" "
                        "content=\"text/html; charset=windows-1250\"></head>"),
            "windows-1250");
  EXPECT_EQ(PageCharset("", "<meta charset='iso-8859-2'>"), "iso-8859-2");
  EXPECT_EQ(PageCharset("", "<p>nothing declared</p>"), "windows-1250");
  EXPECT_EQ(PageTitleUtf8("<TITLE>\n  Hrad \xE8\x61ka\n</TITLE>", "windows-1250"),
            "Hrad \xC4\x8D"
            "aka");
  EXPECT_EQ(PageTitleUtf8("<p>no title", "utf-8"), "");
}

TEST(Mhtml, EachRequestCarriesOnlyItsOwnHostsCookiesAcrossRedirects) {
  LocalServer a("127.0.0.1"), b("127.0.0.2");
  std::mutex lock;
  std::vector<std::string> seen;  // "path: cookies" per request, in order
  auto record = [&](const httplib::Request& req) {
    std::lock_guard<std::mutex> hold(lock);
    seen.push_back(req.path + ": " + Sorted(req.get_header_value("Cookie")));
  };
  a.server.Get("/start", [&](const httplib::Request& req, httplib::Response& res) {
    record(req);
    res.set_redirect(b.Url("/hop"));
  });
  b.server.Get("/hop", [&](const httplib::Request& req, httplib::Response& res) {
    record(req);
    res.set_header("Set-Cookie", "fromb=1; Path=/");
    res.set_redirect(a.Url("/deep/page"));
  });
  a.server.Get("/deep/page", [&](const httplib::Request& req, httplib::Response& res) {
    record(req);
    res.set_content("<title>T</title>agent=" + req.get_header_value("User-Agent"),
                    "text/html; charset=windows-1250");
  });
  BrowserIdentity id{{{"session", "abc", "127.0.0.1", "/", false, true, std::nullopt},
                      {"deep", "d", "127.0.0.1", "/deep", false, false, std::nullopt},
                      {"secure", "s", "127.0.0.1", "/", true, false, std::nullopt},
                      {"old", "o", "127.0.0.1", "/", false, false, 1000},
                      {"fresh", "f", "127.0.0.1", "/", false, false, 4102444800000},
                      {"other", "xyz", "127.0.0.2", "/", false, false, std::nullopt},
                      {"dom", "x", ".example.com", "/", false, false, std::nullopt}},
                     "VireskaTest/1"};
  CdoMessage message(id);
  message.CreateMHTMLBody(a.Url("/start"), 31, "", "");
  // A Secure cookie goes over plain http to a loopback address only, which libcurl, as browsers
  // do, counts as a secure origin.
  EXPECT_EQ(seen,
            (std::vector<std::string>{"/start: fresh=f secure=s session=abc", "/hop: other=xyz",
                                      "/deep/page: deep=d fresh=f secure=s session=abc"}));
  MimeArchive p = ReadMimeArchive(message.GetStream().Bytes());
  EXPECT_EQ(p.location, a.Url("/start"));
  EXPECT_EQ(p.html, "<title>T</title>agent=VireskaTest/1");
  EXPECT_EQ(p.charset, "windows-1250");

  TempDir dir;
  const auto file = dir / "a.mht";
  TempDir::Write(file, std::string(100000, 'x'));  // an older, longer archive is overwritten
  message.GetStream().SaveToFile(file.string(), 2);
  EXPECT_EQ(TempDir::Read(file), message.GetStream().Bytes());
  EXPECT_THROW(message.GetStream().SaveToFile((dir / "missing" / "a.mht").string(), 2),
               PlatformError);
}

// Each ends at once with its reason: other protocols (first or redirected), endless redirects,
// a body that inflates past the limit, a certificate nobody vouches for.
TEST(Mhtml, FetchRefusesOtherProtocolsLoopsBombsAndUntrustedCertificates) {
  LocalServer a("127.0.0.1"), b("127.0.0.2");
  a.server.Get("/ftp", [&](const httplib::Request&, httplib::Response& res) {
    res.set_redirect("ftp://" + b.Url("/x").substr(7));
  });
  a.server.Get("/loop",
               [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop"); });
  const std::string bomb = GzipOfZeros(kMaxPageBytes + (1 << 20));
  b.server.Get("/bomb", [&](const httplib::Request&, httplib::Response& res) {
    res.set_header("Content-Encoding", "gzip");
    res.set_content(bomb, "application/octet-stream");  // compressed by us, not again by the server
  });
  auto reason = [](const std::string& url) -> std::string {
    try {
      FetchPage(url, {}, 20);
    } catch (const PlatformError& e) {
      return e.Message();
    }
    return "fetched";
  };
  EXPECT_NE(reason(a.Url("/ftp")).find("\"ftp\""), std::string::npos) << reason(a.Url("/ftp"));
  EXPECT_NE(reason("ftp://127.0.0.2:1/x").find("\"ftp\""), std::string::npos);
  EXPECT_NE(reason("file:///etc/hostname").find("\"file\""), std::string::npos);
  EXPECT_NE(reason(a.Url("/loop")).find("Maximum (5) redirects"), std::string::npos)
      << reason(a.Url("/loop"));
  EXPECT_EQ(reason(b.Url("/bomb")), Utf8ToAnsi("Stránku ") + b.Url("/bomb") +
                                        Utf8ToAnsi(" sa nepodarilo stiahnuť: stránka je väčšia "
                                                   "ako 64 MiB."));

  CdoMessage message({});
  EXPECT_THROW(message.CreateMHTMLBody(b.Url("/bomb"), 31, "", ""), PlatformError);
  EXPECT_TRUE(message.GetStream().Bytes().empty());

  LocalServerOf<httplib::SSLServer> tls("127.0.0.1", VIRESKA_TEST_TLS_DIR "/self_signed.crt",
                                        VIRESKA_TEST_TLS_DIR "/self_signed.key");
  tls.server.Get("/", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("secret", "text/html");
  });
  ASSERT_TRUE(tls.server.is_valid());
  EXPECT_NE(reason(tls.Url("/", "https")).find("certificate"), std::string::npos)
      << reason(tls.Url("/", "https"));
}

TEST(Mhtml, FailedFetchRaisesWithTheReasonAndKeepsNoArchive) {
  LocalServer site;
  site.server.Get("/gone",
                  [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
  site.server.Get("/slow", [](const httplib::Request&, httplib::Response& res) {
    std::this_thread::sleep_for(
        std::chrono::milliseconds(1500));  // a server that does not answer in time
    res.set_content("late", "text/html");
  });
  try {
    FetchPage(site.Url("/gone"), {});
    FAIL();
  } catch (const PlatformError& e) {
    EXPECT_EQ(e.Message(), Utf8ToAnsi("Stránku ") + site.Url("/gone") +
                               Utf8ToAnsi(" sa nepodarilo stiahnuť: server odpovedal chybou "
                                          "HTTP 404."));
  }
  EXPECT_THROW(FetchPage(site.Url("/slow"), {}, 1), PlatformError);
  // Offline, or the server gone: the user learns to look at the connection, in Slovak.
  try {
    FetchPage("http://127.0.0.1:1/x", {});
    FAIL();
  } catch (const PlatformError& e) {
    EXPECT_EQ(e.Message(), Utf8ToAnsi("Stránku http://127.0.0.1:1/x sa nepodarilo načítať – "
                                      "skontrolujte pripojenie na internet. (Server neprijal "
                                      "spojenie.)"));
  }

  CdoMessage message({});
  EXPECT_THROW(message.CreateMHTMLBody(site.Url("/gone"), 31, "", ""), PlatformError);
  EXPECT_TRUE(message.GetStream().Bytes().empty());
}

}  // namespace
