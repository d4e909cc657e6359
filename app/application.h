#pragma once
#include <QApplication>

// The application object. Handlers report their own failures (TForm1::Reported,
// platform::RunReported); a failure that still reaches the event dispatch is shown there as a
// last resort, and the event loop goes on.
class TApplication : public QApplication {
  Q_OBJECT
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// Settings the engine needs before the application object exists (sandbox as root, runtime
// folder, shared memory).
void PrepareEnvironment();

// Where the program writes (platform::ChooseWriteFolders), decided once before the application
// object exists: the bundled handheld library learns its default folder through the
// environment, which is safe to change only while no other thread runs.
void ChooseWriteFolders();
