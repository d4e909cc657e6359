#pragma once
// User input as the window system delivers it: queued and handled by the event loop, so an
// event loop that excludes user input leaves it waiting (QTest sends its input at once).
#include <qpa/qwindowsysteminterface.h>
#include <QWidget>
#include <QWindow>

inline void QueueClick(QWidget* widget) {
  QWidget* top = widget->window();
  QWindow* window = top->windowHandle();
  const QPoint centre = widget->rect().center();
  const QPointF local = widget->mapTo(top, centre);
  const QPointF global = widget->mapToGlobal(centre);
  QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
      window, local, global, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress);
  QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
      window, local, global, Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease);
}
