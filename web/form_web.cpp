// The tab "Browser" (the web session owns its page; each subsystem wires its own controls on it)
// and the tab "HTML"; browser primitives, login and page scan, cache pages and hints.
#include <QCheckBox>
#include <QColor>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/mainform.h"
#include "device/gpsgpx.h"
#include "device/transfer.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/error.h"
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
const AnsiString kHintBlockStart = AnsiLiteral("<br><b><i>Pomôcku odkódoval Vireska:</i><li>");
constexpr char kHintBlockEnd[] = "</b>";
const AnsiString kPageNotLoaded =
    AnsiLiteral("Stránku %s sa nepodarilo načítať – skontrolujte pripojenie na internet.");
const AnsiString kCachePageNotLoaded =
    AnsiLiteral("Stránku kešky %s sa nepodarilo načítať – skontrolujte pripojenie na internet.");

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

// A short caption says little to a newcomer or to a screen reader: a tooltip says what the control
// does (and when it is off, why), and the accessible name begins with the caption, which voice
// control users say.
void Describe(QWidget* control, const QString& purpose) {
  const QString caption = control->property("text").toString();
  control->setToolTip(purpose);
  control->setAccessibleName(caption + QStringLiteral(" – ") + purpose);
}

void DescribeBrowserControls(TForm1* form) {
  Describe(form->CheckBox1,
           QStringLiteral("Exportované stránky pošli aj do PDA (zapne sa po pripojení PDA)"));
  Describe(form->SpeedButton4, QStringLiteral("Otvor stránku kešky vybranej v zozname"));
  Describe(form->SpeedButton7,
           QStringLiteral("Otvor tlačovú stránku kešky. Zapne sa, keď stránka kešky otvorená "
                          "tlačidlom GC na webe sk má odkaz na tlač."));
  Describe(form->SpeedButton11, QStringLiteral("Preruš čakanie na stránku alebo prenos do PDA"));
  // Containers a screen reader announces by name.
  form->ToolBar3->setAccessibleName(QStringLiteral("Nástroje"));
  form->PageControl2->setAccessibleName(QStringLiteral("Zoznamy kešiek"));
  form->ToolBar1->setAccessibleName(QStringLiteral("PDA"));
  form->WebBrowserHost->setAccessibleName(QStringLiteral("Webová stránka"));
  form->ProgressBar1->setAccessibleName(QStringLiteral("Načítanie stránky"));
  form->StatusBar1->setAccessibleName(QStringLiteral("Stav stránky"));
}

// Until the page has loaded and its scan has run, or a wait was broken.
void WaitForPageAndIdle(const WebBrowser* browser) {
  while (browser->Busy() || !PageReady) {
    platform::ProcessMessages();
    platform::Sleep(kPagePollMs);
  }
}

}  // namespace

