#include "export/mhtpictures.h"

#include <gmime/gmime.h>

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <algorithm>
#include <memory>

#include "platform/codepage.h"

namespace {

template <class T>
struct GObjectFree {
  void operator()(T* object) const {
    if (object) g_object_unref(object);
  }
};
template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectFree<T>>;

std::string Decoded(GMimePart* part) {
  GMimeDataWrapper* content = g_mime_part_get_content(part);
  if (!content) return {};
  GObjectPtr<GMimeStream> out(g_mime_stream_mem_new());
  g_mime_data_wrapper_write_to_stream(content, out.get());
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out.get()));
  return std::string(reinterpret_cast<const char*>(bytes->data), bytes->len);
}

bool HasSpoiler(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
      .contains(QLatin1String("spoiler"), Qt::CaseInsensitive);
}

// Whether the page names the picture at location a spoiler: in the <img> tag that shows it, in
// the link around it, or in the caption after it (up to the link's end or the next picture).
bool NamedSpoiler(const std::string& html, const std::string& location) {
  if (HasSpoiler(location)) return true;
  for (size_t at = html.find(location); at != std::string::npos; at = html.find(location, at + 1)) {
    const size_t tag = html.rfind('<', at);
    if (tag == std::string::npos) continue;
    const size_t tagEnd = html.find('>', at);
    if (HasSpoiler(std::string_view(html).substr(tag, tagEnd - tag))) return true;
    // The link it stands in.
    const size_t link = html.rfind("<a ", tag);
    const size_t linkClosed = html.rfind("</a>", tag);
    if (link != std::string::npos && (linkClosed == std::string::npos || linkClosed < link)) {
      const size_t linkEnd = html.find('>', link);
      if (HasSpoiler(std::string_view(html).substr(link, linkEnd - link))) return true;
    }
    // Its caption.
    const size_t from = tagEnd == std::string::npos ? at : tagEnd;
    size_t to = std::min({html.find("</a>", from), html.find("<img", from), from + 300});
    to = std::min(to, html.size());
    if (HasSpoiler(std::string_view(html).substr(from, to - from))) return true;
  }
  return false;
}

}  // namespace

std::vector<MhtPicture> MhtPictures(std::string_view mht) {
  g_mime_init();
  std::vector<MhtPicture> pictures;
  GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(mht.data(), mht.size()));
  GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
  GObjectPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
  if (!message) return pictures;
  GMimeObject* top = g_mime_message_get_mime_part(message.get());
  if (!top || !GMIME_IS_MULTIPART(top)) return pictures;
  GMimeMultipart* parts = GMIME_MULTIPART(top);
  std::string html;
  for (int i = 0; i < g_mime_multipart_get_count(parts); ++i) {
    GMimeObject* object = g_mime_multipart_get_part(parts, i);
    if (!GMIME_IS_PART(object)) continue;
    GMimeContentType* type = g_mime_object_get_content_type(object);
    const char* location = g_mime_object_get_header(object, "Content-Location");
    if (g_mime_content_type_is_type(type, "text", "html") && html.empty()) {
      html = Decoded(GMIME_PART(object));
    } else if (g_mime_content_type_is_type(type, "image", "*")) {
      pictures.push_back({location ? location : "", Decoded(GMIME_PART(object)), false});
    }
  }
  for (MhtPicture& picture : pictures)
    picture.spoiler = !picture.location.empty() && NamedSpoiler(html, picture.location);
  return pictures;
}

std::string GpsPhotoFolder(std::string_view code, bool spoiler) {
  std::string folder;
  if (code.size() >= 2) {
    folder += code[code.size() - 1];
    folder += '/';
    folder += code[code.size() - 2];
    folder += '/';
  }
  folder += std::string(code) + "/";
  if (spoiler) folder += "Spoilers/";
  return folder;
}

std::string GpsPhotoName(std::string_view location, std::vector<std::string>& taken) {
  const QUrl url(QString::fromUtf8(location.data(), static_cast<qsizetype>(location.size())));
  QString stem = url.fileName();
  if (const qsizetype dot = stem.lastIndexOf(QLatin1Char('.')); dot > 0) stem.truncate(dot);
  QString kept;
  for (const QChar c : stem)
    if ((c.isLetterOrNumber() && FromAnsi(ToAnsi(QString(c))) == QString(c)) ||
        c == QLatin1Char(' ') || c == QLatin1Char('-') || c == QLatin1Char('_') ||
        c == QLatin1Char('.'))
      kept += c;
  kept = kept.trimmed().left(60);
  if (kept.isEmpty()) kept = QStringLiteral("obrazok");
  std::string name = kept.toStdString() + ".jpg";
  for (int n = 2; std::find(taken.begin(), taken.end(), name) != taken.end(); ++n)
    name = kept.toStdString() + "_" + std::to_string(n) + ".jpg";
  taken.push_back(name);
  return name;
}
