#include "platform/hold.h"

#include <utility>

namespace platform {
namespace {
InputHold* installed = nullptr;
int depth = 0;
}  // namespace

void SetInputHold(InputHold* hold) {
  installed = hold;
  depth = 0;
}

HeldInput::HeldInput(std::function<void()> stop) : hold_(installed) {
  if (hold_ && depth++ == 0) hold_->Begin(std::move(stop));
}

HeldInput::~HeldInput() {
  if (hold_ && hold_ == installed && --depth == 0) hold_->End();
}

}  // namespace platform
