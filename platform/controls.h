#pragma once
// Qt widgets in the roles of the common controls the window is built from: status bars with
// fixed-width panels, string grids, check lists, radio groups, drive boxes, directory tree and
// list. Texts cross these classes as code page 1250.
#include <QAbstractTableModel>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QTableView>
#include <QTreeWidget>
#include <QWidget>
#include <initializer_list>
#include <vector>

#include "platform/ansi.h"

class QButtonGroup;
class QLineEdit;
class QRadioButton;

namespace platform {

// A line edit's text as code page 1250, and back.
AnsiString EditText(const QLineEdit* edit);
void SetEditText(QLineEdit* edit, const AnsiString& text);

// Accessible name (what the control shows or its label says) and designer name.
void NameControl(QWidget* widget, const char* designerName, const QString& accessibleName);

// The window was laid out in pixels for the designer's 8-point font. Every such size goes
// through Scaled: multiplied by the ratio of the font in use to that font, measured once.
QFont DesignerFont();
double DesignerScale();
int Scaled(int designerPixels);

class TStatusBar : public QWidget {
  Q_OBJECT
 public:
  TStatusBar(const char* designerName, std::initializer_list<int> widths, QWidget* parent);
  int PanelCount() const { return static_cast<int>(panels_.size()); }
  QLabel* Panel(int index) const { return panels_.at(static_cast<size_t>(index)); }
  AnsiString PanelText(int index) const;
  void SetPanelText(int index, const AnsiString& text);

 private:
  std::vector<QLabel*> panels_;
};

// Cells of a string grid: 8-bit text, row 0 is the fixed header row.
class StringGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  StringGridModel(int columns, int rows, QObject* parent);
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  const AnsiString& Cell(int col, int row) const;
  void SetCell(int col, int row, const AnsiString& text);
  void SetRowCount(int rows);
  // Rows in a new order: order[i] is the old index of new row i (a permutation).
  void ReorderRows(const std::vector<int>& order);
  // Many cell writes as one change: views are told once, at EndUpdate.
  void BeginUpdate();
  void EndUpdate();

 private:
  int columns_;
  std::vector<std::vector<AnsiString>> rows_;
  int updating_ = 0;
};

struct TGridRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

class TStringGrid : public QTableView {
  Q_OBJECT
 public:
  TStringGrid(const char* designerName, std::initializer_list<int> widths, int columns,
              QWidget* parent);
  StringGridModel* Cells() const { return model_; }
  AnsiString Cell(int col, int row) const { return model_->Cell(col, row); }
  // A header text (row 0) always shows whole: a column too narrow for it is widened.
  void SetCell(int col, int row, const AnsiString& text);
  int RowCount() const { return model_->rowCount(); }
  void SetRowCount(int rows);
  int ColCount() const { return model_->columnCount(); }
  int VisibleColCount() const { return visibleColumns_; }
  // The selection rectangle; a grid without a selection gives the current cell.
  TGridRect Selection() const;
  void SetSelection(const TGridRect& rect);
  void BeginUpdate();
  void EndUpdate();

 private:
  StringGridModel* model_;
  int visibleColumns_;
};

class TCheckListBox : public QListWidget {
  Q_OBJECT
 public:
  TCheckListBox(const char* designerName, QWidget* parent);
  int Count() const { return count(); }
  AnsiString ItemText(int index) const;
  bool Checked(int index) const;
  void SetChecked(int index, bool checked);
  bool Selected(int index) const;
  void SetSelected(int index, bool selected);
  int ItemIndex() const { return currentRow(); }
  // Replaces the entries in one batch, all unchecked, none selected.
  void SetItems(const std::vector<AnsiString>& texts);
 Q_SIGNALS:
  // A click on an entry, reported after a click on its check box has changed the mark.
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

class TRadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  TRadioGroup(const char* designerName, const QString& caption, const QStringList& items,
              int itemIndex, QWidget* parent);
  int ItemIndex() const;  // -1 when none is chosen
  void SetItemIndex(int index);
 Q_SIGNALS:
  void clicked();

 private:
  QButtonGroup* group_;
  std::vector<QRadioButton*> buttons_;
};

class TDriveComboBox : public QComboBox {
  Q_OBJECT
 public:
  TDriveComboBox(const char* designerName, QWidget* parent);
  char Drive() const;  // upper-case letter
  // Selects the drive; an unavailable letter raises "I/O error 15" and leaves the box as it was.
  void SetDrive(char letter);
  void Refresh();
 Q_SIGNALS:
  void driveChanged();
};

// The directory tree of one drive.
class TDirectoryOutline : public QTreeWidget {
  Q_OBJECT
 public:
  TDirectoryOutline(const char* designerName, QWidget* parent);
  AnsiString Directory() const;
  void SetDrive(char letter);
  void SetDirectory(const AnsiString& directory);
 Q_SIGNALS:
  void mouseReleased();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void Populate(QTreeWidgetItem* item);
  QTreeWidgetItem* RootFor(char letter);
  QTreeWidgetItem* Expose(const QString& nativePath);
  char drive_ = 'C';
};

// The directory list of the PC pane: the path to the current directory, then its
// subdirectories. Its directory is also the process's current directory.
class TDirectoryListBox : public QListWidget {
  Q_OBJECT
 public:
  TDirectoryListBox(const char* designerName, QWidget* parent);
  AnsiString Directory() const { return directory_; }
  // A change raises changed(); the same directory raises nothing. A folder that cannot be
  // entered raises "I/O error %d" and leaves everything as it was.
  void SetDirectory(const AnsiString& directory);
  void SetDrive(char letter);
 Q_SIGNALS:
  void changed();

 private:
  void Fill();
  AnsiString directory_;
  std::vector<AnsiString> entryPaths_;
};

}  // namespace platform