void TForm1::BuildBrowserTab() {
  TabSheet1 = AddPage("TabSheet1", QStringLiteral("Browser"));
  auto* page = new QVBoxLayout(TabSheet1);
  page->setContentsMargins(0, 0, 0, 0);
  page->setSpacing(0);

  ToolBar3 = new QToolBar(TabSheet1);
  NameControl(ToolBar3, "ToolBar3", QStringLiteral("ToolBar3"));
  ToolButton10 = new QToolButton(ToolBar3);
  ToolButton10->setIcon(ImageList1[0]);
  ToolButton10->setToolTip(QStringLiteral("Otvor súbor s WPT súradnicami kešiek"));
  NameControl(ToolButton10, "ToolButton10", QStringLiteral("Otvor súbor s WPT súradnicami kešiek"));
  ToolBar3->addWidget(ToolButton10);
  ToolButton13 = new QToolButton(ToolBar3);
  ToolButton13->setIcon(ImageList1[2]);
  ToolButton13->setToolTip(QStringLiteral("Pošli WPT/GPX/LOC súbor do PDA"));
  NameControl(ToolButton13, "ToolButton13", QStringLiteral("Pošli WPT/GPX/LOC súbor do PDA"));
  ToolBar3->addWidget(ToolButton13);
  ToolButton14 = new QToolButton(ToolBar3);
  ToolButton14->setIcon(ImageList1[3]);
  ToolButton14->setToolTip(QStringLiteral("Pošli kešky do GPS"));
  NameControl(ToolButton14, "ToolButton14", QStringLiteral("Pošli kešky do GPS"));
  ToolBar3->addWidget(ToolButton14);
  ToolBar3->addSeparator();
  ToolButton12 = new QToolButton(ToolBar3);
  ToolButton12->setIcon(ImageList1[1]);
  ToolButton12->setToolTip(QStringLiteral("Exportuj označené webové stránky"));
  NameControl(ToolButton12, "ToolButton12", QStringLiteral("Exportuj označené webové stránky"));
  ToolBar3->addWidget(ToolButton12);
  ToolBar3->addSeparator();
  Label5 = MakeLabel(QStringLiteral("Na zobrazenie súradníc musíte byť prihlásený !"), ToolBar3,
                     "Label5");
  QFont bold = Label5->font();
  bold.setBold(true);
  bold.setPixelSize(16);
  Label5->setFont(bold);
  Label5->setAlignment(Qt::AlignCenter);
  Label5->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  ToolBar3->addWidget(Label5);
  page->addWidget(ToolBar3);

  // The left panel can be widened for long cache names; the browser takes the rest.
  Splitter1 = new QSplitter(Qt::Horizontal, TabSheet1);
  NameControl(Splitter1, "Splitter1", QStringLiteral("Splitter1"));
  Splitter1->setChildrenCollapsible(false);
  Splitter1->setHandleWidth(platform::Scaled(4));
  page->addWidget(Splitter1, 1);

  auto* left = new QWidget(Splitter1);
  left->setMinimumWidth(platform::Scaled(241));
  auto* col = new QVBoxLayout(left);
  col->setContentsMargins(2, 2, 2, 2);
  col->setSpacing(3);
  Label3 = MakeLabel(QStringLiteral("Zoznam kešiek na stiahnutie z webu"), left, "Label3");
  col->addWidget(Label3);
  Edit21 = new QLineEdit(left);
  NameControl(Edit21, "Edit21", QStringLiteral("Filter kešiek"));
  Edit21->setPlaceholderText(QStringLiteral("Filter: názov alebo kód"));
  Edit21->setToolTip(
      QStringLiteral("Zobrazí len kešky, ktorých názov alebo kód obsahuje napísaný text "
                     "(na veľkosti písmen a diakritike nezáleží)."));
  Edit21->setClearButtonEnabled(true);
  col->addWidget(Edit21);
  PageControl2 = new QTabWidget(left);
  NameControl(PageControl2, "PageControl2", QStringLiteral("PageControl2"));
  TabSheet4 = new QWidget;
  TabSheet5 = new QWidget;
  NameControl(TabSheet4, "TabSheet4", QStringLiteral("Podľa názvov"));
  NameControl(TabSheet5, "TabSheet5", QStringLiteral("Podľa GCxxxx"));
  CheckListBox1 = new TCheckListBox("CheckListBox1", TabSheet4);
  CheckListBox1->setAccessibleName(QStringLiteral("Kešky podľa názvov"));
  CheckListBox2 = new TCheckListBox("CheckListBox2", TabSheet5);
  CheckListBox2->setAccessibleName(QStringLiteral("Kešky podľa GC kódov"));
  (new QVBoxLayout(TabSheet4))->addWidget(CheckListBox1);
  (new QVBoxLayout(TabSheet5))->addWidget(CheckListBox2);
  TabSheet4->layout()->setContentsMargins(0, 0, 0, 0);
  TabSheet5->layout()->setContentsMargins(0, 0, 0, 0);
  PageControl2->addTab(TabSheet4, QStringLiteral("Podľa názvov"));
  PageControl2->addTab(TabSheet5, QStringLiteral("Podľa GCxxxx"));
  col->addWidget(PageControl2, 1);
  Label21 = MakeLabel(QString(), left, "Label21");
  Label21->setWordWrap(true);
  col->addWidget(Label21);

  ToolBar1 = new QToolBar(left);
  NameControl(ToolBar1, "ToolBar1", QStringLiteral("ToolBar1"));
  CheckBox1 = new QCheckBox(QStringLiteral("->PDA"), ToolBar1);
  NameControl(CheckBox1, "CheckBox1", QStringLiteral("->PDA"));
  ToolBar1->addWidget(CheckBox1);
  ToolButton2 = new QToolButton(ToolBar1);
  ToolButton2->setIcon(ImageList2[7]);
  ToolButton2->setToolTip(QStringLiteral("Pripoj PDA"));
  NameControl(ToolButton2, "ToolButton2", QStringLiteral("Pripoj PDA"));
  ToolBar1->addWidget(ToolButton2);
  col->addWidget(ToolBar1);

  RadioGroup1 = new TRadioGroup("RadioGroup1", QStringLiteral("Web"),
                                {QStringLiteral("sk"), QStringLiteral("com")}, 0, left);
  col->addWidget(RadioGroup1);

  auto* buttons = new QGridLayout;
  SpeedButton4 = MakeButton(QStringLiteral("GC"), left, "SpeedButton4");
  SpeedButton7 = MakeButton(QStringLiteral("TlačFRM"), left, "SpeedButton7");
  SpeedButton7->setEnabled(false);
  SpeedButton9 = MakeButton(QStringLiteral("Exportuj jeden"), left, "SpeedButton9");
  SpeedButton1 = MakeButton(QStringLiteral("Označ všetky"), left, "SpeedButton1");
  SpeedButton2 = MakeButton(QStringLiteral("Odznač všetky"), left, "SpeedButton2");
  SpeedButton6 =
      MakeButton(QStringLiteral("Exportuj označené webové stránky"), left, "SpeedButton6");
  buttons->addWidget(SpeedButton4, 0, 0);
  buttons->addWidget(SpeedButton7, 0, 1);
  buttons->addWidget(SpeedButton9, 1, 0, 1, 2);
  buttons->addWidget(SpeedButton1, 2, 0);
  buttons->addWidget(SpeedButton2, 2, 1);
  buttons->addWidget(SpeedButton6, 3, 0, 1, 2);
  col->addLayout(buttons);

  Label4 = MakeLabel(QStringLiteral("Prihlásenie na web"), left, "Label4");
  QFont labelBold = Label4->font();
  labelBold.setBold(true);
  Label4->setFont(labelBold);
  SpeedButton11 = MakeButton(QStringLiteral("Brejk"), left, "SpeedButton11");
  auto* loginHead = new QHBoxLayout;
  loginHead->addWidget(Label4, 1);
  loginHead->addWidget(SpeedButton11);
  col->addLayout(loginHead);
  Label1 = MakeLabel(QStringLiteral("Prihlasovacie meno"), left, "Label1");
  Label2 = MakeLabel(QStringLiteral("Heslo"), left, "Label2");
  Edit1 = MakeEdit(Label1, left, "Edit1");
  Edit2 = MakeEdit(Label2, left, "Edit2");
  // Not readable over a shoulder or on a projector; the box shows it on request.
  Edit2->setEchoMode(QLineEdit::Password);
  const QString showPassword = QStringLiteral("Zobraziť heslo");
  CheckBox3 = new QCheckBox(showPassword, left);
  NameControl(CheckBox3, "CheckBox3", showPassword);
  SpeedButton5 = MakeButton(QStringLiteral("Prihlás!"), left, "SpeedButton5");
  auto* login = new QGridLayout;
  login->addWidget(Label1, 0, 0);
  login->addWidget(Label2, 0, 1);
  login->addWidget(Edit1, 1, 0);
  login->addWidget(Edit2, 1, 1);
  login->addWidget(CheckBox3, 2, 1);
  login->addWidget(SpeedButton5, 3, 0, 1, 2);
  col->addLayout(login);
  Splitter1->addWidget(left);

  WebBrowserHost = new QWidget(Splitter1);
  NameControl(WebBrowserHost, "WebBrowser1", QStringLiteral("WebBrowser1"));
  auto* host = new QVBoxLayout(WebBrowserHost);
  host->setContentsMargins(0, 0, 0, 0);
  Splitter1->addWidget(WebBrowserHost);
  Splitter1->setStretchFactor(0, 0);
  Splitter1->setStretchFactor(1, 1);

  StatusBar1 = new TStatusBar("StatusBar1", {104, 50, 50, 50}, TabSheet1);
  ProgressBar1 = new QProgressBar(StatusBar1->Panel(0));
  NameControl(ProgressBar1, "ProgressBar1", QStringLiteral("ProgressBar1"));
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setGeometry(platform::Scaled(2), platform::Scaled(2), platform::Scaled(100),
                            platform::Scaled(15));
  // The batch's summary, between the panels of the handheld and of the print link; shown only
  // after a batch.
  Label22 = MakeLabel(QString(), StatusBar1, "Label22");
  Label22->setFrameShape(QFrame::Panel);
  Label22->setFrameShadow(QFrame::Sunken);
  Label22->setTextFormat(Qt::PlainText);
  Label22->hide();
  static_cast<QBoxLayout*>(StatusBar1->layout())->insertWidget(3, Label22);
  page->addWidget(StatusBar1);
  DescribeBrowserControls(this);
}

