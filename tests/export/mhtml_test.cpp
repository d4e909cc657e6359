#include <gtest/gtest.h>
#include <httplib.h>

#include <thread>

#include "export/mhtml.h"
#include "platform/error.h"
#include "support/mime_archive.h"
#include "support/temp_dir.h"

namespace {

// A server of the test's own on 127.0.0.1 and a free port, on a thread of its own.
class LocalServer {
 public:
  LocalServer() {
    port_ = server.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server.listen_after_bind(); });
  }
  ~LocalServer() {
    server.stop();
    thread_.join();
  }
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  httplib::Server server;

 private:
  int port_ = 0;
  std::thread thread_;
};

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

TEST(Mhtml, FetchSendsTheBrowsersCookiesAndFollowsRedirects) {
  LocalServer site;
  site.server.Get(
      "/old", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/page"); });
  site.server.Get("/page", [](const httplib::Request& req, httplib::Response& res) {
    std::string body = "<title>T</title>cookie=" + req.get_header_value("Cookie") +
                       " agent=" + req.get_header_value("User-Agent");
    res.set_content(body, "text/html; charset=windows-1250");
  });
  BrowserIdentity id{[](const std::string& url) {
                       return url.find("/old") != std::string::npos ? "session=abc" : "";
                     },
                     "VireskaTest/1"};
  CdoMessage message(id);
  message.CreateMHTMLBody(site.Url("/old"), 31, "", "");
  MimeArchive p = ReadMimeArchive(message.GetStream().Bytes());
  EXPECT_EQ(p.location, site.Url("/old"));
  EXPECT_EQ(p.html, "<title>T</title>cookie=session=abc agent=VireskaTest/1");
  EXPECT_EQ(p.charset, "windows-1250");

  TempDir dir;
  const auto file = dir / "a.mht";
  TempDir::Write(file, std::string(100000, 'x'));  // an older, longer archive is overwritten
  message.GetStream().SaveToFile(file.string(), 2);
  EXPECT_EQ(TempDir::Read(file), message.GetStream().Bytes());
  EXPECT_THROW(message.GetStream().SaveToFile((dir / "missing" / "a.mht").string(), 2),
               PlatformError);
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
    EXPECT_EQ(e.Message(), "Cannot fetch " + site.Url("/gone") + ": HTTP status 404");
  }
  EXPECT_THROW(FetchPage(site.Url("/slow"), {}, 1), PlatformError);
  EXPECT_THROW(FetchPage("http://127.0.0.1:1/x", {}), PlatformError);

  CdoMessage message({});
  EXPECT_THROW(message.CreateMHTMLBody(site.Url("/gone"), 31, "", ""), PlatformError);
  EXPECT_TRUE(message.GetStream().Bytes().empty());
}

}  // namespace
