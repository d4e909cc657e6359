#include "export/exportname.h"

#include "platform/paths.h"

AnsiString ExportName(std::string_view cache, int siteIndex, int pageIndex, int formIndex) {
  AnsiString name = "\\";
  name += platform::OneName(cache);
  if (siteIndex != 0)
    name += "_com";
  else if (pageIndex != 0)
    name += "_sk_tlac";
  else
    name += "_sk";
  name += formIndex == 1 ? ".mht" : ".htm";
  return name;
}
