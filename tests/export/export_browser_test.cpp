// Exports against the real engine, the test site and the bundled folder handheld.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>
#include <QUrl>
#include <QWebEngineView>
#include <set>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/state.h"
#include "support/device_folder.h"
#include "support/mime_archive.h"
#include "web/browser_fixture.h"

namespace {

std::set<std::string> FileNames(const std::filesystem::path& dir) {
  std::set<std::string> names;
  if (!std::filesystem::exists(dir)) return names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.insert(entry.path().filename().string());
  return names;
}

// A file's address as the browser is given one: percent-encoded.
std::string FileUrl(const std::filesystem::path& file) {
  return QUrl::fromLocalFile(QString::fromStdString(file.string())).toEncoded().toStdString();
}

bool Contains(const std::string& haystack, const std::string& utf8Needle) {
  return haystack.find(utf8Needle) != std::string::npos;
}

MimeArchive ReadArchive(const std::filesystem::path& file) {
  return ReadMimeArchive(platform::ReadWholeFile(file));
}

// The engine writes the page in its own character set or in UTF-8.
bool HoldsDecodedHint(const MimeArchive& a) {
  return Contains(a.html, "Vireska:") && (Contains(a.html, testsite::kHintDecoded) ||
                                          Contains(a.html, Utf8ToAnsi(testsite::kHintDecoded)));
}

class Export : public WebFormTest {
 protected:
  void SetUp() override {
    WebFormTest::SetUp();
    std::filesystem::create_directories(device / "Storage Card" / "MHT");
    out = dir / "export";
    std::filesystem::create_directories(out);
    form->Edit3->setText(QString::fromStdString(out.string()));
    // Five caches; the batch exports the ticked first, third and fifth.
    const auto wpt = dir / "caches.wpt";
    TempDir::Write(wpt,
                   Utf8ToAnsi("OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\nReserved 2\r\n"
                              "garmin\r\n"
                              "1,Hradná studňa,48,18,,0,1,3,0,65535,x (GCZM001),0\r\n"
                              "2,Pod lesom,48,18,,0,1,3,0,65535,x (GCZM002),0\r\n"
                              "3,Čierny les,48,18,,0,1,3,0,65535,x (GCZM003),0\r\n"
                              "4,Pri mlyne,48,18,,0,1,3,0,65535,x (GCZM004),0\r\n"
                              "5,Kostolík,48,18,,0,1,3,0,65535,x (GCZM005),0\r\n"));
    ui.openAnswers.push_back(platform::FromNativePath(wpt));
    form->ToolButton10Click();
    for (int i : {0, 2, 4}) {
      form->CheckListBox1->SetChecked(i, true);
      form->CheckListBox2->SetChecked(i, true);
    }
  }
  void Choose(int site, int page, int format, bool push) {
    form->RadioGroup1->SetItemIndex(site);
    form->RadioGroup2->SetItemIndex(page);
    form->RadioGroup3->SetItemIndex(format);
    form->CheckBox1->setEnabled(true);
    form->CheckBox1->setChecked(push);
  }
  void LogIn() {
    form->Edit1->setText(QString::fromUtf8(testsite::kUser));
    form->Edit2->setText(QString::fromUtf8(testsite::kPassword));
    form->RadioGroup1->SetItemIndex(0);
    form->SpeedButton5Click();
    ASSERT_TRUE(LoggedIn);
  }
  std::filesystem::path Pushed(const std::string& name) const {
    return device / "Storage Card" / "MHT" / name;
  }

