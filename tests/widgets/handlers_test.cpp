// No failure of a handler crosses the toolkit: every menu action and button of the window runs
// with a modal UI service that fails, and each failure is reported where the handler was called.
// A failure that reaches the event dispatch fails the test (support/widget_main.cpp).
#include <QAbstractButton>
#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QWebEngineProfile>
#include <algorithm>
#include <cstdint>

#include "platform/error.h"
#include "platform/leakcheck.h"
#include "support/form_fixture.h"

#ifdef VIRESKA_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

namespace {

const AnsiString kFailure =
    "Slu\x9E"
    "ba zlyhala";

// Every dialog, question and cursor change fails; messages (the reports) are recorded.
class FailingUi final : public ScriptedUi {
 public:
  void MessageBox(const AnsiString&, const AnsiString&, platform::MessageIcon) override { Fail(); }
  bool OpenFile(AnsiString&, const AnsiString&, const AnsiString&) override { Fail(); }
  int ShowModal(std::string_view, const std::function<int()>&) override { Fail(); }
  void SetCursor(platform::CursorShape) override { Fail(); }

 private:
  [[noreturn]] static void Fail() { throw PlatformError(kFailure); }
};

class Handlers : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    TempDir::Write(Ini(),
                   "[Kdeukladatdata]\r\nWPTsubor=/x.wpt\r\n[Weby]\r\nsk=http://127.0.0.1:1\r\n"
                   "com=http://127.0.0.1:1\r\n");
    form->FormActivate();
  }
  long Reports() const {
    const auto messages = failing.Messages();
    return std::count(messages.begin(), messages.end(), kFailure);
  }
  FailingUi failing;
};

TEST_F(Handlers, EveryActionAndButtonReportsAFailingServiceWhereItWasCalled) {
  form->show();
  for (QAction* action : form->findChildren<QAction*>()) {
    if (action->menu() || action == form->Koniecprogramu1) continue;
    SCOPED_TRACE(action->objectName().toStdString());
    action->trigger();
  }
  QList<QAbstractButton*> buttons = form->findChildren<QAbstractButton*>();
  const auto dialogButtons = potvrd->findChildren<QAbstractButton*>();
  buttons.append(dialogButtons);
  for (QAbstractButton* button : buttons) {
    // The program's own buttons (the toolkit's, such as a tool bar's extension, open menus).
    // The login waits for the site's answer page: the browser tests drive it.
    const QString name = button->objectName();
    if (name.isEmpty() || name.startsWith(QStringLiteral("qt_")) ||
        button == static_cast<QAbstractButton*>(form->SpeedButton5))
      continue;
    SCOPED_TRACE(button->objectName().toStdString());
    button->click();
  }
  // Open dialog, handheld listings, copies, delete, new folder, connect: each ended in a report.
  EXPECT_GE(Reports(), 8);
  form->Koniecprogramu1->trigger();
  EXPECT_FALSE(form->isVisible());
}

// The folder list was filled before the folder went away: the double click reports it and the
// list stays where it was.
TEST_F(Handlers, DoubleClickOnAFolderDeletedMeanwhileIsReported) {
  std::filesystem::create_directories(dir / "gone");
  const AnsiString here = platform::FromNativePath(dir.path());
  form->DirectoryListBox1->SetDirectory(here);
  form->show();
  QListWidget* list = form->DirectoryListBox1;
  const auto items = list->findItems(QStringLiteral("gone"), Qt::MatchEndsWith);
  ASSERT_EQ(items.size(), 1);
  std::filesystem::remove(dir / "gone");
  const QPoint at = list->visualItemRect(items[0]).center();
  QWidget* viewport = list->viewport();
  QTest::mousePress(viewport, Qt::LeftButton, {}, at);
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
  QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
  EXPECT_EQ(failing.Messages(), std::vector<AnsiString>{"I/O error 2"});
  EXPECT_EQ(form->DirectoryListBox1->Directory(), here);
}

}  // namespace

#ifdef VIRESKA_LEAK_CHECK
namespace {
// A block whose address no memory holds: lost, unless its allocation was not checked.
[[gnu::noinline]] std::uintptr_t LoseBlock() {
  return reinterpret_cast<std::uintptr_t>(new char[48]) ^ UINTPTR_MAX;
}
void FreeBlock(std::uintptr_t hidden) {
  delete[] reinterpret_cast<char*>(hidden ^ UINTPTR_MAX);
}
}  // namespace
#endif

// What the engine's own work allocates is not checked; a handler of ours that it calls is (the
// sanitized build prints the report of the second check).
TEST(LeakCheck, AHandlerThatTheEnginesWorkCallsIsChecked) {
#ifndef VIRESKA_LEAK_CHECK
  GTEST_SKIP() << "leaks are checked in the sanitized build";
#else
  QWebEngineProfile engineObject;
  std::uintptr_t engines = 0, ours = 0;
  {
    platform::EngineWork work(&engineObject);
    engines = LoseBlock();
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
    platform::RunReported([&] { ours = LoseBlock(); });
  }
  EXPECT_EQ(__lsan_do_recoverable_leak_check(), 1);
  FreeBlock(engines);
  FreeBlock(ours);
#endif
}
