#include "platform/ui.h"

#include <cstdio>

#include "platform/codepage.h"

namespace platform {
namespace {

class SilentUi final : public ModalUi {
 public:
  void ShowMessage(const AnsiString& text) override {
    std::fprintf(stderr, "%s\n", AnsiToUtf8(text).c_str());
  }
  void MessageBox(const AnsiString& text, const AnsiString& caption, MessageIcon) override {
    std::fprintf(stderr, "%s: %s\n", AnsiToUtf8(caption).c_str(), AnsiToUtf8(text).c_str());
  }
  bool OpenFile(AnsiString&, const AnsiString&, const AnsiString&) override { return false; }
  int ShowModal(std::string_view, const std::function<int()>&) override { return mrCancel; }
  void SetCursor(CursorShape) override {}
};

SilentUi silent;
ModalUi* current = &silent;

}  // namespace

ModalUi& Ui() {
  return *current;
}
void SetUi(ModalUi* ui) {
  current = ui ? ui : &silent;
}

}  // namespace platform

#include "platform/error.h"

namespace platform {
void ReportError(const std::exception& error) noexcept {
  auto* own = dynamic_cast<const PlatformError*>(&error);
  const AnsiString text = own ? own->Message() : AnsiString(error.what());
  try {
    Ui().ShowMessage(text);
  } catch (...) {
    std::fprintf(stderr, "%s\n", text.c_str());
  }
}
}  // namespace platform
