#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "web/cookies.h"
#include "web/htmlsave.h"
#include "web/sites.h"

namespace {

TEST(Sites, PageAddresses) {
  EXPECT_EQ(LoginPageUrl(Site::National, "https://www.geocaching.sk"),
            "https://www.geocaching.sk/index.php");
  // The redirect names the same host over http, ":" and "/" escaped in lower case.
  EXPECT_EQ(LoginPageUrl(Site::International, "https://www.geocaching.com"),
            "https://www.geocaching.com/login/default.aspx?RESET=Y&redir="
            "http%3a%2f%2fwww.geocaching.com%2fDefault.aspx");
  EXPECT_EQ(LoginPageUrl(Site::International, "http://127.0.0.1:8080/"),
            "http://127.0.0.1:8080/login/default.aspx?RESET=Y&redir="
            "http%3a%2f%2f127.0.0.1%3a8080%2fDefault.aspx");
  // GC codes go in as listed.
  EXPECT_EQ(CachePageUrl(Site::National, "http://h", "GC1A b"), "http://h/hladaj.php?query=GC1A b");
  EXPECT_EQ(CachePageUrl(Site::International, "http://h/", "GC1A"),
            "http://h/seek/cache_details.aspx?wp=GC1A&Submit6=Go");
  EXPECT_EQ(PrintPageUrl("http://h//", "geocache-tlac.php?id=1"),
            "http://h/geocache-tlac.php?id=1");
  EXPECT_EQ(RootHost("https://user@a.b:81/x?y"), "user@a.b:81");
  EXPECT_EQ(RootHost("a.b"), "a.b");
}

TEST(Sites, LoginFieldNames) {
  LoginFields sk = LoginFieldsOf(Site::National);
  LoginFields com = LoginFieldsOf(Site::International);
  EXPECT_STREQ(sk.user, "username");
  EXPECT_STREQ(sk.password, "password");
  EXPECT_STREQ(sk.submit, "login-b");
  EXPECT_STREQ(com.user, "myusername");
  EXPECT_STREQ(com.password, "mypassword");
  EXPECT_STREQ(com.submit, "Button1");
}

TEST(Sites, RootsComeFromTheSettingsAtEachUse) {
  TempDir dir;
  const auto ini = dir / "Vireska.ini";
  EXPECT_EQ(SiteRoot(ini, Site::National), "https://www.geocaching.sk");
  EXPECT_EQ(SiteRoot(ini, Site::International), "https://www.geocaching.com");
  TempDir::Write(ini, "[weby]\r\nSK=http://127.0.0.1:9\r\n");
  EXPECT_EQ(SiteRoot(ini, Site::National), "http://127.0.0.1:9");
  EXPECT_EQ(SiteRoot(ini, Site::International), "https://www.geocaching.com");
  TempDir::Write(ini, "[Weby]\r\nsk=http://a\r\ncom=http://b\r\n");
  EXPECT_EQ(SiteRoot(ini, Site::National), "http://a");
  EXPECT_EQ(SiteRoot(ini, Site::International), "http://b");
}

TEST(Cookies, StoreCookiesBecomeLinesOfTheFetchersCookieEngine) {
  EXPECT_EQ(NetscapeCookieLine({"host", "1", "127.0.0.1", "/", false, true, std::nullopt}),
            "#HttpOnly_127.0.0.1\tFALSE\t/\tFALSE\t0\thost\t1");
  EXPECT_EQ(NetscapeCookieLine({"dom", "a b=c", ".example.com", "/seek", true, false, 5000999}),
            ".example.com\tTRUE\t/seek\tTRUE\t5000\tdom\ta b=c");
  EXPECT_EQ(NetscapeCookieLine({"empty", "", "a.sk", "", false, false, std::nullopt}),
            "a.sk\tFALSE\t/\tFALSE\t0\tempty\t");
  // Nothing that would bring a field or a line of its own, or a command of the engine.
  for (const BrowserCookie& bad : std::vector<BrowserCookie>{
           {"a", "1\tevil", "a.sk", "/", false, false, std::nullopt},
           {"a", "1\nevil.sk\tTRUE", "a.sk", "/", false, false, std::nullopt},
           {"a\r", "1", "a.sk", "/", false, false, std::nullopt},
           {"a", "1", "a.sk", "/\t", false, false, std::nullopt},
           {"a", "1", "Set-Cookie: b=2", "/", false, false, std::nullopt},
           {"a", "1", "ALL", "relative", false, false, std::nullopt},
           {"a", "1", "..example.com", "/", false, false, std::nullopt},
           {"", "1", "a.sk", "/", false, false, std::nullopt},
           {"a", "1", "a.sk", "/", false, false, 999}})
    EXPECT_EQ(NetscapeCookieLine(bad), "") << bad.name << " " << bad.value << " " << bad.domain;
}

TEST(HtmlSave, EncodesInTheDocumentsCharsetAndKeepsWhatItCannotHold) {
  const std::u16string html = u"<p>Pomôcka ťava € 中</p>";
  // "ô" F4, "ť" 9D, "€" 80 in code page 1250; the Chinese letter becomes a reference.
  EXPECT_EQ(EncodeHtml(html, "windows-1250"),
            "<p>Pom\xF4"
            "cka \x9D"
            "ava \x80 &#20013;</p>");
  EXPECT_EQ(EncodeHtml(html, "ISO-8859-2"),
            "<p>Pom\xF4"
            "cka \xBB"
            "ava &#8364; &#20013;</p>");
  EXPECT_EQ(EncodeHtml(html, "UTF-8"), "<p>Pomôcka ťava € 中</p>");
  EXPECT_TRUE(CharsetSupported("windows-1250"));
  EXPECT_FALSE(CharsetSupported("no-such-charset"));
  EXPECT_FALSE(CharsetSupported(""));
  EXPECT_THROW(EncodeHtml(html, "no-such-charset"), std::exception);
}

}  // namespace
