#pragma once
// The one exception type for platform failures (files, settings, document, network, device
// library). Handlers let it pass; the application shows its text in the general error report.
#include <exception>
#include <string>
#include <utility>

#include "platform/ansi.h"

class PlatformError : public std::exception {
 public:
  explicit PlatformError(AnsiString message) : message_(std::move(message)) {}
  // Code page 1250 text, as shown to the user.
  const AnsiString& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  AnsiString message_;
};

// printf-like formatting of a fixed message with one string argument ("%s").
AnsiString FormatMessage1(std::string_view pattern, std::string_view argument);

// The Windows error number that stands for an errno value (2 file not found, 3 path not found,
// 5 access denied, 112 disk full, 145 directory not empty, 183 already exists, ...).
unsigned WindowsErrorFromErrno(int error);
