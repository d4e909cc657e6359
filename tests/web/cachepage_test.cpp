// Cache pages, the hint and the print page on the main window, against the test site.
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "browser_fixture.h"
#include "platform/codepage.h"
#include "support/queued_input.h"

namespace {

// The injected block as the engine's parser builds it: the list item cannot stay inside the
// bold element, so the bold is split around it.
const AnsiString kBlock =
    "<BR><B><I>Pom\xF4"
    "cku odk\xF3"
    "doval Vireska:</I></B><LI><B>";
const AnsiString kBlockEnd = "</B></LI>";

class CachePage : public WebFormTest {
 protected:
  void SetUp() override {
    WebFormTest::SetUp();
    form->CheckListBox1->SetItems(
        {"Hrad", "Skala", "Text", "Ramy", "Pomaly", "Bez", "Znacky", "Velka"});
    form->CheckListBox2->SetItems(
        {"GCZM001", "GCZM002", "GCTEXT", "GCFRAME", "GCSLOW", "GCNOHINT", "GCTAG", "GCBIG"});
  }
  // Selects the entry and presses "GC".
  void Open(int index) {
    for (int i = 0; i < form->CheckListBox1->Count(); ++i)
      form->CheckListBox1->SetSelected(i, i == index);
    form->SpeedButton4Click();
  }
  // After a request that does not wait itself.
  void AwaitPage() {
    ASSERT_TRUE(WaitUntil([] { return PageReady; }));
  }
  AnsiString Panel3() const { return form->StatusBar1->PanelText(3); }
  AnsiString Markup() const { return form->WebBrowser1->BodyMarkup(); }
  static AnsiString Ansi(const char* utf8) { return Utf8ToAnsi(utf8); }
};

TEST_F(CachePage, NationalHintReplacedInPlaceThenPrintPage) {
  form->ProgressBar1->setValue(0);
  Open(0);
  EXPECT_EQ(CurrentCache, "Hrad");
  EXPECT_EQ(HintText, Ansi(testsite::kHintEncoded));
  // The encoded hint is replaced by the heading and the decoded hint, where it stood.
  const AnsiString markup = Markup();
  EXPECT_NE(markup.find("]<BR>" + kBlock + Ansi(testsite::kHintDecoded) + kBlockEnd + "\n</TD>"),
            std::string::npos)
      << markup;
  EXPECT_EQ(markup.find(Ansi(testsite::kHintEncoded)), std::string::npos);
  EXPECT_EQ(ScannedHints.at("GCZM001"), Ansi(testsite::kHintDecoded));  // for a GPS unit
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(form->ProgressBar1->maximum(), 100);
  EXPECT_EQ(form->ProgressBar1->value(), 100);
  // The "HTML" tab holds the markup the scan read (before the injection).
  EXPECT_NE(form->Memo1->toPlainText().indexOf(QString::fromUtf8(testsite::kHintEncoded)), -1);

  // The print link up to its first "&".
  EXPECT_EQ(Panel3(), "geocache-tlac.php?id=GCZM001");
  ASSERT_TRUE(form->SpeedButton7->isEnabled());
  form->SpeedButton7->click();
  EXPECT_FALSE(form->SpeedButton7->isEnabled());
  EXPECT_FALSE(PageReady);
  AwaitPage();
  EXPECT_EQ(site.Hits("/geocache-tlac.php"), 1);
  EXPECT_EQ(form->WebBrowser1->LocationURL(), site.Root() + "/geocache-tlac.php?id=GCZM001");
  // Disabled, the button does nothing; called directly with no usable link, neither.
  form->SpeedButton7->click();
  form->StatusBar1->SetPanelText(3, "tlac.php");
  form->SpeedButton7Click();
  platform::ProcessMessagesWaiting(50);
  EXPECT_EQ(site.Hits("/geocache-tlac.php"), 1);
  EXPECT_TRUE(PageReady);
}

TEST_F(CachePage, PrintLinkCutRules) {
  site.SetPrintLink(testsite::PrintLink::NoAmpersand);
  Open(0);
  EXPECT_EQ(Panel3(), "geocache-tlac.php?id=GCZM001");
  EXPECT_TRUE(form->SpeedButton7->isEnabled());

  // An "&" later on the line: the text up to it, closing quote and markup included.
  site.SetPrintLink(testsite::PrintLink::AmpersandLater);
  Open(1);
  EXPECT_EQ(Panel3(), "geocache-tlac.php?id=GCZM002\">Tla\xE8</A> <A href=\"mapa.php\">Mapa ");
  EXPECT_TRUE(form->SpeedButton7->isEnabled());

  // No print link: the panel keeps the last link, but the print step never follows another
  // cache's link, whether the page came by "GC" or by browsing.
  site.SetPrintLink(testsite::PrintLink::None);
  Open(0);
  EXPECT_EQ(Panel3(), "geocache-tlac.php?id=GCZM002\">Tla\xE8</A> <A href=\"mapa.php\">Mapa ");
  EXPECT_FALSE(form->SpeedButton7->isEnabled());
  form->SpeedButton7Click();
  EXPECT_TRUE(PageReady);
  site.SetPrintLink(testsite::PrintLink::TwoParameters);
  Open(1);
  ASSERT_TRUE(form->SpeedButton7->isEnabled());
  form->WebBrowser1->Navigate(site.Root() + "/mapa.php");
  ASSERT_TRUE(WaitUntil([&] { return !form->SpeedButton7->isEnabled(); }));
  form->SpeedButton7Click();
  platform::ProcessMessagesWaiting(50);
  EXPECT_EQ(site.Hits("/geocache-tlac.php"), 0) << ::testing::PrintToString(site.Requests());
}

TEST_F(CachePage, HintEndingInMarkupIsAppendedAndAPageWithoutHintShowsTheCode) {
  Open(6);  // GCTAG
  // The search fails on the markup, so the block goes last; the tags in it were rotated too.
  AnsiString markup = Markup();
  const AnsiString tail = kBlock + "Za koreny stromu<FCNA pynff=\"code\">!</FCNA>" + kBlockEnd;
  ASSERT_GE(markup.size(), tail.size());
  EXPECT_EQ(markup.substr(markup.size() - tail.size()), tail) << markup;
  EXPECT_NE(markup.find("]<BR>Mn xberal fgebzh<SPAN"), std::string::npos);  // left in the page
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(ScannedHints.at("GCTAG"), "Za koreny stromu!");  // a GPS unit's: letters only

  Open(5);  // GCNOHINT: the earlier hint is not injected
  ASSERT_EQ(ui.Messages().size(), 1u);
  EXPECT_EQ(ui.Messages()[0], "GCNOHINT");
  EXPECT_EQ(HintText, "");
  EXPECT_EQ(Markup().find("Vireska:"), std::string::npos);
  EXPECT_EQ(CurrentCache, "Bez");

  // The site does not answer (offline, a refused port): the user learns the page did not load
  // before the scan finds no hint on the engine's error page.
  TempDir::Write(Ini(), "[Weby]\r\nsk=http://127.0.0.1:1\r\n");
  ui.shown.clear();
  Open(5);
  EXPECT_EQ(ui.Messages(),
            (std::vector<AnsiString>{Ansi("Stránku kešky GCNOHINT sa nepodarilo načítať – "
                                          "skontrolujte pripojenie na internet."),
                                     "GCNOHINT"}));

  // Nothing selected: nothing happens.
  for (int i = 0; i < form->CheckListBox1->Count(); ++i) form->CheckListBox1->SetSelected(i, false);
  const size_t before = site.Requests().size();
  form->SpeedButton4Click();
  EXPECT_EQ(site.Requests().size(), before);
  EXPECT_EQ(CurrentCache, "Bez");
}

TEST_F(CachePage, InternationalPagesTakeNoHintAndNoLink) {
  form->StatusBar1->SetPanelText(3, "kept");
  form->RadioGroup1->SetItemIndex(1);
  Open(0);
  EXPECT_EQ(CurrentCache, "Hrad");
  EXPECT_FALSE(PageReady);  // no wait on this site
  AwaitPage();
  EXPECT_EQ(site.Requests().back(), "GET /seek/cache_details.aspx?wp=GCZM001&Submit6=Go");
  EXPECT_EQ(HintText, "");
  EXPECT_EQ(Panel3(), "kept");
  EXPECT_FALSE(form->SpeedButton7->isEnabled());
  EXPECT_EQ(Markup().find("Vireska:"), std::string::npos);
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(CachePage, BrejkEndsTheWaitForAPageThatNeverCompletes) {
  Open(0);  // a shown page first
  QTimer::singleShot(1500, form.get(), [this] { form->SpeedButton11->click(); });
  const std::uint32_t start = platform::GetTickCount();
  Open(4);  // GCSLOW
  EXPECT_LT(platform::GetTickCount() - start, 10000u);
  // The wait ended with no hint: the code is shown and the page goes on loading.
  ASSERT_EQ(ui.Messages().size(), 1u);
  EXPECT_EQ(ui.Messages()[0], "GCSLOW");
  EXPECT_TRUE(form->WebBrowser1->Busy());
  EXPECT_EQ(CurrentCache, "Pomaly");

  // Progress events of that load still move the bar after the wait, and its late completion
  // is scanned like any other (the scan's own reading of the body is answered).
  form->ProgressBar1->setValue(0);
  site.ReleaseSlowPages();
  ASSERT_TRUE(WaitUntil([this] { return form->ProgressBar1->value() == 100; }));
  ASSERT_TRUE(WaitUntil(
      [this] { return form->Memo1->toPlainText().contains(QStringLiteral("Stránka sa načítava")); },
      10000));
  EXPECT_EQ(ui.Messages().size(), 1u);
}

// The scan's 500 ms hold keeps the window: a click and a later document completion that arrive
// during it are handled after it, while the page itself has loaded meanwhile.
TEST_F(CachePage, ClickAndCompletionDuringTheHoldAfterTheScanWaitForIt) {
  struct Event {
    std::string what;
    std::uint32_t at;
    bool asleep;
  };
  std::vector<Event> events;
  auto note = [&](const char* what) {
    events.push_back({what, platform::GetTickCount(), platform::Sleeping()});
  };
  // The scan writes the "HTML" tab just before its hold.
  QObject::connect(form->Memo1, &QPlainTextEdit::textChanged, form.get(), [&] {
    note("scan");
    if (events.size() > 1) return;
    QTimer::singleShot(100, form.get(), [&] {
      note("during the hold");
      QueueClick(form->SpeedButton11);
      Q_EMIT form->WebBrowser1->DocumentComplete();  // as a frame completing late would
    });
  });
  QObject::connect(form->SpeedButton11, &QPushButton::clicked, form.get(), [&] { note("click"); });

  Open(0);
  ASSERT_TRUE(WaitUntil([&] { return events.size() == 4; })) << events.size();
  EXPECT_EQ(events[0].what, "scan");
  EXPECT_EQ(events[1].what, "during the hold");
  EXPECT_TRUE(events[1].asleep);
  for (size_t i = 2; i < 4; ++i) {
    EXPECT_TRUE(events[i].what == "click" || events[i].what == "scan") << events[i].what;
    EXPECT_FALSE(events[i].asleep) << events[i].what;
    EXPECT_GE(events[i].at - events[0].at, 500u) << events[i].what;
  }
  EXPECT_NE(events[2].what, events[3].what);
  EXPECT_NE(Markup().find(Ansi(testsite::kHintDecoded)), std::string::npos);
}

TEST_F(CachePage, DocumentsThatAreNotHtmlOrHaveNoPlainBody) {
  // Plain text: the scan stops with the message and leaves PageReady false, so the wait goes
  // on until "Brejk"; then the injection fails the same way.
  ui.onMessage = [this](const AnsiString&) { form->SpeedButton11Click(); };
  EXPECT_THROW(
      {
        try {
          Open(2);
        } catch (const PlatformError& error) {
          EXPECT_EQ(error.Message(), "Interface not supported");
          throw;
        }
      },
      PlatformError);
  ASSERT_EQ(ui.Messages().size(), 1u);
  EXPECT_EQ(ui.Messages()[0], "Interface not supported");

  // A frame set: the scan reads the top-level markup; the injection has no body to work on.
  ui.onMessage = nullptr;
  EXPECT_THROW(Open(3), PlatformError);
  EXPECT_EQ(ui.Messages().size(), 1u);  // no message with the code
  EXPECT_TRUE(PageReady);
  EXPECT_NE(form->Memo1->toPlainText().indexOf(QStringLiteral("<FRAME src=\"menu.php\">")), -1);
}

}  // namespace
