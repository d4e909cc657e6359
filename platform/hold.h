#pragma once
// User input held back while the window waits for work that input could misdirect (a copy to or
// from the handheld): held input is dropped, not queued for later. The window installs how it is
// done (a filter over its own input, with a stop control); this layer says when. Holds nest.
#include <functional>

namespace platform {

class InputHold {
 public:
  virtual ~InputHold() = default;
  // From now on input to the window is dropped, except Esc and the stop control, which call stop,
  // and closing the window, which the window handles itself.
  virtual void Begin(std::function<void()> stop) = 0;
  virtual void End() = 0;
};

// nullptr: no window, nothing to hold.
void SetInputHold(InputHold* hold);

class HeldInput {
 public:
  explicit HeldInput(std::function<void()> stop);
  ~HeldInput();
  HeldInput(const HeldInput&) = delete;
  HeldInput& operator=(const HeldInput&) = delete;

 private:
  InputHold* hold_;
};

}  // namespace platform
