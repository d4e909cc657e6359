#include "export/mhtml.h"

#include <curl/curl.h>
#include <gmime/gmime.h>
#include <unicode/ucnv.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>
#include <string_view>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// The value of a "charset=" parameter in text, without quotes; lower is the text lower-cased
// (the callers have it already).
std::string CharsetParameter(std::string_view text, std::string_view lower) {
  size_t at = lower.find("charset=");
  if (at == std::string::npos) return {};
  at += 8;
  while (at < text.size() && (text[at] == '"' || text[at] == '\'' || text[at] == ' ')) ++at;
  size_t end = at;
  while (end < text.size() &&
         (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '-' ||
          text[end] == '_' || text[end] == '.' || text[end] == ':'))
    ++end;
  return std::string(text.substr(at, end - at));
}

constexpr int kMaxRedirects = 5;

const AnsiString kNotFetched = AnsiLiteral("Stránku %s sa nepodarilo stiahnuť: ");
const AnsiString kOffline =
    AnsiLiteral("Stránku %s sa nepodarilo načítať – skontrolujte pripojenie na internet. ");

// Why a transfer failed, in the user's words; what the user can do about the network first.
AnsiString FetchFailure(const std::string& url, CURLcode result, const char* detail) {
  switch (result) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return FormatMessage1(kOffline, url) + AnsiLiteral("(Adresa servera sa nenašla.)");
    case CURLE_COULDNT_CONNECT:
      return FormatMessage1(kOffline, url) + AnsiLiteral("(Server neprijal spojenie.)");
    case CURLE_OPERATION_TIMEDOUT:
      return FormatMessage1(kOffline, url) + AnsiLiteral("(Server neodpovedal včas.)");
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
      return FormatMessage1(kOffline, url) + AnsiLiteral("(Spojenie sa prerušilo.)");
    default:
      return FormatMessage1(kNotFetched, url) + AnsiLiteral("chyba siete (") + detail + ").";
  }
}

struct Body {
  std::string bytes;
  bool tooLarge = false;
};

// The body as decompressed; past the limit the transfer ends.
size_t Collect(char* data, size_t size, size_t count, void* user) {
  auto* body = static_cast<Body*>(user);
  if (body->bytes.size() + size * count > kMaxPageBytes) {
    body->tooLarge = true;
    return 0;
  }
  body->bytes.append(data, size * count);
  return size * count;
}

// The body as received (compressed, before decoding); past the limit the transfer ends.
int WatchReceived(void* user, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
  auto* body = static_cast<Body*>(user);
  if (received > static_cast<curl_off_t>(kMaxPageBytes)) body->tooLarge = true;
  return body->tooLarge ? 1 : 0;
}

void InitLibraries() {
  static std::once_flag once;
  std::call_once(once, [] {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    g_mime_init();
  });
}

template <typename T>
struct GObjectUnref {
  void operator()(T* object) const {
    if (object) g_object_unref(object);
  }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref<T>>;

}  // namespace

FetchedPage FetchPage(const std::string& url, const BrowserIdentity& identity,
                      long timeoutSeconds) {
  InitLibraries();
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
  if (!curl)
    throw PlatformError(FormatMessage1(kNotFetched, url) + AnsiLiteral("chýba HTTP klient."));
  CURL* handle = curl.get();
  Body body;
  char errorText[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_MAXREDIRS, static_cast<long>(kMaxRedirects));
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(handle, CURLOPT_TIMEOUT, timeoutSeconds);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxPageBytes));
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &Collect);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &body);
  curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &WatchReceived);
  curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &body);
  if (!identity.userAgent.empty())
    curl_easy_setopt(handle, CURLOPT_USERAGENT, identity.userAgent.c_str());
  // libcurl's own cookie engine, fed with the browser's store, picks each request's cookies by
  // its host, path and scheme, and keeps what the redirects set.
  curl_easy_setopt(handle, CURLOPT_COOKIEFILE, "");
  for (const BrowserCookie& cookie : identity.cookies) {
    const std::string line = NetscapeCookieLine(cookie);
    if (!line.empty()) curl_easy_setopt(handle, CURLOPT_COOKIELIST, line.c_str());
  }

  CURLcode result = curl_easy_perform(handle);
  if (body.tooLarge || result == CURLE_FILESIZE_EXCEEDED)
    throw PlatformError(FormatMessage1(kNotFetched, url) + AnsiLiteral("stránka je väčšia ako ") +
                        std::to_string(kMaxPageBytes >> 20) + " MiB.");
  if (result != CURLE_OK)
    throw PlatformError(
        FetchFailure(url, result, errorText[0] ? errorText : curl_easy_strerror(result)));
  long status = 0;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  if (status >= 400)
    throw PlatformError(FormatMessage1(kNotFetched, url) +
                        AnsiLiteral("server odpovedal chybou HTTP ") + std::to_string(status) +
                        ".");
  FetchedPage page;
  page.body = std::move(body.bytes);
  char* type = nullptr;
  curl_easy_getinfo(handle, CURLINFO_CONTENT_TYPE, &type);
  if (type) page.contentType = type;
  return page;
}

