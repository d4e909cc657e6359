#include "export/exportname.h"

namespace {

// The cache part of a name as it is written into the file name.
AnsiString SafeCachePart(std::string_view cache) {
  AnsiString out(cache);
  for (char& c : out) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || byte < 0x20) c = '_';
  }
  return out;
}

}  // namespace

AnsiString ExportName(std::string_view cache, int siteIndex, int pageIndex, int formIndex) {
  AnsiString name = "\\";
  name += SafeCachePart(cache);
  if (siteIndex != 0)
    name += "_com";
  else if (pageIndex != 0)
    name += "_sk_tlac";
  else
    name += "_sk";
  name += formIndex == 1 ? ".mht" : ".htm";
  return name;
}
