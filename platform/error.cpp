#include "platform/error.h"

AnsiString FormatMessage1(std::string_view pattern, std::string_view argument) {
  AnsiString out;
  size_t at = pattern.find("%s");
  if (at == std::string_view::npos) return AnsiString(pattern);
  out.append(pattern.substr(0, at));
  out.append(argument);
  out.append(pattern.substr(at + 2));
  return out;
}

#include <cerrno>

unsigned WindowsErrorFromErrno(int error) {
  switch (error) {
    case 0:
      return 0;
    case ENOENT:
      return 2;
    case ENOTDIR:
      return 3;
    case EMFILE:
    case ENFILE:
      return 4;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return 5;
    case EBADF:
      return 6;
    case ENOMEM:
      return 8;
    case EXDEV:
      return 17;
    case EBUSY:
      return 32;
    case EEXIST:
      return 183;
    case ENOSPC:
    case EDQUOT:
      return 112;
    case ENOTEMPTY:
      return 145;
    case ENAMETOOLONG:
      return 206;
    case EINVAL:
      return 87;
    case ELOOP:
      return 1921;
    case EIO:
      return 1117;
    default:
      return 31;  // a device attached to the system is not functioning
  }
}
