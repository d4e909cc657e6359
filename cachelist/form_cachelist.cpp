// The waypoint file and the two cache lists.
#include <QAction>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

#include "app/mainform.h"
#include "app/state.h"
#include "cachelist/waypoint.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/paths.h"

void TForm1::ToolButton10Click() {
  if (!OpenDialog2.Execute()) return;
  std::string text;
  try {
    text = platform::ReadWholeFile(platform::ToNativePath(OpenDialog2.FileName));
  } catch (const PlatformError&) {
    throw PlatformError(FormatMessage1("Cannot open file %s", OpenDialog2.FileName));
  }
  Memo2->setPlainText(FromAnsi(text));

  std::vector<CacheEntry> entries = ReadWaypointText(text);
  std::vector<AnsiString> names, codes;
  names.reserve(entries.size());
  codes.reserve(entries.size());
  for (CacheEntry& entry : entries) {
    names.push_back(std::move(entry.name));
    codes.push_back(std::move(entry.code));
  }
  CheckListBox1->SetItems(names);
  CheckListBox2->SetItems(codes);
  WaypointFile = OpenDialog2.FileName;
}

void TForm1::OtvorWPTsbor2Click() {
  ToolButton10Click();
}

void TForm1::SpeedButton1Click() {
  for (int i = 0; i < CheckListBox1->Count(); ++i) {
    CheckListBox1->SetChecked(i, true);
    CheckListBox2->SetChecked(i, true);
  }
}

void TForm1::SpeedButton2Click() {
  for (int i = 0; i < CheckListBox1->Count(); ++i) {
    CheckListBox1->SetChecked(i, false);
    CheckListBox2->SetChecked(i, false);
  }
}

void TForm1::CheckListBox1Click() {
  int i = CheckListBox1->ItemIndex();
  if (i >= 0) CheckListBox2->SetChecked(i, CheckListBox1->Checked(i));
}

void TForm1::CheckListBox2Click() {
  int i = CheckListBox2->ItemIndex();
  if (i >= 0) CheckListBox1->SetChecked(i, CheckListBox2->Checked(i));
}

void TForm1::CheckListBox1DblClick() {
  SpeedButton4Click();
}

void TForm1::WireCacheList() {
  connect(ToolButton10, &QToolButton::clicked, this, Reported(&TForm1::ToolButton10Click));
  connect(OtvorWPTsbor2, &QAction::triggered, this, Reported(&TForm1::OtvorWPTsbor2Click));
  connect(SpeedButton1, &QPushButton::clicked, this, Reported(&TForm1::SpeedButton1Click));
  connect(SpeedButton2, &QPushButton::clicked, this, Reported(&TForm1::SpeedButton2Click));
  connect(CheckListBox1, &TCheckListBox::clicked, this, Reported(&TForm1::CheckListBox1Click));
  connect(CheckListBox2, &TCheckListBox::clicked, this, Reported(&TForm1::CheckListBox2Click));
  connect(CheckListBox1, &QAbstractItemView::doubleClicked, this,
          Reported(&TForm1::CheckListBox1DblClick));
}
