// Any bytes as the about text: the reader never fails and gives a closed document.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/rtf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  QString html = platform::RtfToHtml(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!html.endsWith(QStringLiteral("</body></html>"))) std::abort();
  return 0;
}
