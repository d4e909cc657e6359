// The tab "O programe": the program's own text, popisrtf.rtf beside the program.
#include <QTextBrowser>
#include <QVBoxLayout>
#include <exception>

#include "app/mainform.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/rtf.h"

void TForm1::BuildAboutTab() {
  TabSheet6 = AddPage("TabSheet6", QStringLiteral("O programe"));
  RichEdit1 = new QTextBrowser(TabSheet6);
  NameControl(RichEdit1, "RichEdit1", QStringLiteral("O programe"));
  RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  (new QVBoxLayout(TabSheet6))->addWidget(RichEdit1);
}

void TForm1::LoadAboutText() {
  try {
    RichEdit1->setHtml(
        platform::RtfToHtml(platform::ReadWholeFile(platform::ExecutableDir() / "popisrtf.rtf")));
  } catch (const std::exception&) {
    // No about text: the tab stays empty.
  }
}
