#pragma once
// A web archive read back as a MIME reader sees it: the top part's type and its one HTML part.
#include <gmime/gmime.h>

#include <string>
#include <vector>

struct MimeArchivePart {
  std::string type;  // "image/png"
  std::string location;
};

struct MimeArchive {
  bool parsed = false;
  std::string subject;
  std::string topType;  // "multipart/related;text/html" (subtype and its "type" parameter)
  int parts = 0;
  std::string location;  // of the first part
  std::string charset;
  std::string html;  // decoded content of the first part
  std::vector<MimeArchivePart> all;
};

inline MimeArchive ReadMimeArchive(const std::string& bytes) {
  g_mime_init();
  MimeArchive a;
  GMimeStream* stream = g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size());
  GMimeParser* parser = g_mime_parser_new_with_stream(stream);
  GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
  if (message) {
    a.parsed = true;
    if (const char* s = g_mime_message_get_subject(message)) a.subject = s;
    GMimeObject* top = g_mime_message_get_mime_part(message);
    GMimeContentType* type = g_mime_object_get_content_type(top);
    a.topType = std::string(g_mime_content_type_get_media_type(type)) + "/" +
                g_mime_content_type_get_media_subtype(type);
    if (const char* t = g_mime_content_type_get_parameter(type, "type"))
      a.topType += ";" + std::string(t);
    if (GMIME_IS_MULTIPART(top)) a.parts = g_mime_multipart_get_count(GMIME_MULTIPART(top));
    for (int i = 0; i < a.parts; ++i) {
      GMimeObject* part = g_mime_multipart_get_part(GMIME_MULTIPART(top), i);
      GMimeContentType* t = g_mime_object_get_content_type(part);
      const char* l =
          GMIME_IS_PART(part) ? g_mime_part_get_content_location(GMIME_PART(part)) : nullptr;
      a.all.push_back({std::string(g_mime_content_type_get_media_type(t)) + "/" +
                           g_mime_content_type_get_media_subtype(t),
                       l ? l : ""});
    }
    if (a.parts > 0) {
      GMimePart* part = GMIME_PART(g_mime_multipart_get_part(GMIME_MULTIPART(top), 0));
      if (const char* l = g_mime_part_get_content_location(part)) a.location = l;
      if (const char* c = g_mime_object_get_content_type_parameter(GMIME_OBJECT(part), "charset"))
        a.charset = c;
      GMimeStream* out = g_mime_stream_mem_new();
      g_mime_data_wrapper_write_to_stream(g_mime_part_get_content(part), out);
      GByteArray* b = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out));
      a.html.assign(reinterpret_cast<const char*>(b->data), b->len);
      g_object_unref(out);
    }
    g_object_unref(message);
  }
  g_object_unref(parser);
  g_object_unref(stream);
  return a;
}
