#pragma once
// Opening a file with the program the desktop associates with it (the stand-in for
// ShellExecute's default action).
#include <functional>

#include "platform/ansi.h"

class QUrl;

namespace platform {

// False when the path names nothing or no program could be started for it.
bool OpenWithAssociatedProgram(const AnsiString& path);

// Tests hand the URL to a function of their own instead of the desktop; nullptr restores it.
void SetDocumentOpenerForTests(std::function<bool(const QUrl&)> opener);

}  // namespace platform
