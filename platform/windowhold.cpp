#include "platform/windowhold.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <utility>

#include "platform/ui.h"

namespace platform {
namespace {

constexpr int kShowStopAfterMs = 300;

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      return true;
    default:
      return false;
  }
}

}  // namespace

WindowInputHold::WindowInputHold(QWidget* window, QAbstractButton* stop, std::vector<QWidget*> pass)
    : QObject(window),
      window_(window),
      stopControl_(stop),
      pass_(std::move(pass)),
      showStop_(new QTimer(this)) {
  pass_.push_back(stop);
  stop->hide();
  showStop_->setSingleShot(true);
  showStop_->setInterval(kShowStopAfterMs);
  connect(showStop_, &QTimer::timeout, this, Reported([this] {
            if (holding_) stopControl_->show();
          }));
  connect(stop, &QAbstractButton::clicked, this, Reported([this] {
            if (holding_ && stop_) stop_();
          }));
}

void WindowInputHold::Begin(std::function<void()> stop) {
  stop_ = std::move(stop);
  holding_ = true;
  qApp->installEventFilter(this);
  showStop_->start();
}

void WindowInputHold::End() {
  holding_ = false;
  qApp->removeEventFilter(this);
  showStop_->stop();
  stopControl_->hide();
  stop_ = nullptr;
}

bool WindowInputHold::Passes(const QWidget* widget) const {
  return std::any_of(pass_.begin(), pass_.end(), [widget](const QWidget* control) {
    return control && (widget == control || control->isAncestorOf(widget));
  });
}

bool WindowInputHold::eventFilter(QObject* watched, QEvent* event) {
  if (!holding_ || !IsUserInput(event->type())) return false;
  if (!watched->isWidgetType()) {
    // A shortcut of the window's actions; other objects (the window system's side of a
    // window) hand the event on to a widget, which is judged there.
    return event->type() == QEvent::Shortcut && qobject_cast<QAction*>(watched);
  }
  const auto* widget = static_cast<const QWidget*>(watched);
  if (widget->window() != window_) return false;  // a message box or dialog of its own
  if (event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    if (stop_) RunReported([this] { stop_(); });
    return true;
  }
  return !Passes(widget);
}

}  // namespace platform
