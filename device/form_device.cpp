// The handheld connect button.
#include <QCheckBox>
#include <QToolButton>

#include "app/mainform.h"
#include "device/link.h"

void TForm1::ToolButton2Click() {
  const bool connected = ConnectDevice();
  ToolButton2->setIcon(ImageList2[connected ? 6 : 7]);
  CheckBox1->setEnabled(connected);  // its tick stays as the user left it
  StatusBar1->SetPanelText(2, connected ? "PDA ON" : "PDA OFF");
}

void TForm1::WireDevice() {
  connect(ToolButton2, &QToolButton::clicked, this, Reported(&TForm1::ToolButton2Click));
}
