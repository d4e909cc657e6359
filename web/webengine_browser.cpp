#include "web/webengine_browser.h"

#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLayout>
#include <QTimer>
#include <QUrl>
#include <QWebEngineCookieStore>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <algorithm>
#include <memory>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/ui.h"
#include "web/dom_scripts.h"
#include "web/htmlsave.h"

namespace {

// A script that has not answered by then never will (its document went away).
constexpr int kScriptTimeoutMs = 20000;
// The document-complete event does not wait longer for the body's markup than this.
constexpr int kBodyPrefetchMs = 5000;
// A page's archive is written to a local file: a save still running after this has failed.
constexpr int kSaveTimeoutMs = 60000;

// The body's markup, and the check alone: both refuse the same documents.
#define VIRESKA_NEED_HTML_BODY "if (!isHtml() || !document.body) return fail('nointerface');"
constexpr char kBodyMarkupBody[] =
    VIRESKA_NEED_HTML_BODY "var out = []; serialize(document.body, out); return {v: out.join('')};";
constexpr char kRequireHtmlBody[] = VIRESKA_NEED_HTML_BODY "return {v: true};";
#undef VIRESKA_NEED_HTML_BODY

std::filesystem::path& StorageFolder() {
  static std::filesystem::path folder;
  return folder;
}

QString JsString(const QString& text) {
  QByteArray json = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
  return QString::fromUtf8(json.mid(1, json.size() - 2));
}
QString JsString(const AnsiString& text) {
  return JsString(FromAnsi(text));
}

[[noreturn]] void NotSupported() {
  throw PlatformError("Interface not supported");
}

struct Waiter {
  bool done = false;
  QEventLoop* loop = nullptr;
};

BrowserCookie Plain(const QNetworkCookie& cookie) {
  BrowserCookie out;
  out.name = cookie.name().toStdString();
  out.value = cookie.value().toStdString();
  out.domain = cookie.domain().toStdString();
  out.path = cookie.path().isEmpty() ? std::string("/") : cookie.path().toStdString();
  out.secure = cookie.isSecure();
  out.httpOnly = cookie.isHttpOnly();
  if (!cookie.isSessionCookie()) out.expires = cookie.expirationDate().toMSecsSinceEpoch();
  return out;
}

}  // namespace

class WebEngineBrowser::Range final : public TextRange {
 public:
  Range(WebEngineBrowser* browser, QString token, int id)
      : browser_(browser), token_(std::move(token)), id_(id) {}

  // A range whose document is gone does nothing, as the page it belonged to is no longer shown.
  // Values enter a script only as JSON literals, joined once: a page text holding "%1" or
  // quotes is never read again as a format or as code.
  bool FindText(const AnsiString& text, int count, int flags) override {
    QVariant found =
        browser_->Call(Prefix() + QStringLiteral("return {v: findIn(r, ") + JsString(text) +
                       QStringLiteral(", ") + QString::number(count) + QStringLiteral(", ") +
                       QString::number(flags) + QStringLiteral(")};"));
    return found.toBool();
  }
  void Collapse(bool start) override {
    browser_->Call(Prefix() + QStringLiteral("r.collapse(") +
                   (start ? QStringLiteral("true") : QStringLiteral("false")) +
                   QStringLiteral("); return {v: true};"));
  }
  void PasteHTML(const AnsiString& html) override {
    browser_->Call(Prefix() + QStringLiteral("var f = r.createContextualFragment(") +
                   JsString(html) +
                   QStringLiteral("); r.deleteContents(); r.insertNode(f); r.collapse(false);"
                                  "return {v: true};"));
  }

 private:
  QString Prefix() const {
    return QStringLiteral("var r = rangeOf(") + JsString(token_) + QStringLiteral(", ") +
           QString::number(id_) + QStringLiteral("); if (!r) return {v: false};");
  }
  WebEngineBrowser* browser_;
  QString token_;
  int id_;
};

