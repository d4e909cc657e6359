#pragma once
// Fixtures for tests against the real engine and the test site.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <functional>
#include <memory>

#include "platform/clock.h"
#include "platform/error.h"
#include "site/test_site.h"
#include "support/form_fixture.h"
#include "support/temp_dir.h"
#include "web/webengine_browser.h"

// Pumps events until the condition holds; false when it did not within the time.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 20000) {
  const std::uint32_t start = platform::GetTickCount();
  while (!condition()) {
    if (platform::GetTickCount() - start > static_cast<std::uint32_t>(timeoutMs)) return false;
    platform::ProcessMessagesWaiting(10);
  }
  return true;
}

// A browser of its own in a shown host widget, with a fresh profile.
class BrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WebEngineBrowser::SetStorageFolder(profileDir.path());
    host = std::make_unique<QWidget>();
    new QVBoxLayout(host.get());
    host->resize(800, 600);
    browser = new WebEngineBrowser(host.get(), host.get());
    QObject::connect(browser, &WebBrowser::DocumentComplete, [this] { ++completions; });
    host->show();
  }
  void TearDown() override {
    host.reset();
    WebEngineBrowser::SetStorageFolder({});
  }
  // Navigates and waits for the document-complete event of that load.
  void Load(const std::string& url) {
    const int before = completions;
    browser->Navigate(url);
    ASSERT_TRUE(WaitUntil([&] { return completions > before; })) << url;
  }

  testsite::TestSite site;
  TempDir profileDir;
  std::unique_ptr<QWidget> host;
  WebEngineBrowser* browser = nullptr;
  int completions = 0;
};

// The main window with the site roots of the settings on the test site.
class WebFormTest : public FormTest {
 protected:
  void SetUp() override {
    WebEngineBrowser::SetStorageFolder(profileDir.path());
    FormTest::SetUp();
    TempDir::Write(Ini(), "[Weby]\r\nsk=" + site.Root() + "\r\ncom=" + site.Root() + "\r\n");
    form->show();
  }
  void TearDown() override {
    FormTest::TearDown();
    WebEngineBrowser::SetStorageFolder({});
  }
  WebEngineBrowser* Browser() const { return static_cast<WebEngineBrowser*>(form->WebBrowser1); }

  testsite::TestSite site;
  TempDir profileDir;
};
