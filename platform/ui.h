#pragma once
// Modal UI goes through this one service: the program installs real Qt dialogs, tests install
// a scripted service that records every message and answers every question.
#include <exception>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "platform/ansi.h"
#include "platform/leakcheck.h"

namespace platform {

enum class MessageIcon { None, Information, Warning, Exclamation, Error, Question };
enum class CursorShape { Default, Hourglass };

// Modal results as the dialogs report them.
enum ModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

class ModalUi {
 public:
  virtual ~ModalUi() = default;
  // ShowMessage: a plain box with the program's title and an OK button.
  virtual void ShowMessage(const AnsiString& text) = 0;
  // MessageBox with a caption and an icon, OK button.
  virtual void MessageBox(const AnsiString& text, const AnsiString& caption, MessageIcon icon) = 0;
  // The file-open dialog: fileName presets the dialog and receives the choice. False: cancelled.
  virtual bool OpenFile(AnsiString& fileName, const AnsiString& filter,
                        const AnsiString& defaultExt) = 0;
  // Shows a form modally; exec runs the real modal loop and returns its modal result.
  // A scripted service answers without calling exec.
  virtual int ShowModal(std::string_view formName, const std::function<int()>& exec) = 0;
  // The folder picker: folder (native, any letters) presets it and receives the choice. False:
  // cancelled (also by a service that has no picker).
  virtual bool ChooseFolder(std::filesystem::path& /*folder*/, const AnsiString& /*caption*/) {
    return false;
  }
  virtual void SetCursor(CursorShape shape) = 0;
};

// The service in force; a silent one (messages to stderr, dialogs cancelled) until one is set.
ModalUi& Ui();
void SetUi(ModalUi* ui);

// The default cursor comes back however a command or listing ends. A cursor service that fails
// here cannot be reported (a failure may be on its way already): the cursor stays as it is.
struct DefaultCursorAtEnd {
  ~DefaultCursorAtEnd() {
    try {
      Ui().SetCursor(CursorShape::Default);
    } catch (const std::exception&) {
    }
  }
};

}  // namespace platform

namespace platform {
// The general error report: the text of a failure that ended a command, in a message box.
// A report that cannot be shown goes to the standard error stream; it never raises.
void ReportError(const std::exception& error) noexcept;

// Runs a command and reports the failure that ends it. Every handler the toolkit calls (each
// connection, event filter and event override of the program) runs this way, so that no
// exception unwinds through the toolkit's own code, which is not written for it.
template <class Command>
void RunReported(Command&& command) noexcept {
  OwnWork checked;
  try {
    command();
  } catch (const std::exception& error) {
    ReportError(error);
  } catch (...) {
    ReportError(std::runtime_error("Unknown failure"));
  }
}

namespace detail {
template <class Handler, class Result, class Class, class... Args>
auto ReportedWith(Handler handler, Result (Class::*)(Args...) const) {
  return [handler = std::move(handler)](Args... args) { RunReported([&] { handler(args...); }); };
}
template <class Handler, class Result, class Class, class... Args>
auto ReportedWith(Handler handler, Result (Class::*)(Args...)) {
  return [handler = std::move(handler)](Args... args) mutable {
    RunReported([&] { handler(args...); });
  };
}
}  // namespace detail

// A handler (a lambda) as a connection or a filter takes it: the same parameters, the call run
// through RunReported. The toolkit still sees how many arguments the handler takes.
template <class Handler>
auto Reported(Handler handler) {
  return detail::ReportedWith(std::move(handler), &Handler::operator());
}
}  // namespace platform
