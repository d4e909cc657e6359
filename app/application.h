#pragma once
#include <QApplication>
#include <exception>

// The application object. Handlers report their own failures (every connection and filter runs
// through platform::Reported); a failure that still reaches the event dispatch has crossed the
// toolkit's code, which is not built to be unwound: it is shown there as a last resort, and the
// event loop goes on.
class TApplication : public QApplication {
  Q_OBJECT
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;

 protected:
  // A failure that no handler reported. Tests make it a failure of the running test.
  virtual void FailureReachedDispatch(const std::exception& error);
};

// Settings the engine needs before the application object exists (sandbox as root, runtime
// folder, shared memory).
void PrepareEnvironment();

// Where the program writes (platform::ChooseWriteFolders), decided once before the application
// object exists: the bundled handheld library learns its default folder through the
// environment, which is safe to change only while no other thread runs.
void ChooseWriteFolders();
