// The browser adapter against the real engine.
#include <QBuffer>
#include <QUrl>

#include "browser_fixture.h"
#include "export/mhtml.h"
#include "platform/codepage.h"
#include "platform/error.h"

namespace {

const char kDomPage[] = R"(<!DOCTYPE html>
<html><head><title>Skúška DOM</title></head>
<body>
<DIV Class='x' ID=first data-X="a&quot;b&amp;c">Prvý &amp; druhý&nbsp;text</DIV>
<form id="f" method="get" action="/form-target.html">
<input name="twin" value="one"><input name="twin" value="two">
<input name="byid-other" id="byid">
<textarea name="area"></textarea>
<span name="label">old</span>
<input type="submit" name="go" value="Odoslať">
</form>
<p>Riadok jeden
riadok dva</p>
<br>
<!-- komentár -->
<script>var s = "<b>&</b>"; var needle = 1;</script>
<p id="clicked"></p>
<button id="btn" onclick="document.getElementById('clicked').textContent = 'klik'">B</button>
<table><tr><td>Bunka</td></tr></table>
</body></html>
)";

const char kRangePage[] =
    R"(<html><head><meta charset="utf-8"></head><body><p>Alfa <b>Be</b>ta gama ŤAVA</p><script>var needle;</script>
<p>kroky %2 a %1 "sem"</p><p>Koniec</p></body></html>)";

class Adapter : public BrowserTest {
 protected:
  QString Js(const char* expression) {
    return browser
        ->Call(QStringLiteral("return {v: String(%1)};").arg(QString::fromUtf8(expression)))
        .toString();
  }
  static std::string ErrorOf(const std::function<void()>& call) {
    try {
      call();
    } catch (const PlatformError& error) {
      return error.Message();
    }
    return "<no error>";
  }
};

TEST_F(Adapter, NoDocumentBeforeTheFirstLoad) {
  EXPECT_FALSE(browser->HasDocument());
  EXPECT_FALSE(browser->Busy());
  EXPECT_EQ(ErrorOf([&] { browser->BodyMarkup(); }), "Interface not supported");
  EXPECT_EQ(ErrorOf([&] { browser->ClickElementByName("x"); }), "Interface not supported");
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  EXPECT_FALSE(browser->Save(buffer));
  EXPECT_TRUE(buffer.data().isEmpty());
}

