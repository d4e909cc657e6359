#include "app/application.h"
#include "app/mainform.h"
#include "filemanager/SuhlasCopyU.h"
#include "platform/paths.h"
#include "platform/qtui.h"

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
  int result = app.exec();
  Potvrd = nullptr;
  return result;
}
