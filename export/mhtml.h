#pragma once
// The single-file web archive of a page: the page is fetched again by URL (with the browser's
// cookies, so a logged-in user's export holds what that user sees) and composed as a MIME
// multipart/related message. The classes keep the shape of the message-composition component
// the export code was written against: a message with CreateMHTMLBody and GetStream, a stream
// with SaveToFile.
#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

#include "platform/ansi.h"
#include "web/cookies.h"

struct FetchedPage {
  std::string body;
  std::string contentType;  // as the server sent it
};

// What the fetch sends on the browser's behalf.
struct BrowserIdentity {
  std::vector<BrowserCookie> cookies;  // the browser's whole store
  std::string userAgent;
};

// Far above any real cache page; the body past it, as received or as decompressed, is refused.
constexpr std::size_t kMaxPageBytes = std::size_t{64} << 20;

// GET over http or https only, a few redirects at most, certificates verified, a time limit.
// Each request, redirects included, carries only the cookies of the store that belong to its
// own address. An unreachable server, an HTTP error status, a refused redirect, a body over
// kMaxPageBytes or a timeout raises PlatformError with the reason.
FetchedPage FetchPage(const std::string& url, const BrowserIdentity& identity,
                      long timeoutSeconds = 60);

// The charset of a page: the Content-Type parameter, else a <meta> declaration, else windows-1250.
std::string PageCharset(const std::string& contentType, const std::string& html);
// The text of <title>, converted to UTF-8 from the page's charset.
std::string PageTitleUtf8(const std::string& html, const std::string& charset);

// The archive: MIME-Version, Date, Subject, multipart/related with one quoted-printable text/html
// part carrying its charset and the absolute URL as Content-Location; CR LF line ends.
std::string ComposeMhtml(const std::string& url, const std::string& html,
                         const std::string& charset, const std::string& subjectUtf8,
                         std::time_t date);

class AdoStream {
 public:
  explicit AdoStream(std::string bytes = {}) : bytes_(std::move(bytes)) {}
  const std::string& Bytes() const { return bytes_; }
  // options 2: create, overwriting an existing file. A file that cannot be written raises.
  void SaveToFile(const AnsiString& fileName, int options) const;

 private:
  std::string bytes_;
};

class CdoMessage {
 public:
  explicit CdoMessage(BrowserIdentity identity) : identity_(std::move(identity)) {}
  // flags 31: the page's HTML alone (no images, sounds, frames, objects or style sheets).
  void CreateMHTMLBody(const std::string& url, int flags, const std::string& user,
                       const std::string& password);
  const AdoStream& GetStream() const { return stream_; }

 private:
  BrowserIdentity identity_;
  AdoStream stream_;
};