void WebEngineBrowser::Forget(const QNetworkCookie& cookie) {
  cookies_.erase(
      std::remove_if(cookies_.begin(), cookies_.end(),
                     [&](const QNetworkCookie& c) { return c.hasSameIdentifier(cookie); }),
      cookies_.end());
}

void WebEngineBrowser::SetStorageFolder(const std::filesystem::path& folder) {
  StorageFolder() = folder;
}

WebEngineBrowser::WebEngineBrowser(QWidget* host, QObject* parent) : WebBrowser(parent) {
  profile_ = new QWebEngineProfile(QStringLiteral("Vireska"));
  if (!StorageFolder().empty()) {
    profile_->setPersistentStoragePath(
        QString::fromStdString((StorageFolder() / "storage").string()));
    profile_->setCachePath(QString::fromStdString((StorageFolder() / "cache").string()));
  }
  // A login survives a restart, as users expect of a browser.
  profile_->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);

  QWebEngineCookieStore* store = profile_->cookieStore();
  connect(store, &QWebEngineCookieStore::cookieAdded, this,
          platform::Reported([this](const QNetworkCookie& cookie) {
            Forget(cookie);
            cookies_.push_back(cookie);
          }));
  connect(store, &QWebEngineCookieStore::cookieRemoved, this,
          platform::Reported([this](const QNetworkCookie& cookie) { Forget(cookie); }));
  store->loadAllCookies();

  page_ = new QWebEnginePage(profile_);
  connect(page_, &QWebEnginePage::loadStarted, this, platform::Reported([this] {
            loading_ = true;
            ++loadSerial_;
            bodyAnswer_.reset();
          }));
  connect(page_, &QWebEnginePage::loadProgress, this,
          platform::Reported([this](int progress) { Q_EMIT ProgressChange(progress, 100); }));
  connect(page_, &QWebEnginePage::urlChanged, this,
          platform::Reported([this] { Q_EMIT NavigateComplete2(); }));
  connect(page_, &QWebEnginePage::loadFinished, this, platform::Reported([this](bool ok) {
            loading_ = false;
            hasDocument_ = true;
            loadFailed_ = !ok;
            Q_EMIT DownloadComplete();
            FetchBodyThenComplete();
          }));

  view_ = new QWebEngineView(host);
  view_->setPage(page_);
  if (host && host->layout()) host->layout()->addWidget(view_);
}

WebEngineBrowser::~WebEngineBrowser() {
  // The view before its page, the page before its profile.
  delete view_.data();
  delete page_;
  delete profile_;
}

void WebEngineBrowser::Navigate(const AnsiString& url) {
  QUrl target(FromAnsi(url));
  if (target.scheme().isEmpty()) target = QUrl::fromUserInput(FromAnsi(url));
  loading_ = true;
  page_->load(target);
}

void WebEngineBrowser::Stop() {
  page_->triggerAction(QWebEnginePage::Stop);
}

AnsiString WebEngineBrowser::LocationURL() const {
  return page_->url().toEncoded().toStdString();
}

QString WebEngineBrowser::Title() const {
  return page_->title();
}

void WebEngineBrowser::RequireDocument() const {
  if (!hasDocument_) NotSupported();
}

// The document-complete handler reads the body first. Its markup is asked for here, without
// waiting, and the event follows with the answer: a script call waited for inside that
// handler can stay unanswered in this engine (seen after a load that streamed slowly), while
// one sent from here is answered. The handler pumps messages, sleeps and may raise, so it
// runs from the event loop, never from inside the engine.
void WebEngineBrowser::FetchBodyThenComplete() {
  const int serial = ++loadSerial_;
  auto delivered = std::make_shared<bool>(false);
  QPointer<WebEngineBrowser> self(this);
  auto deliver = [self, delivered] {
    if (*delivered || !self) return;
    *delivered = true;
    QMetaObject::invokeMethod(self, &WebEngineBrowser::DeliverComplete, Qt::QueuedConnection);
  };
  page_->runJavaScript(Script(QString::fromLatin1(kBodyMarkupBody)), QWebEngineScript::MainWorld,
                       platform::Reported([self, serial, deliver](const QVariant& answer) {
                         if (self && self->loadSerial_ == serial) self->bodyAnswer_ = answer;
                         deliver();
                       }));
  QTimer::singleShot(kBodyPrefetchMs, this, deliver);
}

