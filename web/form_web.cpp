// Browser primitives, login and page scan, cache pages and hints.
#include <QPushButton>

#include "app/mainform.h"
#include "app/state.h"

void TForm1::SpeedButton11Click() { PageReady = true; }
void TForm1::WebBrowser1ProgressChange(int, int) {}
void TForm1::WebBrowser1NavigateComplete2() {}
void TForm1::WebBrowser1DownloadComplete() {}
void TForm1::SpeedButton5Click() {}
void TForm1::WebBrowser1DocumentComplete() {}
void TForm1::SpeedButton4Click() {}
void TForm1::SpeedButton7Click() {}

void TForm1::WireWeb() {
  connect(SpeedButton11, &QPushButton::clicked, this, &TForm1::SpeedButton11Click);
  connect(SpeedButton5, &QPushButton::clicked, this, &TForm1::SpeedButton5Click);
  connect(SpeedButton4, &QPushButton::clicked, this, &TForm1::SpeedButton4Click);
  connect(SpeedButton7, &QPushButton::clicked, this, &TForm1::SpeedButton7Click);
}
