#pragma once
// The main window on its file manager tab, with a PC folder of its own and the bundled folder
// handheld, driven by real mouse events on the grids' viewports.
#include <QApplication>
#include <QTabWidget>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/shellopen.h"
#include "platform/state.h"
#include "support/device_folder.h"
#include "support/form_fixture.h"

class FileManagerTest : public FormTest {
 protected:
  // Activation as a later run does it: the handheld pane in deviceDir, the PC pane in the PC
  // folder; then the window is shown on the file manager tab.
  void Start(const AnsiString& deviceDir = "\\") {
    TempDir::Write(Ini(), "[Kdeukladatdata]\r\nWPTsubor=/x.wpt\r\n[LastCesty]\r\nPDA=" + deviceDir +
                              "\r\nPC=" + PcText() + "\r\n");
    form->FormActivate();
    form->resize(1000, 700);
    form->show();
    form->PageControl1->setCurrentWidget(form->TabSheet8);
    QApplication::processEvents();
  }

  AnsiString PcText(const std::filesystem::path& p = {}) const {
    return platform::FromNativePath(p.empty() ? pc.path() : p);
  }

  static QPoint CellPoint(TStringGrid* grid, int col, int row) {
    return grid->visualRect(grid->Cells()->index(row, col)).center();
  }
  static QPoint BelowRows(TStringGrid* grid) { return QPoint(20, grid->viewport()->height() - 3); }
  static void Press(TStringGrid* grid, Qt::MouseButton button, QPoint at,
                    Qt::KeyboardModifiers keys = {}) {
    QTest::mousePress(grid->viewport(), button, keys, at);
  }
  static void Click(TStringGrid* grid, Qt::MouseButton button, QPoint at,
                    Qt::KeyboardModifiers keys = {}) {
    QTest::mouseClick(grid->viewport(), button, keys, at);
  }
  static void ClickCell(TStringGrid* grid, int col, int row, Qt::KeyboardModifiers keys = {}) {
    Click(grid, Qt::LeftButton, CellPoint(grid, col, row), keys);
  }
  static void RightClickCell(TStringGrid* grid, int col, int row) {
    Click(grid, Qt::RightButton, CellPoint(grid, col, row));
    CloseMenus();
  }
  // Press, release, double click, release: what a real double click sends.
  static void DoubleClick(TStringGrid* grid, QPoint at) {
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
  }
  static void DoubleClickCell(TStringGrid* grid, int col, int row) {
    DoubleClick(grid, CellPoint(grid, col, row));
  }
  static void CloseMenus() {
    while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
  }
  // Rows 1 onwards of a column, top to bottom.
  static std::vector<AnsiString> Column(TStringGrid* grid, int col, int from = 1) {
    std::vector<AnsiString> out;
    for (int row = from; row < grid->RowCount(); ++row) out.push_back(grid->Cell(col, row));
    return out;
  }
  static int RowOf(TStringGrid* grid, const AnsiString& name) {
    for (int row = 1; row < grid->RowCount(); ++row)
      if (grid->Cell(0, row) == name) return row;
    return -1;
  }

  DeviceFolder device;
  TempDir pc;
};

// A file manager whose "open" records what it was asked to open instead of starting a program.
class FileManagerOpenTest : public FileManagerTest {
 protected:
  void SetUp() override {
    FileManagerTest::SetUp();
    platform::SetDocumentOpenerForTests([this](const QUrl& url) {
      opened.push_back(url.toLocalFile().toStdString());
      return true;
    });
  }
  void TearDown() override {
    platform::SetDocumentOpenerForTests(nullptr);
    FileManagerTest::TearDown();
  }
  std::vector<std::string> opened;
};