void WebEngineBrowser::DeliverComplete() {
  if (callDepth_ > 0) {
    ++heldCompletions_;
    return;
  }
  Q_EMIT DocumentComplete();
}

bool WebEngineBrowser::Await(const std::function<void(std::function<void()> done)>& start,
                             int timeoutMs) {
  auto waiter = std::make_shared<Waiter>();
  QEventLoop loop;
  ++callDepth_;
  // The callback may come after this wait has given up, so it reaches state that outlives it.
  start([waiter] {
    waiter->done = true;
    if (waiter->loop) waiter->loop->quit();
  });
  if (!waiter->done) {
    waiter->loop = &loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    // User input waits until the call is over, as it would for a call into the old control.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    waiter->loop = nullptr;
  }
  if (--callDepth_ == 0) {
    for (; heldCompletions_ > 0; --heldCompletions_)
      QMetaObject::invokeMethod(this, &WebEngineBrowser::DeliverComplete, Qt::QueuedConnection);
  }
  return waiter->done;
}

QVariant WebEngineBrowser::RunScript(const QString& script) {
  auto result = std::make_shared<QVariant>();
  // The page's own world: in this engine a script for a world of its own can stay unanswered
  // after some loads.
  const bool answered = Await(
      [&](const std::function<void()>& done) {
        page_->runJavaScript(script, QWebEngineScript::MainWorld,
                             platform::Reported([result, done](const QVariant& answer) {
                               *result = answer;
                               done();
                             }));
      },
      kScriptTimeoutMs);
  if (!answered) throw PlatformError("The page does not answer");
  return *result;
}

QString WebEngineBrowser::Script(const QString& body) {
  return QStringLiteral("(function () {\n") + web_scripts::Helpers() +
         QStringLiteral("\nreturn (function () {\n") + body + QStringLiteral("\n})();\n})()");
}

QVariant WebEngineBrowser::Call(const QString& body, const AnsiString& elementName) {
  RequireDocument();
  bodyAnswer_.reset();  // the call may change the page
  return Answer(RunScript(Script(body)), elementName);
}

QVariant WebEngineBrowser::Answer(const QVariant& answer, const AnsiString& elementName) {
  // null, undefined and a thrown error all come back as an invalid value.
  if (answer.typeId() != QMetaType::QVariantMap) NotSupported();
  QVariantMap map = answer.toMap();
  if (map.contains(QStringLiteral("v"))) return map.value(QStringLiteral("v"));
  const QString code = map.value(QStringLiteral("e")).toString();
  if (code == QStringLiteral("noelement"))
    throw PlatformError(FormatMessage1("Element \"%s\" not found", elementName));
  NotSupported();
}

void WebEngineBrowser::ClickElementByName(const AnsiString& name) {
  Call(QStringLiteral("if (!isHtml()) return fail('nointerface');var e = byName(") +
           JsString(name) +
           QStringLiteral("); if (!e) return fail('noelement'); e.click(); return {v: true};"),
       name);
}

void WebEngineBrowser::PutInnerText(const AnsiString& name, const AnsiString& value) {
  Call(QStringLiteral("if (!isHtml()) return fail('nointerface');var e = byName(") +
           JsString(name) + QStringLiteral("); var value = ") + JsString(value) +
           QStringLiteral("; if (!e) return fail('noelement');"
                          "var t = e.tagName.toUpperCase();"
                          "if (t === 'INPUT' || t === 'TEXTAREA') e.value = value;"
                          "else e.innerText = value; return {v: true};"),
       name);
}