TEST_F(Adapter, LoadEventsElementsAndBodyMarkup) {
  site.AddPage("/dom.html", "text/html; charset=utf-8", kDomPage);
  site.AddPage("/form-target.html", "text/html; charset=utf-8", "<p>ok</p>");
  std::vector<std::pair<int, int>> progress;
  QObject::connect(browser, &WebBrowser::ProgressChange,
                   [&](int value, int max) { progress.emplace_back(value, max); });

  browser->Navigate(site.Root() + "/dom.html");
  EXPECT_TRUE(browser->Busy());  // at once, before the engine reports the start
  ASSERT_TRUE(WaitUntil([&] { return completions == 1; }));
  EXPECT_FALSE(browser->Busy());
  EXPECT_TRUE(browser->HasDocument());
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), std::make_pair(100, 100));
  EXPECT_EQ(browser->LocationURL(), site.Root() + "/dom.html");
  EXPECT_EQ(browser->Title(), QStringLiteral("Skúška DOM"));

  // Markup as the old control wrote it, in code page 1250.
  const AnsiString markup = browser->BodyMarkup();
  for (const char* part : {"<DIV class=\"x\" id=\"first\" data-x=\"a&quot;b&amp;c\">Prv\xFD &amp; "
                           "druh\xFD&nbsp;text</DIV>",
                           "<INPUT name=\"twin\" value=\"one\"><INPUT name=\"twin\" value=\"two\">",
                           "<P>Riadok jeden\nriadok dva</P>\n<BR>\n<!-- koment\xE1r -->",
                           "<SCRIPT>var s = \"<b>&</b>\"; var needle = 1;</SCRIPT>",
                           "<TABLE><TBODY><TR><TD>Bunka</TD></TR></TBODY></TABLE>"}) {
    EXPECT_NE(markup.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(markup.find("</BR>"), std::string::npos);
  EXPECT_EQ(markup.find("</INPUT>"), std::string::npos);

  // The first element in document order, by name or by id; values go where forms read them.
  browser->PutInnerText("twin", Utf8ToAnsi("prvé"));
  browser->PutInnerText("byid", "x&y");
  browser->PutInnerText("area", "riadok");
  browser->PutInnerText("label", Utf8ToAnsi("nový <b>"));
  EXPECT_EQ(Js("document.getElementsByName('twin')[0].value"), QStringLiteral("prvé"));
  EXPECT_EQ(Js("document.getElementsByName('twin')[1].value"), QStringLiteral("two"));
  EXPECT_EQ(Js("document.getElementById('byid').value"), QStringLiteral("x&y"));
  EXPECT_EQ(Js("document.getElementsByName('area')[0].value"), QStringLiteral("riadok"));
  EXPECT_EQ(Js("document.getElementsByName('label')[0].innerHTML"),
            QStringLiteral("nový &lt;b&gt;"));
  browser->ClickElementByName("btn");
  EXPECT_EQ(Js("document.getElementById('clicked').textContent"), QStringLiteral("klik"));
  EXPECT_EQ(ErrorOf([&] { browser->ClickElementByName("nothing"); }),
            "Element \"nothing\" not found");
  EXPECT_EQ(ErrorOf([&] { browser->PutInnerText("nothing", "v"); }),
            "Element \"nothing\" not found");

  // A submit button's click submits its form with the button's own name and value.
  browser->ClickElementByName("go");
  ASSERT_TRUE(WaitUntil([&] { return completions == 2; }));
  const std::vector<std::string> requests = site.Requests();
  EXPECT_EQ(
      requests.back(),
      "GET /form-target.html?twin=prv%C3%A9&twin=two&byid-other=x%26y&area=riadok&go=Odosla%C5%A5");

  // A failed load raises the event too, with the engine's error page as the document.
  browser->Navigate("http://127.0.0.1:1/nothing-listens-here");
  ASSERT_TRUE(WaitUntil([&] { return completions == 3; }));
  EXPECT_FALSE(browser->Busy());
  EXPECT_NO_THROW(browser->BodyMarkup());
}

TEST_F(Adapter, TextRangeFindCollapsePaste) {
  site.AddPage("/range.html", "text/html; charset=utf-8", kRangePage);
  Load(site.Root() + "/range.html");

  // Without regard to case, across element boundaries; the match is replaced in place.
  auto range = browser->BodyTextRange();
  ASSERT_TRUE(range->FindText("BETA", 5, 0));
  range->PasteHTML("<i>X</i>");
  AnsiString markup = browser->BodyMarkup();
  EXPECT_NE(markup.find("<I>X</I> gama"), std::string::npos) << markup;
  EXPECT_EQ(markup.find(">Be<"), std::string::npos) << markup;

  // Letters beyond ASCII fold too; script text is not page text.
  range = browser->BodyTextRange();
  EXPECT_TRUE(range->FindText(Utf8ToAnsi("ťava"), 5, 0));
  EXPECT_FALSE(browser->BodyTextRange()->FindText("needle", 7, 0));

  // A hint holding "%1", "%2" and quotes is searched and pasted as it stands.
  range = browser->BodyTextRange();
  ASSERT_TRUE(range->FindText("kroky %2 a %1 \"sem\"", 21, 0));
  range->PasteHTML("<i>%2 %1 '\"</i>");
  EXPECT_NE(browser->BodyMarkup().find("<I>%2 %1 '\"</I>"), std::string::npos);

  // Not found: the range stays the whole body; collapsed to its end, a paste goes last.
  range = browser->BodyTextRange();
  EXPECT_FALSE(range->FindText("zzz", 4, 0));
  range->Collapse(false);
  range->PasteHTML(Utf8ToAnsi("<p>Nové</p>"));
  markup = browser->BodyMarkup();
  const std::string last = "</P><P>Nov\xE9</P>";
  ASSERT_GE(markup.size(), last.size());
  EXPECT_EQ(markup.substr(markup.size() - last.size()), last) << markup;

  // A range of a page no longer shown does nothing.
  Load(site.Root() + "/range.html");
  EXPECT_FALSE(range->FindText("Alfa", 5, 0));
  EXPECT_NO_THROW(range->PasteHTML("<p>lost</p>"));
  EXPECT_EQ(browser->BodyMarkup().find("lost"), std::string::npos);
}

TEST_F(Adapter, DocumentsThatAreNotPlainHtmlBodies) {
  // Plain text: nothing of the document model answers.
  Load(site.Root() + "/hladaj.php?query=GCTEXT");
  EXPECT_EQ(ErrorOf([&] { browser->BodyMarkup(); }), "Interface not supported");
  EXPECT_EQ(ErrorOf([&] { browser->BodyTextRange(); }), "Interface not supported");
  EXPECT_EQ(ErrorOf([&] { browser->PutInnerText("x", "y"); }), "Interface not supported");
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  EXPECT_FALSE(browser->Save(buffer));

  // A frame set: its markup reads, but it has no body text to range over.
  Load(site.Root() + "/hladaj.php?query=GCFRAME");
  EXPECT_NE(browser->BodyMarkup().find("<FRAME src=\"menu.php\">"), std::string::npos);
  EXPECT_EQ(ErrorOf([&] { browser->BodyTextRange(); }), "Interface not supported");
}

// The cheap check refuses exactly the documents whose body markup cannot be read.
TEST_F(Adapter, HtmlCheckAgreesWithTheBodyMarkup) {
  EXPECT_EQ(ErrorOf([&] { browser->RequireHtml(); }), "Interface not supported");
  Load(site.Root() + "/hladaj.php?query=GCTEXT");
  EXPECT_EQ(ErrorOf([&] { browser->RequireHtml(); }), "Interface not supported");
  Load(site.Root() + "/hladaj.php?query=GCFRAME");
  EXPECT_NO_THROW(browser->RequireHtml());
  Load(site.Root() + "/hladaj.php?query=GCZM001");
  EXPECT_NO_THROW(browser->RequireHtml());
}

TEST_F(Adapter, SaveWritesTheCurrentPageInItsCharsetAndReopensWithTheSameText) {
  Load(site.Root() + "/hladaj.php?query=GCZM001");
  auto range = browser->BodyTextRange();
  ASSERT_TRUE(range->FindText("Cbq", 4, 0));
  range->PasteHTML(Utf8ToAnsi("<b>Pomôcka ť €</b>"));
  const QString text = Js("document.body.innerText");

  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(browser->Save(buffer));
  const std::string saved = buffer.data().toStdString();
  EXPECT_EQ(saved.rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_NE(
      saved.find("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1250\">"),
      std::string::npos);
  EXPECT_EQ(saved.find("charset"), saved.rfind("charset"));  // one declaration only
  EXPECT_NE(saved.find("<b>Pom\xF4"
                       "cka \x9D \x80</b>"),
            std::string::npos);

  TempDir files;
  TempDir::Write(files / "page.htm", saved);
  Load(QUrl::fromLocalFile(QString::fromStdString((files / "page.htm").string()))
           .toEncoded()
           .toStdString());
  EXPECT_EQ(Js("document.characterSet"), QStringLiteral("windows-1250"));
  EXPECT_EQ(Js("document.body.innerText"), text);

  // A page in UTF-8 stays UTF-8.
  site.AddPage("/utf8.html", "text/html; charset=utf-8",
               "<html><head><title>t</title></head><body><p>Skúška 中</p></body></html>");
  Load(site.Root() + "/utf8.html");
  buffer.buffer().clear();
  buffer.seek(0);
  ASSERT_TRUE(browser->Save(buffer));
  const std::string utf8 = buffer.data().toStdString();
  EXPECT_NE(utf8.find("charset=UTF-8"), std::string::npos);
  EXPECT_NE(utf8.find("<p>Skúška 中</p>"), std::string::npos);

  // A stream that cannot be written is a failure.
  QBuffer closed;
  EXPECT_FALSE(browser->Save(closed));
}

TEST_F(Adapter, SessionCookiesAndUserAgentForOtherFetchers) {
  EXPECT_NE(browser->UserAgent().find("Mozilla/"), std::string::npos);
  Load(site.Root() + "/index.php");
  EXPECT_TRUE(browser->Cookies().empty());
  browser->PutInnerText("username", testsite::kUser);
  browser->PutInnerText("password", Utf8ToAnsi(testsite::kPassword));
  browser->ClickElementByName("login-b");
  ASSERT_TRUE(WaitUntil([&] { return completions == 2; }));
  ASSERT_NE(browser->BodyMarkup().find("odhl\xE1si\x9D"), std::string::npos);

  // The page fetch of the archive sends the cookie the site set as the engine itself sends it.
  Load(site.Root() + "/hladaj.php?query=GC1");
  const std::string sent = site.LastCookieHeader("/hladaj.php");
  ASSERT_NE(sent.find("SKSESSID="), std::string::npos);
  std::vector<BrowserCookie> cookies = browser->Cookies();
  ASSERT_EQ(cookies.size(), 1u);
  EXPECT_TRUE(cookies[0].httpOnly);
  EXPECT_TRUE(cookies[0].expires.has_value());
  FetchPage(site.Root() + "/hladaj.php?query=GC2", {cookies, browser->UserAgent()});
  EXPECT_EQ(site.LastCookieHeader("/hladaj.php"), sent);
}

}  // namespace
