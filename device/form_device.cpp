// The handheld connect button.
#include <QToolButton>

#include "app/mainform.h"

void TForm1::ToolButton2Click() {}

void TForm1::WireDevice() {
  connect(ToolButton2, &QToolButton::clicked, this, &TForm1::ToolButton2Click);
}
