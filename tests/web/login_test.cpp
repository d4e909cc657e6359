// Login and the logged-in detection on the main window, against the test site.
#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "browser_fixture.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/profile.h"

namespace {

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

class Login : public WebFormTest {
 protected:
  void Type(const char* user, const char* password) {
    form->Edit1->setText(QString::fromUtf8(user));
    form->Edit2->setText(QString::fromUtf8(password));
  }
  QColor Colour() const { return form->Edit1->palette().color(QPalette::Base); }
  AnsiString Stored(const char* key) {
    return ReadProfileString(FormTest::Ini(), "Prihlasovanie", key, "<none>");
  }
  QString LoggedInCaption() const {
    return QStringLiteral("Ste prihlásený ako užívateľ s menom ") +
           QString::fromUtf8(testsite::kUser);
  }
};

TEST_F(Login, NationalSuccessThenInternationalFailure) {
  const QColor designer = Colour();
  EXPECT_EQ(form->Label5->text(), QStringLiteral("Na zobrazenie súradníc musíte byť prihlásený !"));

  Type(testsite::kUser, testsite::kPassword);  // a code page 1250 letter in the password
  form->RadioGroup1->SetItemIndex(0);
  form->SpeedButton5Click();
  EXPECT_TRUE(LoggedIn);
  EXPECT_EQ(Colour(), kGreen);
  EXPECT_NE(designer, kGreen);
  EXPECT_EQ(form->Label5->text(), LoggedInCaption());
  EXPECT_EQ(QAccessible::queryAccessibleInterface(form->Label5)->text(QAccessible::Name),
            LoggedInCaption());
  EXPECT_EQ(Stored("username"), testsite::kUser);
  EXPECT_EQ(Stored("password"), Utf8ToAnsi(testsite::kPassword));
  EXPECT_EQ(site.Hits("/index.php"), 2);  // the form, then the answer
  EXPECT_NE(form->Memo1->toPlainText().indexOf(QStringLiteral("odhlásiť")), -1);

  // The flag is cleared at each attempt: being logged in on the other site does not count.
  Type(testsite::kUser, "wrong");
  form->RadioGroup1->SetItemIndex(1);
  const std::uint32_t start = platform::GetTickCount();
  form->SpeedButton5Click();
  EXPECT_GE(platform::GetTickCount() - start, 3000u);  // the marker was awaited in vain
  EXPECT_FALSE(LoggedIn);
  EXPECT_EQ(Colour(), kRed);
  EXPECT_EQ(form->Label5->text(), LoggedInCaption());  // it never goes back
  EXPECT_EQ(Stored("password"), Utf8ToAnsi(testsite::kPassword));
  // The login page was asked for with the redirect to the same host's start page (the engine
  // writes the escapes in upper case).
  const std::string expected = "GET /login/default.aspx?RESET=Y&redir=http%3A%2F%2F127.0.0.1%3A" +
                               std::to_string(site.Port()) + "%2FDefault.aspx";
  const auto requests = site.Requests();
  EXPECT_NE(std::find(requests.begin(), requests.end(), expected), requests.end())
      << ::testing::PrintToString(requests);
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(Login, OfflineTheLoginSaysThePageDidNotLoadAndChangesNothing) {
  TempDir::Write(FormTest::Ini(), "[Weby]\r\nsk=http://127.0.0.1:1\r\n");
  const QColor designer = Colour();
  Type(testsite::kUser, testsite::kPassword);
  try {
    form->SpeedButton5Click();
    ADD_FAILURE() << "no error raised";
  } catch (const PlatformError& e) {
    EXPECT_EQ(e.Message(), Utf8ToAnsi("Stránku http://127.0.0.1:1/index.php sa nepodarilo "
                                      "načítať – skontrolujte pripojenie na internet."));
  }
  EXPECT_EQ(Colour(), designer);
  EXPECT_EQ(Stored("username"), "<none>");
}

TEST_F(Login, NationalFailureThenInternationalSuccessThroughARedirect) {
  // The password shows only while the box asks for it.
  EXPECT_EQ(form->Edit2->echoMode(), QLineEdit::Password);
  form->CheckBox3->click();
  EXPECT_EQ(form->Edit2->echoMode(), QLineEdit::Normal);
  form->CheckBox3->click();
  EXPECT_EQ(form->Edit2->echoMode(), QLineEdit::Password);
  Type(testsite::kUser, "tava7");
  form->SpeedButton5Click();
  EXPECT_FALSE(LoggedIn);
  EXPECT_EQ(Colour(), kRed);
  EXPECT_EQ(Stored("username"), "<none>");
  EXPECT_EQ(Stored("password"), "<none>");
  EXPECT_EQ(form->Label5->text(), QStringLiteral("Na zobrazenie súradníc musíte byť prihlásený !"));

  // The international answer is a redirect to the start page, which shows the marker. Enter in
  // the password edit logs in as the button does.
  Type(testsite::kUser, testsite::kPassword);
  form->RadioGroup1->SetItemIndex(1);
  QTest::keyClick(form->Edit2, Qt::Key_Return);
  EXPECT_TRUE(LoggedIn);
  EXPECT_EQ(Colour(), kGreen);
  EXPECT_EQ(form->Label5->text(), LoggedInCaption());
  EXPECT_EQ(Stored("username"), testsite::kUser);
  EXPECT_EQ(Stored("password"), Utf8ToAnsi(testsite::kPassword));
  EXPECT_EQ(site.Hits("/Default.aspx"), 1);
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(Login, MissingFieldEndsTheAttemptAndLeavesColourAndSettings) {
  site.SetLoginFormBroken(true);
  TempDir::Write(FormTest::Ini(),
                 "[Weby]\r\nsk=" + site.Root() + "\r\n[Prihlasovanie]\r\nusername=old\r\n");
  const QColor designer = Colour();
  Type(testsite::kUser, testsite::kPassword);
  EXPECT_THROW(form->SpeedButton5Click(), PlatformError);
  EXPECT_EQ(Colour(), designer);
  EXPECT_EQ(Stored("username"), "old");
  EXPECT_EQ(Stored("password"), "<none>");
  EXPECT_EQ(site.Hits("/index.php"), 1);  // nothing was submitted

  // Through the button, the general error report shows the failure.
  QTest::mouseClick(form->SpeedButton5, Qt::LeftButton);
  ASSERT_EQ(ui.Messages().size(), 1u);
  EXPECT_EQ(ui.Messages()[0], "Element \"password\" not found");
  EXPECT_EQ(Colour(), designer);
}

}  // namespace
