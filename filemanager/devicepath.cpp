#include "filemanager/devicepath.h"

AnsiString ParentDeviceDir(std::string_view dir) {
  // The last character is the directory's own closing "\": look before it.
  if (dir.size() < 2) return "\\";
  const size_t at = dir.rfind('\\', dir.size() - 2);
  if (at == std::string_view::npos) return "\\";
  return AnsiString(dir.substr(0, at + 1));
}

AnsiString RootedDeviceDir(std::string_view dir) {
  AnsiString rooted = dir.empty() || dir.front() != '\\' ? "\\" : "";
  rooted += dir;
  if (rooted.back() != '\\') rooted += '\\';
  return rooted;
}
