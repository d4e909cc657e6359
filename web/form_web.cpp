// Browser primitives, login and page scan, cache pages and hints.
#include <QColor>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include "app/mainform.h"
#include "device/transfer.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/profile.h"
#include "platform/state.h"
#include "platform/ui.h"
#include "web/pagescan.h"
#include "web/primitives.h"
#include "web/rot13.h"
#include "web/sites.h"
#include "web/webengine_browser.h"

namespace {

constexpr std::uint32_t kLoginMarkerWaitMs = 3000;
constexpr std::uint32_t kPagePollMs = 100;
constexpr std::uint32_t kAfterScanMs = 500;
constexpr int kPumpWaitMs = 5;  // one pass of a pumping loop that must not spin a core
constexpr char kHintBlockStart[] =
    "<br><b><i>Pom\xF4"
    "cku odk\xF3"
    "doval Vireska:</i><li>";
constexpr char kHintBlockEnd[] = "</b>";

Site ChosenSite(const TRadioGroup* group) {
  return group->ItemIndex() == 1 ? Site::International : Site::National;
}

QString LoggedInCaption(const QLineEdit* user) {
  return QStringLiteral("Ste prihlásený ako užívateľ s menom ") + user->text();
}

void SetBackground(QLineEdit* edit, const QColor& colour) {
  QPalette palette = edit->palette();
  palette.setColor(QPalette::Base, colour);
  edit->setPalette(palette);
}

// Until the page has loaded and its scan has run, or a wait was broken.
void WaitForPageAndIdle(const WebBrowser* browser) {
  while (browser->Busy() || !PageReady) {
    platform::ProcessMessages();
    platform::Sleep(kPagePollMs);
  }
}

}  // namespace

void TForm1::SpeedButton11Click() {
  PageReady = true;
  StopTransfer();  // the one control of the tab that also stops a copy
}

void TForm1::WebBrowser1ProgressChange(int progress, int progressMax) {
  ProgressBar1->setMaximum(progressMax);
  ProgressBar1->setValue(progress);
}

void TForm1::WebBrowser1NavigateComplete2() {}

void TForm1::WebBrowser1DownloadComplete() {}

void TForm1::SpeedButton5Click() {
  const Site site = ChosenSite(RadioGroup1);
  const LoginFields fields = LoginFieldsOf(site);

  LoggedIn = false;
  WebBrowser1->Stop();
  PageReady = false;
  WebBrowser1->Navigate(LoginPageUrl(site, SiteRoot(SettingsFile(), site)));
  WaitForPageAndIdle(WebBrowser1);
  if (site == Site::International) {
    while (WebBrowser1->Busy()) platform::ProcessMessagesWaiting(kPumpWaitMs);
  }

  SetElementValue(WebBrowser1, fields.user, ToAnsi(Edit1->text()));
  SetElementValue(WebBrowser1, fields.password, ToAnsi(Edit2->text()));
  PageReady = false;
  ClickElement(WebBrowser1, fields.submit);
  WaitForPageAndIdle(WebBrowser1);

  // The marker may come with a later page of the answer (a redirect target).
  WaitStart = platform::GetTickCount();
  while (platform::GetTickCount() - WaitStart < kLoginMarkerWaitMs) {
    platform::ProcessMessagesWaiting(kPumpWaitMs);
    if (LoggedIn) break;
  }

  if (LoggedIn) {
    const std::filesystem::path ini = SettingsFile();
    WriteProfileString(ini, "Prihlasovanie", "username", ToAnsi(Edit1->text()));
    WriteProfileString(ini, "Prihlasovanie", "password", ToAnsi(Edit2->text()));
    SetBackground(Edit1, QColor(0, 128, 0));
  } else {
    SetBackground(Edit1, QColor(255, 0, 0));
  }
}

void TForm1::WebBrowser1DocumentComplete() {
  // The print step follows the shown page's own link: a page without one disables it.
  SpeedButton7->setEnabled(false);
  // A document that is not HTML ends the scan here, PageReady left as it was.
  const AnsiString markup = WebBrowser1->BodyMarkup();
  Memo1->setPlainText(FromAnsi(markup));

  const PageScan scan = ScanPage(markup, ChosenSite(RadioGroup1));
  if (scan.loggedIn) {
    LoggedIn = true;
    Label5->setText(LoggedInCaption(Edit1));
  }
  if (scan.hintText) HintText = *scan.hintText;
  if (scan.printLink) {
    StatusBar1->SetPanelText(3, *scan.printLink);
    if (scan.printLink->find("geocache") != AnsiString::npos) SpeedButton7->setEnabled(true);
  }

  PageReady = true;
  platform::Sleep(kAfterScanMs);
}

void TForm1::SpeedButton4Click() {
  for (int i = 0; i < CheckListBox1->Count(); ++i) {
    if (!CheckListBox1->Selected(i)) continue;
    CurrentCache = CheckListBox1->ItemText(i);
    SpeedButton7->setEnabled(false);
    const AnsiString code = CheckListBox2->ItemText(i);

    if (ChosenSite(RadioGroup1) == Site::International) {
      PageReady = false;
      WebBrowser1->Navigate(
          CachePageUrl(Site::International, SiteRoot(SettingsFile(), Site::International), code));
      continue;
    }

    HintText.clear();
    PageReady = false;
    WebBrowser1->Navigate(
        CachePageUrl(Site::National, SiteRoot(SettingsFile(), Site::National), code));
    WaitForPageReady(PagePoll::PumpThenSleep);

    std::unique_ptr<TextRange> range = WebBrowser1->BodyTextRange();
    if (!HintText.empty()) {
      if (!range->FindText(HintText, static_cast<int>(HintText.size()) + 1, 0))
        range->Collapse(false);
      range->PasteHTML(kHintBlockStart + Rot13(HintText) + kHintBlockEnd);
    } else {
      platform::Ui().ShowMessage(code);
    }
  }
}

void TForm1::SpeedButton7Click() {
  const AnsiString link = StatusBar1->PanelText(3);
  // Enabled only while the shown page yielded the link: a link an earlier page left in the
  // panel would open another cache's print page.
  if (SpeedButton7->isEnabled() && link.find("geocache") != AnsiString::npos) {
    PageReady = false;
    WebBrowser1->Navigate(PrintPageUrl(SiteRoot(SettingsFile(), Site::National), link));
  }
  SpeedButton7->setEnabled(false);
}

void TForm1::WireWeb() {
  WebBrowser1 = new WebEngineBrowser(WebBrowserHost, this);
  connect(WebBrowser1, &WebBrowser::DocumentComplete, this,
          ReportedAwake(&TForm1::WebBrowser1DocumentComplete));
  connect(WebBrowser1, &WebBrowser::ProgressChange, this,
          ReportedAwake(&TForm1::WebBrowser1ProgressChange));
  connect(WebBrowser1, &WebBrowser::NavigateComplete2, this,
          ReportedAwake(&TForm1::WebBrowser1NavigateComplete2));
  connect(WebBrowser1, &WebBrowser::DownloadComplete, this,
          ReportedAwake(&TForm1::WebBrowser1DownloadComplete));
  connect(SpeedButton11, &QPushButton::clicked, this, Reported(&TForm1::SpeedButton11Click));
  connect(SpeedButton5, &QPushButton::clicked, this, Reported(&TForm1::SpeedButton5Click));
  connect(SpeedButton4, &QPushButton::clicked, this, Reported(&TForm1::SpeedButton4Click));
  connect(SpeedButton7, &QPushButton::clicked, this, Reported(&TForm1::SpeedButton7Click));
}
