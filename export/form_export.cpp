// Export of the shown page, the batch export and the upload time limit.
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "app/mainform.h"

void TForm1::SpeedButton9Click() {}
void TForm1::SpeedButton6Click() {}
void TForm1::ToolButton12Click() { SpeedButton6Click(); }
void TForm1::Timer1Timer() {}

void TForm1::WireExport() {
  connect(SpeedButton9, &QPushButton::clicked, this, &TForm1::SpeedButton9Click);
  connect(SpeedButton6, &QPushButton::clicked, this, &TForm1::SpeedButton6Click);
  connect(ToolButton12, &QToolButton::clicked, this, &TForm1::ToolButton12Click);
  connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
}
