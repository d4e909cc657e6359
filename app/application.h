#pragma once
#include <QApplication>

// The application object: a failure that ends a handler is shown where events are dispatched,
// and the event loop goes on.
class TApplication : public QApplication {
  Q_OBJECT
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// Settings the engine needs before the application object exists (sandbox as root, runtime
// folder, shared memory).
void PrepareEnvironment();
