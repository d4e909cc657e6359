#include <sys/stat.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "export/mhtml.h"
#include "export/pagewriters.h"
#include "export/uploadlimit.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/state.h"
#include "support/form_fixture.h"
#include "support/test_clock.h"
#include "web/webbrowser.h"

namespace {

class UploadLimit : public FormTest {
 protected:
  void StartPush(std::uint32_t start) {
    clock.now = start;
    WaitStart = start;
    form->CheckBox1->setEnabled(true);
    form->CheckBox1->setChecked(true);
    form->Timer1->start();
  }
  TestClock clock;
};

TEST_F(UploadLimit, ExactlyTheLimitIsStillWithinIt) {
  StartPush(1000);
  clock.now = 6000;
  form->Timer1Timer();
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_TRUE(form->Timer1->isActive());
  EXPECT_TRUE(form->CheckBox1->isChecked());
}

TEST_F(UploadLimit, OverrunEndsThePushForTheRestOfTheRun) {
  StartPush(1000);
  clock.now = 6001;
  form->Timer1Timer();
  ASSERT_EQ(ui.Messages().size(), 1u);
  EXPECT_EQ(ui.Messages()[0],
            "Nepodarilo sa umiestni\x9D d\xE1ta v stanovemom \xE8"
            "ase na PDA\rzakazujem activesync(PDA)!");
  EXPECT_FALSE(form->Timer1->isActive());
  EXPECT_FALSE(form->CheckBox1->isEnabled());
  EXPECT_FALSE(form->CheckBox1->isChecked());
  ASSERT_FALSE(ui.cursors.empty());
  EXPECT_EQ(ui.cursors.back(), platform::CursorShape::Default);
}

TEST_F(UploadLimit, TickCounterWrapDoesNotCountAsAnOverrun) {
  StartPush(0xFFFFF000u);
  clock.now = 0xFFFFF000u + 5000u;  // wrapped past zero
  form->Timer1Timer();
  EXPECT_TRUE(ui.shown.empty());
  clock.now += 1;
  form->Timer1Timer();
  EXPECT_EQ(ui.Messages().size(), 1u);
  EXPECT_FALSE(UploadOverrun(10, 0xFFFFFFF0u + 0));
  EXPECT_TRUE(UploadOverrun(5000, 0xFFFFFFFFu));
}

TEST_F(UploadLimit, ExportWithoutAnOpenedPageSaysSoAndWritesNothing) {
  form->Edit3->setText(QString::fromStdString(dir.path().string()));
  form->SpeedButton9Click();
  ASSERT_EQ(ui.Messages().size(), 1u);
  EXPECT_EQ(ui.Messages()[0],
            "Nie je otvoren\xE1 \x9E"
            "iadna str\xE1nka");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// A shown page whose saves the test decides: each writes its bytes, or half of them and fails.
class PageOfOurs : public WebBrowser {
 public:
  std::string html = "<html><body>nov\xE1 str\xE1nka</body></html>";
  std::string archive = "MIME-Version: 1.0\r\n\r\ncel\xE1 str\xE1nka";
  bool fails = false;

  bool Save(QIODevice& stream) override {
    stream.write(html.data(), static_cast<qint64>(fails ? html.size() / 2 : html.size()));
    return !fails;
  }
  std::uintmax_t archiveSize = 0;  // else the archive's bytes, the rest a hole
  ino_t archiveInode = 0;          // of the file the "engine" wrote

  void SavePageArchive(const std::filesystem::path& file) override {
    if (fails) throw PlatformError("The page could not be saved");
    TempDir::Write(file, archive);
    if (archiveSize) std::filesystem::resize_file(file, archiveSize);
    struct stat st {};
    ::stat(file.c_str(), &st);
    archiveInode = st.st_ino;
  }
  void Navigate(const AnsiString&) override {}
  void Stop() override {}
  bool Busy() const override { return false; }
  bool HasDocument() const override { return true; }
  bool LoadFailed() const override { return false; }
  AnsiString LocationURL() const override { return "http://127.0.0.1/"; }
  QString Title() const override { return {}; }
  void ClickElementByName(const AnsiString&) override {}
  void PutInnerText(const AnsiString&, const AnsiString&) override {}
  AnsiString BodyMarkup() override { return html; }
  void RequireHtml() override {}
  std::unique_ptr<TextRange> BodyTextRange() override { return nullptr; }
  std::vector<BrowserCookie> Cookies() const override { return {}; }
  std::string UserAgent() const override { return {}; }
};

class Writers : public FormTest {
 protected:
  AnsiString told;  // what the writer said last
  const WriterResult result = [this](const char* text) { told = text; };
};

TEST_F(Writers, AFailedExportLeavesTheEarlierFileByteForByte) {
  const std::string earlier = "earlier good export";
  const auto out = dir / "out";
  const auto htm = out / "Hrad_sk.htm";
  const auto mht = out / "Hrad_sk.mht";
  TempDir::Write(htm, earlier);
  TempDir::Write(mht, earlier);
  PageOfOurs page;
  page.fails = true;
  SaveAsHtml(&page, htm.string(), result);
  EXPECT_EQ(ui.Messages(), std::vector<AnsiString>{"SaveAs HTML fail!"});
  EXPECT_THROW(SaveAsMht(&page, mht.string(), result, MhtForm::WholePage), PlatformError);
  EXPECT_EQ(told, "Chyba");
  for (const auto& file : {htm, mht}) EXPECT_EQ(platform::ReadWholeFile(file), earlier);
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(out)) ++files;
  EXPECT_EQ(files, 2u);  // no temporary file is left

  page.fails = false;
  SaveAsHtml(&page, htm.string(), result);
  SaveAsMht(&page, mht.string(), result, MhtForm::WholePage);
  EXPECT_EQ(platform::ReadWholeFile(htm), page.html);
  EXPECT_EQ(platform::ReadWholeFile(mht), page.archive);
  EXPECT_EQ(told, "Hotovo");
  EXPECT_EQ(ui.Messages().size(), 1u);
  // A folder that is not there: the error ends the command, no message and no file.
  EXPECT_THROW(SaveAsHtml(&page, (out / "nie" / "x.htm").string(), result), PlatformError);
  EXPECT_EQ(ui.Messages().size(), 1u);
}

// The engine's archive is moved into place, never read into memory, and held to the fetched
// form's cap.
TEST_F(Writers, WholePageArchiveIsMovedIntoPlaceWithinTheCap) {
  const auto out = dir / "out";
  const auto mht = out / "Hrad_sk.mht";
  TempDir::Write(mht, "earlier good export");
  PageOfOurs page;
  page.archiveSize = kMaxPageBytes + 1;
  try {
    SaveAsMht(&page, mht.string(), result, MhtForm::WholePage);
    FAIL() << "no error raised";
  } catch (const PlatformError& e) {
    EXPECT_EQ(e.Message(), Utf8ToAnsi("Stránka sa neuložila do " + mht.string() +
                                      ": jej archív je väčší ako 64 MiB."));
  }
  EXPECT_EQ(told, "Chyba");
  EXPECT_EQ(platform::ReadWholeFile(mht), "earlier good export");
  EXPECT_EQ(TempDir::Names(out), std::vector<std::string>{"Hrad_sk.mht"});

  page.archiveSize = kMaxPageBytes;
  SaveAsMht(&page, mht.string(), result, MhtForm::WholePage);
  EXPECT_EQ(told, "Hotovo");
  struct stat saved {};
  ASSERT_EQ(::stat(mht.c_str(), &saved), 0);
  EXPECT_EQ(static_cast<std::size_t>(saved.st_size), kMaxPageBytes);
  struct stat engineFolder {};
  ASSERT_EQ(::stat(QFile::encodeName(QDir::tempPath()).constData(), &engineFolder), 0);
  if (engineFolder.st_dev == saved.st_dev) {
    EXPECT_EQ(saved.st_ino, page.archiveInode);
  }
  EXPECT_EQ(TempDir::Names(out), std::vector<std::string>{"Hrad_sk.mht"});
}

// Without a save folder the file would go to the file system's root.
TEST_F(UploadLimit, ExportWithoutASaveFolderAsksForItAndWritesNothing) {
  CurrentCache = "Vireska test bez adresara";
  form->Edit3->setText(QStringLiteral("  "));
  form->CheckBox1->setChecked(true);
  form->SpeedButton9->click();
  EXPECT_EQ(ui.Messages(),
            std::vector<AnsiString>{"Nie je nastaven\xFD adres\xE1r na ukladanie s\xFA"
                                    "borov. Zadajte "
                                    "ho na z\xE1lo\x9Eke \"Nastavenia\"."});
  for (const char* name : {"/Vireska test bez adresara_sk_tlac.mht", "/_sk_tlac.mht"})
    EXPECT_FALSE(std::filesystem::exists(name));
  EXPECT_FALSE(form->Timer1->isActive());
}

}  // namespace
