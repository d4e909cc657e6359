#pragma once
// The browser control on Qt WebEngine: one view, one page, one named persistent profile.
#include <QNetworkCookie>
#include <QPointer>
#include <QWebEngineView>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "web/webbrowser.h"

class QWebEngineProfile;
class QWebEnginePage;
class QWidget;

class WebEngineBrowser : public WebBrowser {
  Q_OBJECT
 public:
  // The view goes into host's layout.
  explicit WebEngineBrowser(QWidget* host, QObject* parent = nullptr);
  ~WebEngineBrowser() override;

  // Where the profile keeps cookies and cache; empty: the user's data folder. Read when a
  // browser is made (tests give each window a folder of its own).
  static void SetStorageFolder(const std::filesystem::path& folder);

  void Navigate(const AnsiString& url) override;
  void Stop() override;
  bool Busy() const override { return loading_; }
  bool HasDocument() const override { return hasDocument_; }
  bool LoadFailed() const override { return loadFailed_; }
  AnsiString LocationURL() const override;
  QString Title() const override;

  void ClickElementByName(const AnsiString& name) override;
  void PutInnerText(const AnsiString& name, const AnsiString& value) override;
  AnsiString BodyMarkup() override;
  void RequireHtml() override;
  std::unique_ptr<TextRange> BodyTextRange() override;
  bool Save(QIODevice& stream) override;
  void SavePageArchive(const std::filesystem::path& target) override;

  std::vector<BrowserCookie> Cookies() const override;
  std::string UserAgent() const override;

  QWebEnginePage* Page() const { return page_; }

  // Runs the script body (after the helpers) and waits for its {v: ...} result; a failure
  // code or no answer raises PlatformError.
  QVariant Call(const QString& body, const AnsiString& elementName = {});

 private:
  class Range;
  static QString Script(const QString& body);
  QVariant RunScript(const QString& script);
  // Starts the work with a callback that ends the wait, then runs a nested event loop until it
  // is called or the time is up (user input held back, document-complete events held for
  // later). True when it was called; it may still be called after that, harmlessly.
  bool Await(const std::function<void(std::function<void()> done)>& start, int timeoutMs);
  QVariant Answer(const QVariant& answer, const AnsiString& elementName);
  void FetchBodyThenComplete();
  void DeliverComplete();
  void RequireDocument() const;
  void Forget(const QNetworkCookie& cookie);

  QWebEngineProfile* profile_ = nullptr;
  QWebEnginePage* page_ = nullptr;
  QPointer<QWebEngineView> view_;
  bool loading_ = false;
  bool hasDocument_ = false;
  bool loadFailed_ = false;
  int callDepth_ = 0;                   // synchronous script calls under way
  int heldCompletions_ = 0;             // document-complete events held back during such a call
  int loadSerial_ = 0;                  // changes with every load start and finish
  std::optional<QVariant> bodyAnswer_;  // the body's markup as the last finished load left it
  std::vector<QNetworkCookie> cookies_;
};
