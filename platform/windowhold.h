#pragma once
// The window's side of platform/hold.h: while a hold lasts, the user input of one window and its
// children is dropped, except what reaches the stop control (shown in the window after a moment,
// so a hold of a few milliseconds does not flash it) and the controls named to pass; Esc anywhere
// in the window stops. Other windows (a message box that opens meanwhile) get their input, and
// closing the window is the window's own affair.
#include <QObject>
#include <functional>
#include <vector>

#include "platform/hold.h"

class QAbstractButton;
class QTimer;
class QWidget;

namespace platform {

class WindowInputHold final : public QObject, public InputHold {
 public:
  // stop is hidden until a hold shows it; a click on it stops. pass: controls whose input goes on
  // (their own handlers decide what a click means during a hold).
  WindowInputHold(QWidget* window, QAbstractButton* stop, std::vector<QWidget*> pass);
  void Begin(std::function<void()> stop) override;
  void End() override;
  bool Holding() const { return holding_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool Passes(const QWidget* widget) const;
  QWidget* window_;
  QAbstractButton* stopControl_;
  std::vector<QWidget*> pass_;
  QTimer* showStop_;
  std::function<void()> stop_;
  bool holding_ = false;
};

}  // namespace platform
