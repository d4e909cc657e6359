#include "platform/codepage.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <QStringDecoder>

#include <algorithm>
#include <stdexcept>

namespace {

// ICU's own substitution drops invisible characters (zero-width space, U+FFF0...) instead of
// replacing them; the Windows functions write "?" for every character the code page lacks, and
// a name made only of such characters must not come out empty.
void SubstituteEveryCharacter(const void*, UConverterFromUnicodeArgs* args, const UChar*, int32_t,
                              UChar32, UConverterCallbackReason reason, UErrorCode* status) {
  if (reason > UCNV_IRREGULAR) return;  // reset, close, clone: nothing to write
  *status = U_ZERO_ERROR;
  ucnv_cbFromUWriteSub(args, 0, status);
}

// One converter per thread: ICU converters are not thread-safe, and opening one per call
// would dominate the cost of short strings.
UConverter* Cp1250() {
  thread_local struct Holder {
    UConverter* conv = nullptr;
    Holder() {
      UErrorCode status = U_ZERO_ERROR;
      conv = ucnv_open("windows-1250", &status);
      if (U_FAILURE(status)) throw std::runtime_error("windows-1250 converter unavailable");
      status = U_ZERO_ERROR;
      ucnv_setSubstChars(conv, "?", 1, &status);
      status = U_ZERO_ERROR;
      ucnv_setFromUCallBack(conv, SubstituteEveryCharacter, nullptr, nullptr, nullptr, &status);
    }
    ~Holder() { ucnv_close(conv); }
  } holder;
  return holder.conv;
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::u16string AnsiToUtf16(std::string_view text) {
  if (text.empty()) return {};
  std::u16string out;
  if (IsAscii(text)) {
    out.assign(text.begin(), text.end());
    return out;
  }
  out.resize(text.size() * 2 + 2);
  UErrorCode status = U_ZERO_ERROR;
  UConverter* conv = Cp1250();
  ucnv_resetToUnicode(conv);
  int32_t n =
      ucnv_toUChars(conv, reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                    text.data(), static_cast<int32_t>(text.size()), &status);
  if (U_FAILURE(status)) return std::u16string(text.size(), u'?');
  out.resize(static_cast<size_t>(n));
  return out;
}

AnsiString Utf16ToAnsi(std::u16string_view text) {
  if (text.empty()) return {};
  bool ascii = true;
  for (char16_t c : text)
    if (c >= 0x80) {
      ascii = false;
      break;
    }
  AnsiString out;
  if (ascii) {
    out.reserve(text.size());
    for (char16_t c : text) out.push_back(static_cast<char>(c));
    return out;
  }
  out.resize(text.size() * 2 + 2);
  UErrorCode status = U_ZERO_ERROR;
  UConverter* conv = Cp1250();
  ucnv_resetFromUnicode(conv);
  int32_t n = ucnv_fromUChars(conv, out.data(), static_cast<int32_t>(out.size()),
                              reinterpret_cast<const UChar*>(text.data()),
                              static_cast<int32_t>(text.size()), &status);
  if (U_FAILURE(status)) return AnsiString(text.size(), '?');
  out.resize(static_cast<size_t>(n));
  return out;
}

QString FromAnsi(std::string_view text) {
  if (IsAscii(text)) return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
  std::u16string wide = AnsiToUtf16(text);
  return QString(reinterpret_cast<const QChar*>(wide.data()), static_cast<qsizetype>(wide.size()));
}

AnsiString ToAnsi(const QString& text) {
  return Utf16ToAnsi(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                         static_cast<size_t>(text.size())));
}

std::string AnsiToUtf8(std::string_view text) {
  if (IsAscii(text)) return std::string(text);
  return FromAnsi(text).toStdString();
}

AnsiString Utf8ToAnsi(std::string_view text) {
  if (IsAscii(text)) return AnsiString(text);
  return ToAnsi(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

QString DecodeText(std::string_view bytes, const QString& encoding) {
  QStringDecoder decoder(encoding.toLatin1().constData());
  if (encoding.isEmpty() || !decoder.isValid()) decoder = QStringDecoder(QStringConverter::Utf8);
  return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}