std::string PageCharset(const std::string& contentType, const std::string& html) {
  std::string charset = CharsetParameter(contentType, Lower(contentType));
  if (charset.empty()) {
    // Only the head is consulted, as a browser does.
    std::string head = html.substr(0, 4096);
    std::string lower = Lower(head);
    size_t meta = lower.find("<meta");
    while (meta != std::string::npos && charset.empty()) {
      size_t end = lower.find('>', meta);
      const size_t length = end == std::string::npos ? end : end - meta;
      charset = CharsetParameter(std::string_view(head).substr(meta, length),
                                 std::string_view(lower).substr(meta, length));
      meta = lower.find("<meta", meta + 5);
    }
  }
  return charset.empty() ? "windows-1250" : charset;
}

std::string PageTitleUtf8(const std::string& html, const std::string& charset) {
  std::string lower = Lower(html.substr(0, 65536));
  size_t open = lower.find("<title");
  if (open == std::string::npos) return {};
  open = lower.find('>', open);
  size_t close = lower.find("</title", open == std::string::npos ? 0 : open);
  if (open == std::string::npos || close == std::string::npos) return {};
  std::string raw = html.substr(open + 1, close - open - 1);
  std::string out(raw.size() * 4 + 4, '\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t n = ucnv_convert("utf-8", charset.c_str(), out.data(), static_cast<int32_t>(out.size()),
                           raw.data(), static_cast<int32_t>(raw.size()), &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<size_t>(n));
  // Collapse the white space a title spreads over lines with.
  std::string title;
  for (char c : out) {
    bool space = c == '\r' || c == '\n' || c == '\t' || c == ' ';
    if (space && (title.empty() || title.back() == ' ')) continue;
    title.push_back(space ? ' ' : c);
  }
  while (!title.empty() && title.back() == ' ') title.pop_back();
  return title;
}

std::string ComposeMhtml(const std::string& url, const std::string& html,
                         const std::string& charset, const std::string& subjectUtf8,
                         std::time_t date) {
  InitLibraries();
  GPtr<GMimeMessage> message(g_mime_message_new(TRUE));
  g_mime_object_set_header(GMIME_OBJECT(message.get()), "MIME-Version", "1.0", nullptr);
  g_mime_message_set_subject(message.get(), subjectUtf8.c_str(), "utf-8");
  GDateTime* when = g_date_time_new_from_unix_local(static_cast<gint64>(date));
  g_mime_message_set_date(message.get(), when);
  g_date_time_unref(when);

  GPtr<GMimeMultipart> related(g_mime_multipart_new_with_subtype("related"));
  g_mime_object_set_content_type_parameter(GMIME_OBJECT(related.get()), "type", "text/html");

  GPtr<GMimePart> part(g_mime_part_new_with_type("text", "html"));
  g_mime_object_set_content_type_parameter(GMIME_OBJECT(part.get()), "charset", charset.c_str());
  g_mime_part_set_content_encoding(part.get(), GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE);
  g_mime_part_set_content_location(part.get(), url.c_str());
  GPtr<GMimeStream> content(g_mime_stream_mem_new_with_buffer(html.data(), html.size()));
  GPtr<GMimeDataWrapper> wrapper(
      g_mime_data_wrapper_new_with_stream(content.get(), GMIME_CONTENT_ENCODING_DEFAULT));
  g_mime_part_set_content(part.get(), wrapper.get());
  g_mime_multipart_add(related.get(), GMIME_OBJECT(part.get()));
  g_mime_message_set_mime_part(message.get(), GMIME_OBJECT(related.get()));

  GMimeFormatOptions* options = g_mime_format_options_new();
  g_mime_format_options_set_newline_format(options, GMIME_NEWLINE_FORMAT_DOS);
  GPtr<GMimeStream> out(g_mime_stream_mem_new());
  g_mime_object_write_to_stream(GMIME_OBJECT(message.get()), options, out.get());
  g_mime_format_options_free(options);
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out.get()));
  return std::string(reinterpret_cast<const char*>(bytes->data), bytes->len);
}

void AdoStream::SaveToFile(const AnsiString& fileName, int /*options*/) const {
  // Both options the program passes create or overwrite; the old archive stays whole until the
  // new one is written.
  platform::ReplacementFile file =
      platform::ReplacementFile::Create(platform::ToNativePath(fileName));
  if (!file.IsOpen() || !file.WriteAndCommit(bytes_.data(), bytes_.size()))
    throw PlatformError("Write to file failed: " + fileName + " (error " +
                        std::to_string(platform::LastFileError()) + ")");
}

void CdoMessage::CreateMHTMLBody(const std::string& url, int /*flags*/, const std::string& /*user*/,
                                 const std::string& /*password*/) {
  // Every flag combination the program passes (31) asks for the HTML alone.
  FetchedPage page = FetchPage(url, identity_);
  const std::string charset = PageCharset(page.contentType, page.body);
  stream_ = AdoStream(
      ComposeMhtml(url, page.body, charset, PageTitleUtf8(page.body, charset), std::time(nullptr)));
}
