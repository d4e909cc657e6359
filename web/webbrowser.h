#pragma once
// The browser control as the program sees it: every operation the web session and the page
// export perform on the browser and on its HTML document. WebEngineBrowser (web/) is the one
// the program uses.
//
// Calls are synchronous. The document operations raise PlatformError when no HTML document is
// shown ("Interface not supported") or when the named element is missing.
#include <QObject>
#include <QString>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/ansi.h"
#include "web/cookies.h"

class QIODevice;

// A range over the text of the shown body.
class TextRange {
 public:
  virtual ~TextRange() = default;
  // Searches the range's text without regard to case (flags 0); a negative count searches
  // backwards. Found: the range then covers the match, which may span several elements.
  virtual bool FindText(const AnsiString& text, int count, int flags) = 0;
  // An empty range at the range's start (true) or end (false).
  virtual void Collapse(bool start) = 0;
  // Replaces the range's content with the parsed markup.
  virtual void PasteHTML(const AnsiString& html) = 0;
};

class WebBrowser : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~WebBrowser() override = default;

  // ---- the control
  // Returns at once; DocumentComplete follows when the page has loaded (or failed to).
  virtual void Navigate(const AnsiString& url) = 0;
  // Cancels a load in progress.
  virtual void Stop() = 0;
  // True from the start of a navigation until its load has finished.
  virtual bool Busy() const = 0;
  // False until the first load has finished.
  virtual bool HasDocument() const = 0;
  // Whether the last finished load failed (no connection, a host not found, a refused port):
  // the document shown is then the engine's own error page.
  virtual bool LoadFailed() const = 0;
  // The address of the shown page, percent-encoded (ASCII).
  virtual AnsiString LocationURL() const = 0;
  // The shown page's title.
  virtual QString Title() const = 0;

  // ---- the document
  // The first element in document order whose name or id equals the name.
  virtual void ClickElementByName(const AnsiString& name) = 0;
  // On an input or textarea the value (what the form submits), on other elements the text.
  virtual void PutInnerText(const AnsiString& name, const AnsiString& value) = 0;
  // The body's markup: upper-case element names, lower-case attribute names, values in double
  // quotes, the page's line breaks; code page 1250.
  virtual AnsiString BodyMarkup() = 0;
  // Raises as BodyMarkup would for the shown document, without reading the markup.
  virtual void RequireHtml() = 0;
  // A range over the whole body; a frame set or a document that is not HTML raises
  // "Interface not supported".
  virtual std::unique_ptr<TextRange> BodyTextRange() = 0;
  // Writes the document's current HTML (changes made to the page included) in the document's
  // character set, with a charset declaration that matches it. False when there is no HTML
  // document or the stream cannot be written.
  virtual bool Save(QIODevice& stream) = 0;
  // Writes the shown page as the engine archives it (MHTML) to file, a new file in a folder of
  // the caller's: the current document, changes made to it included, with its images, style
  // sheets and frames, each part under its address. Raises when no HTML document is shown or
  // the save fails or does not end in time.
  virtual void SavePageArchive(const std::filesystem::path& file) = 0;

  // ---- the session, for helpers that fetch pages as the browser does
  // Every cookie of the browser's store; which of them a request carries is for the fetcher's
  // cookie engine to decide, request by request.
  virtual std::vector<BrowserCookie> Cookies() const = 0;
  virtual std::string UserAgent() const = 0;

 Q_SIGNALS:
  // Each finished load of the top-level page, failed loads (error pages) included. Delivered
  // from the event loop, never from inside another browser call.
  void DocumentComplete();
  void ProgressChange(int progress, int progressMax);
  void NavigateComplete2();
  void DownloadComplete();
};