  DeviceFolder device;
  std::filesystem::path out;
};

TEST_F(Export, BatchOfTheTickedCachesInEveryFormWithPushedCopies) {
  const std::set<std::string> caches = {"Hradná studňa", "Čierny les", "Kostolík"};
  struct Case {
    int site, page, format;
    const char* tail;
    bool wholePage = false;
  } cases[] = {{0, 0, 0, "_sk.htm"},
               {0, 1, 1, "_sk_tlac.mht"},
               {1, 1, 0, "_com.htm"},
               {1, 0, 1, "_com.mht"},
               {0, 0, 1, "_sk.mht", true}};
  // Which cache of how many the batch is at, as a user sees it while the pages load.
  std::set<std::string> progress;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (!form->StatusBar1->PanelText(0).empty()) progress.insert(form->StatusBar1->PanelText(0));
  });
  watch.start(5);
  // The filter hides every ticked cache: the batch takes them all the same.
  form->Edit21->setText(QStringLiteral("Pod"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tail);
    std::filesystem::remove_all(out);
    std::filesystem::create_directories(out);
    Choose(c.site, c.page, c.format, true);
    form->CheckBox2->setChecked(c.wholePage);
    form->SpeedButton6Click();

    std::set<std::string> expected;
    for (const auto& cache : caches) expected.insert(cache + c.tail);
    EXPECT_EQ(FileNames(out), expected);
    for (const auto& name : expected) {
      const std::string pc = platform::ReadWholeFile(out / name);
      ASSERT_TRUE(std::filesystem::exists(Pushed(name))) << name;
      EXPECT_EQ(platform::ReadWholeFile(Pushed(name)), pc) << name;  // byte for byte
      if (c.site == 0 && c.page == 0 && c.format == 0) {
        EXPECT_NE(pc.find(Utf8ToAnsi(testsite::kHintDecoded)), std::string::npos) << name;
      }
      if (c.wholePage) {
        EXPECT_TRUE(HoldsDecodedHint(ReadArchive(out / name))) << name;
      }
      if (c.site == 0 && c.page == 1) {
        MimeArchive a = ReadArchive(out / name);
        EXPECT_TRUE(Contains(a.html, Utf8ToAnsi("Tlačová verzia kešky"))) << name;
      }
      if (c.format == 1) {
        MimeArchive a = ReadArchive(out / name);
        EXPECT_EQ(a.location.rfind(site.Root(), 0), 0u) << a.location;
        EXPECT_FALSE(a.html.empty());
      }
    }
  }
  EXPECT_GE(site.Hits("/geocache-tlac.php"), 3);
  EXPECT_TRUE(ui.shown.empty()) << ui.Messages().front();
  EXPECT_EQ(progress,
            (std::set<std::string>{"Ke\x9Aka 1 z 3", "Ke\x9Aka 2 z 3", "Ke\x9Aka 3 z 3"}));
  EXPECT_EQ(form->StatusBar1->PanelText(0), "");
  EXPECT_EQ(form->Label22->text(), QStringLiteral("Exportované 3 z 3"));
}

TEST_F(Export, ABatchThatFailsNamesTheCacheAndTheStatusBarCountsWhatDidNotGetOut) {
  Choose(0, 0, 0, false);
  // Nothing ticked: said so, and nothing of an earlier run stays to be read as this one's.
  form->StatusBar1->SetPanelText(1, "Chyba");
  form->ProgressBar1->setValue(100);
  form->SpeedButton2Click();
  form->SpeedButton6Click();
  EXPECT_EQ(ui.Messages(), std::vector<AnsiString>{Utf8ToAnsi("Nie je označená žiadna keška.")});
  EXPECT_EQ(form->StatusBar1->PanelText(1), "");
  EXPECT_EQ(form->ProgressBar1->value(), 0);

  for (int i : {1, 3}) {
    form->CheckListBox1->SetChecked(i, true);
    form->CheckListBox2->SetChecked(i, true);
  }
  form->Edit3->clear();  // no folder to save into: the first export fails and ends the batch
  try {
    form->SpeedButton6Click();
    ADD_FAILURE() << "no error raised";
  } catch (const PlatformError& e) {
    EXPECT_EQ(e.Message(), Utf8ToAnsi("Kešku Pod lesom (GCZM002) sa nepodarilo exportovať: Nie je "
                                      "nastavený adresár na ukladanie súborov. Zadajte ho na "
                                      "záložke \"Nastavenia\"."));
  }
  EXPECT_EQ(form->Label22->text(),
            QStringLiteral("Exportované 0 z 2; neexportované: GCZM002, GCZM004"));
  EXPECT_FALSE(form->Label22->isHidden());
}

