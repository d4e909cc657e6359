#pragma once
// Opening a file with the program the desktop associates with it (the stand-in for
// ShellExecute's default action).
#include <filesystem>
#include <functional>

#include "platform/ansi.h"

class QUrl;

namespace platform {

// False when the path names nothing or no opener could be started for it. The desktop's opener
// runs on after this returns; when it ends reporting that it could not open the file, failed
// runs then (on the window thread).
bool OpenWithAssociatedProgram(const AnsiString& path, std::function<void()> failed = {});
bool OpenWithAssociatedProgram(const std::filesystem::path& native,
                               std::function<void()> failed = {});

// Tests hand the URL to a function of their own instead of the desktop; nullptr restores it.
void SetDocumentOpenerForTests(std::function<bool(const QUrl&)> opener);

}  // namespace platform