void TForm1::BuildHtmlTab() {
  TabSheet2 = AddPage("TabSheet2", QStringLiteral("HTML"));
  Memo1 = MakeMemo(TabSheet2, "Memo1", QStringLiteral("HTML"));
  (new QVBoxLayout(TabSheet2))->addWidget(Memo1);
}

void TForm1::RadioGroup1Click() {
  // The chosen site is read where it is used.
}

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
  const AnsiString loginPage = LoginPageUrl(site, SiteRoot(SettingsFile(), site));
  WebBrowser1->Navigate(loginPage);
  WaitForPageAndIdle(WebBrowser1);
  if (site == Site::International) {
    while (WebBrowser1->Busy()) platform::ProcessMessagesWaiting(kPumpWaitMs);
  }
  // The engine's error page has no login form: the user is told why, not which field is missing.
  if (WebBrowser1->LoadFailed()) throw PlatformError(FormatMessage1(kPageNotLoaded, loginPage));

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
    if (WebBrowser1->LoadFailed())
      platform::Ui().ShowMessage(FormatMessage1(kCachePageNotLoaded, code));

    std::unique_ptr<TextRange> range = WebBrowser1->BodyTextRange();
    if (!HintText.empty()) {
      if (!range->FindText(HintText, static_cast<int>(HintText.size()) + 1, 0))
        range->Collapse(false);
      range->PasteHTML(kHintBlockStart + Rot13(HintText) + kHintBlockEnd);
      ScannedHints[code] = DecodedHint(HintText);  // for "Pošli kešky do GPS"
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
  connect(RadioGroup1, &TRadioGroup::clicked, this, Reported(&TForm1::RadioGroup1Click));
  connect(SpeedButton11, &QPushButton::clicked, this, Reported(&TForm1::SpeedButton11Click));
  connect(SpeedButton5, &QPushButton::clicked, this, Reported(&TForm1::SpeedButton5Click));
  connect(Edit2, &QLineEdit::returnPressed, this, Reported(&TForm1::SpeedButton5Click));
  connect(CheckBox3, &QCheckBox::toggled, this, [this](bool shown) {
    Edit2->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
  });
  connect(SpeedButton4, &QPushButton::clicked, this, Reported(&TForm1::SpeedButton4Click));
  connect(SpeedButton7, &QPushButton::clicked, this, Reported(&TForm1::SpeedButton7Click));
}