AnsiString WebEngineBrowser::BodyMarkup() {
  if (bodyAnswer_) {
    // Read once, by the document-complete handler; later the page may have changed itself.
    const QVariant answer = *bodyAnswer_;
    bodyAnswer_.reset();
    RequireDocument();
    return ToAnsi(Answer(answer, {}).toString());
  }
  return ToAnsi(Call(QString::fromLatin1(kBodyMarkupBody)).toString());
}

void WebEngineBrowser::RequireHtml() {
  Call(QString::fromLatin1(kRequireHtmlBody));
}

std::unique_ptr<TextRange> WebEngineBrowser::BodyTextRange() {
  QVariant id = Call(QStringLiteral(
      "var b = document.body;"
      "if (!isHtml() || !b || b.tagName.toUpperCase() !== 'BODY') return fail('nointerface');"
      "var r = document.createRange(); r.selectNodeContents(b);"
      "V.ranges.push(r); return {v: [V.token, V.ranges.length - 1]};"));
  QVariantList handle = id.toList();
  if (handle.size() != 2) NotSupported();
  return std::make_unique<Range>(this, handle[0].toString(), handle[1].toInt());
}

bool WebEngineBrowser::Save(QIODevice& stream) {
  try {
    QString charset = Call(QStringLiteral("if (!isHtml()) return fail('nointerface');"
                                          "return {v: document.characterSet};"))
                          .toString();
    std::string name = charset.toStdString();
    if (!CharsetSupported(name)) name = "UTF-8";
    QString html =
        Call(QStringLiteral("var h = savedHtml(") + JsString(QString::fromStdString(name)) +
             QStringLiteral("); if (h === null) return fail('nointerface');"
                            "return {v: h};"))
            .toString();
    std::string bytes = EncodeHtml(html.toStdU16String(), name);
    return stream.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
           static_cast<qint64>(bytes.size());
  } catch (const PlatformError&) {
    return false;
  }
}

void WebEngineBrowser::SavePageArchive(const std::filesystem::path& target) {
  RequireHtml();
  const QString file = QFile::decodeName(target.c_str());
  QPointer<QWebEngineDownloadRequest> save;
  auto state = std::make_shared<QWebEngineDownloadRequest::DownloadState>(
      QWebEngineDownloadRequest::DownloadRequested);
  QMetaObject::Connection requested;
  const bool ended = Await(
      [&](const std::function<void()>& done) {
        requested =
            connect(profile_, &QWebEngineProfile::downloadRequested, this,
                    platform::Reported([&, state, done](QWebEngineDownloadRequest* request) {
                      if (save || !request->isSavePageDownload() || request->page() != page_)
                        return;
                      save = request;
                      connect(request, &QWebEngineDownloadRequest::isFinishedChanged, this,
                              platform::Reported([request, state, done] {
                                if (!request->isFinished()) return;
                                *state = request->state();
                                done();
                                request->deleteLater();  // the profile would keep it otherwise
                              }));
                    }));
        page_->save(file, QWebEngineDownloadRequest::MimeHtmlSaveFormat);
      },
      kSaveTimeoutMs);
  disconnect(requested);
  if (save) disconnect(save, nullptr, this, nullptr);
  if (!ended) {
    if (save) save->cancel();
    throw PlatformError("The page could not be saved in time");
  }
  if (*state != QWebEngineDownloadRequest::DownloadCompleted)
    throw PlatformError("The page could not be saved");
}

std::vector<BrowserCookie> WebEngineBrowser::Cookies() const {
  std::vector<BrowserCookie> jar;
  jar.reserve(cookies_.size());
  for (const QNetworkCookie& cookie : cookies_) jar.push_back(Plain(cookie));
  return jar;
}

std::string WebEngineBrowser::UserAgent() const {
  return profile_->httpUserAgent().toStdString();
}
