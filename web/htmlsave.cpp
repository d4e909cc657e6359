#include "web/htmlsave.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include "platform/error.h"

namespace {

struct Converter {
  explicit Converter(const std::string& charset) {
    UErrorCode error = U_ZERO_ERROR;
    handle = ucnv_open(charset.c_str(), &error);
    if (U_FAILURE(error)) handle = nullptr;
  }
  ~Converter() {
    if (handle) ucnv_close(handle);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  UConverter* handle = nullptr;
};

}  // namespace

bool CharsetSupported(const std::string& charset) {
  return !charset.empty() && Converter(charset).handle != nullptr;
}

std::string EncodeHtml(std::u16string_view html, const std::string& charset) {
  Converter converter(charset);
  if (!converter.handle) throw PlatformError("Unknown character set " + charset);
  UErrorCode error = U_ZERO_ERROR;
  ucnv_setFromUCallBack(converter.handle, UCNV_FROM_U_CALLBACK_ESCAPE, UCNV_ESCAPE_XML_DEC, nullptr,
                        nullptr, &error);
  const auto* source = reinterpret_cast<const UChar*>(html.data());
  const auto length = static_cast<int32_t>(html.size());
  std::string out(static_cast<std::size_t>(length) * 2 + 16, '\0');
  for (;;) {
    error = U_ZERO_ERROR;
    int32_t written = ucnv_fromUChars(converter.handle, out.data(),
                                      static_cast<int32_t>(out.size()), source, length, &error);
    if (error == U_BUFFER_OVERFLOW_ERROR) {
      out.resize(static_cast<std::size_t>(written) + 16);
      ucnv_resetFromUnicode(converter.handle);
      continue;
    }
    if (U_FAILURE(error)) throw PlatformError("Cannot convert the page to " + charset);
    out.resize(static_cast<std::size_t>(written));
    return out;
  }
}