TEST_F(Export, BatchWithThePrintPageSavesEachCachesOwnPage) {
  // The middle cache's page has no print link: its own page goes out, never the first's print.
  form->CheckListBox1->SetItems({"Prva", "Bez tlace", "Tretia"});
  form->CheckListBox2->SetItems({"GCZM001", "GCNOPRINT", "GCZM003"});
  for (int i = 0; i < 3; ++i) form->CheckListBox1->SetChecked(i, true);
  Choose(0, 1, 0, false);
  form->SpeedButton6Click();
  EXPECT_EQ(FileNames(out), (std::set<std::string>{"Prva_sk_tlac.htm", "Bez tlace_sk_tlac.htm",
                                                   "Tretia_sk_tlac.htm"}));
  const std::string print = Utf8ToAnsi("Tlačová verzia kešky ");
  const std::string first = platform::ReadWholeFile(out / "Prva_sk_tlac.htm");
  const std::string middle = platform::ReadWholeFile(out / "Bez tlace_sk_tlac.htm");
  const std::string last = platform::ReadWholeFile(out / "Tretia_sk_tlac.htm");
  EXPECT_TRUE(Contains(first, print + "GCZM001"));
  EXPECT_FALSE(Contains(middle, print));
  EXPECT_TRUE(Contains(middle, Utf8ToAnsi("Keška GCNOPRINT")));
  EXPECT_TRUE(Contains(middle, Utf8ToAnsi(testsite::kHintDecoded)));
  EXPECT_TRUE(Contains(last, print + "GCZM003"));
  EXPECT_EQ(site.Hits("/geocache-tlac.php"), 2);
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(Export, HtmlHoldsTheDecodedHintAndReopensWithTheSameText) {
  Choose(0, 0, 0, false);
  form->CheckListBox1->SetSelected(0, true);
  form->SpeedButton4Click();
  form->SpeedButton9Click();
  EXPECT_EQ(form->StatusBar1->PanelText(1), "Hotovo");
  const auto file = out / "Hradná studňa_sk.htm";
  const std::string bytes = platform::ReadWholeFile(file);
  const std::string heading = Utf8ToAnsi("Pomôcku odkódoval Vireska:");
  EXPECT_NE(bytes.find(heading), std::string::npos);
  EXPECT_NE(bytes.find(Utf8ToAnsi(testsite::kHintDecoded)), std::string::npos);
  EXPECT_NE(bytes.find("windows-1250"), std::string::npos);
  // A second export overwrites without a question.
  form->SpeedButton9Click();
  EXPECT_EQ(platform::ReadWholeFile(file), bytes);
  EXPECT_TRUE(ui.shown.empty());

  Browser()->Navigate(FileUrl(file));
  ASSERT_TRUE(WaitUntil(
      [&] { return Browser()->LocationURL().find("file://") == 0 && !Browser()->Busy(); }));
  ASSERT_TRUE(WaitUntil([&] {
    return Contains(FromAnsi(Browser()->BodyMarkup()).toStdString(), testsite::kHintDecoded);
  }));
}

TEST_F(Export, ArchiveHoldsWhatTheLoggedInUserSeesAndRendersFromDisk) {
  Choose(0, 0, 1, false);
  form->CheckListBox1->SetSelected(2, true);
  form->SpeedButton4Click();
  form->SpeedButton9Click();
  const auto file = out / "Čierny les_sk.mht";
  MimeArchive loggedOut = ReadArchive(file);
  EXPECT_FALSE(Contains(loggedOut.html, Utf8ToAnsi("odhlásiť")));
  EXPECT_EQ(form->StatusBar1->PanelText(1), "Hotovo");

  LogIn();
  form->CheckListBox1->SetSelected(2, true);
  form->SpeedButton4Click();
  form->SpeedButton9Click();
  MimeArchive loggedIn = ReadArchive(file);
  EXPECT_EQ(loggedIn.location, site.Root() + "/hladaj.php?query=GCZM003");
  EXPECT_EQ(loggedIn.charset, "windows-1250");
  EXPECT_TRUE(Contains(loggedIn.html, Utf8ToAnsi("odhlásiť")));
  EXPECT_TRUE(Contains(loggedIn.html, Utf8ToAnsi(testsite::kCoordinates)));

  Browser()->Navigate(FileUrl(file));
  ASSERT_TRUE(WaitUntil([&] {
    return Contains(FromAnsi(Browser()->BodyMarkup()).toStdString(), testsite::kCoordinates);
  }));
}

TEST_F(Export, WholePageArchiveHoldsPicturesStyleAndHintAndShowsThemFromDisk) {
  form->CheckListBox1->SetItems({"Foto"});
  form->CheckListBox2->SetItems({"GCFOTO"});
  form->CheckListBox1->SetSelected(0, true);
  Choose(0, 0, 1, false);
  form->CheckBox2->setChecked(true);
  form->SpeedButton4Click();
  const int fetches = site.Hits("/hladaj.php");
  form->SpeedButton9Click();
  EXPECT_EQ(site.Hits("/hladaj.php"), fetches);  // the shown page, not fetched again
  EXPECT_EQ(form->StatusBar1->PanelText(1), "Hotovo");
  const auto file = out / "Foto_sk.mht";
  MimeArchive whole = ReadArchive(file);
  EXPECT_EQ(whole.location, site.Root() + "/hladaj.php?query=GCFOTO");
  EXPECT_TRUE(HoldsDecodedHint(whole)) << whole.charset;
  std::set<std::pair<std::string, std::string>> parts;
  for (const MimeArchivePart& part : whole.all) parts.insert({part.type, part.location});
  for (const auto& [type, path] :
       {std::pair{"image/png", "/obr/mapa.png"}, std::pair{"image/png", "/obr/spoiler.png"},
        std::pair{"text/css", "/styl.css"}})
    EXPECT_EQ(parts.count({type, site.Root() + path}), 1u) << path;
  EXPECT_TRUE(ui.shown.empty());

  // From disk the engine shows the hint and the picture where the style sheet puts it.
  Browser()->Navigate(FileUrl(file));
  ASSERT_TRUE(WaitUntil([&] {
    return Contains(FromAnsi(Browser()->BodyMarkup()).toStdString(), testsite::kHintDecoded);
  }));
  auto* view = form->WebBrowserHost->findChild<QWebEngineView*>();
  ASSERT_NE(view, nullptr);
  const int x = testsite::kPictureLeft + testsite::kPictureSize / 2;
  const int y = testsite::kPictureTop + testsite::kPictureSize / 2;
  EXPECT_TRUE(WaitUntil([&] {
    return (view->grab().toImage().pixel(x, y) & 0xffffffu) == testsite::kPictureRgb;
  })) << std::hex
      << view->grab().toImage().pixel(x, y);

  // Unticked: the page's HTML alone, as before.
  form->CheckBox2->setChecked(false);
  form->CheckListBox1->SetSelected(0, true);
  form->SpeedButton4Click();
  form->SpeedButton9Click();
  MimeArchive refetched = ReadArchive(file);
  EXPECT_EQ(refetched.parts, 1);
  EXPECT_EQ(refetched.location, site.Root() + "/hladaj.php?query=GCFOTO");
  EXPECT_FALSE(HoldsDecodedHint(refetched));
}

TEST_F(Export, MissingDocumentAndFailedFetchAreReportedAndWriteNothing) {
  CurrentCache = "Bez str\xE1nky";
  Choose(0, 0, 0, false);
  form->SpeedButton9Click();
  ASSERT_EQ(ui.Messages().size(), 1u);
  EXPECT_EQ(ui.Messages()[0], "Document not loaded!");
  form->RadioGroup3->SetItemIndex(1);
  form->SpeedButton9Click();
  EXPECT_EQ(form->StatusBar1->PanelText(1), "Chyba");
  EXPECT_TRUE(std::filesystem::is_empty(out));

  // The site goes away between showing the page and exporting it: the fetch fails.
  auto gone = std::make_unique<testsite::TestSite>();
  Browser()->Navigate(gone->Root() + "/index.php");
  ASSERT_TRUE(WaitUntil([&] { return !Browser()->Busy() && Browser()->HasDocument(); }));
  gone.reset();
  try {
    form->SpeedButton9Click();
    ADD_FAILURE() << "no error raised";
  } catch (const PlatformError& e) {
    EXPECT_NE(e.Message().find(Utf8ToAnsi(" sa nepodarilo načítať – skontrolujte pripojenie")),
              std::string::npos)
        << e.Message();
  }
  EXPECT_EQ(form->StatusBar1->PanelText(1), "Chyba");
  EXPECT_TRUE(std::filesystem::is_empty(out));
}

TEST_F(Export, ADocumentThatIsNotHtmlRaisesBeforeAnyFileExists) {
  CurrentCache = "Text";
  Choose(0, 0, 0, false);
  // The page scan of the shown text reports the same error first.
  Browser()->Navigate(site.Root() + "/hladaj.php?query=GCTEXT");
  ASSERT_TRUE(WaitUntil([&] { return ui.Messages().size() == 1; }));
  try {
    form->SpeedButton9Click();
    ADD_FAILURE() << "no error raised";
  } catch (const PlatformError& e) {
    EXPECT_EQ(e.Message(), "Interface not supported");
  }
  EXPECT_EQ(ui.Messages().size(), 1u);  // no "SaveAs HTML fail!"
  // Nor can the engine archive it whole.
  form->RadioGroup3->SetItemIndex(1);
  form->CheckBox2->setChecked(true);
  EXPECT_THROW(form->SpeedButton9Click(), PlatformError);
  EXPECT_EQ(form->StatusBar1->PanelText(1), "Chyba");
  EXPECT_TRUE(std::filesystem::is_empty(out));
}

TEST_F(Export, PushOverrunSwitchesThePushOffForTheRestOfTheBatch) {
  Choose(1, 0, 0, true);
  // The first write takes longer than the limit and then fails: its message box is open while
  // the timer runs out.
  DeviceFolder::WriteDelay(5100);
  DeviceFolder::Fail("CeWriteFile=112@1");
  ui.onMessage = [&](const AnsiString& text) {
    if (text.rfind("Error #", 0) == 0) {
      DeviceFolder::WriteDelay(0);
      ASSERT_TRUE(WaitUntil([&] { return !form->CheckBox1->isChecked(); }, 5000));
    }
  };
  form->SpeedButton6Click();
  // Under load the limit may stop the copy before its write fails: it then says nothing more.
  auto messages = ui.Messages();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back(),
            "Nepodarilo sa umiestni\x9D d\xE1ta v stanovemom \xE8"
            "ase na PDA\r"
            "zakazujem activesync(PDA)!");
  messages.pop_back();
  for (const AnsiString& message : messages)
    EXPECT_EQ(message, "Error #112: neviem zap\xEDsa\x9D file do PDA.");
  EXPECT_LE(messages.size(), 1u);
  EXPECT_FALSE(form->CheckBox1->isEnabled());
  EXPECT_FALSE(form->Timer1->isActive());
  // Every page was still exported to the PC; none after the overrun went to the handheld.
  EXPECT_EQ(FileNames(out).size(), 3u);
  EXPECT_FALSE(std::filesystem::exists(Pushed("Čierny les_com.htm")));
  EXPECT_FALSE(std::filesystem::exists(Pushed("Kostolík_com.htm")));
}

}  // namespace
