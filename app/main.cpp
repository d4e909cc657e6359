#include "app/application.h"
#include "app/mainform.h"
#include "device/worker.h"
#include "filemanager/SuhlasCopyU.h"
#include "platform/paths.h"
#include "platform/qtui.h"

namespace {
constexpr int kExitWaitMs = 3000;
}  // namespace

int main(int argc, char** argv) {
  PrepareEnvironment();
  ChooseWriteFolders();
  TApplication app(argc, argv);
  platform::QtModalUi ui;
  platform::SetUi(&ui);
  platform::ShowSettingsNotice();

  TForm1 form;
  TPotvrd potvrd(&form);
  Potvrd = &potvrd;
  form.show();
  form.activateWindow();
  int result = TApplication::exec();
  Potvrd = nullptr;
  // A stopped copy still cleaning up, and the end of the link, get a moment; a handheld that
  // stopped answering does not keep the program from ending.
  device::WaitIdle(kExitWaitMs);
  return result;
}
