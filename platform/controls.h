#pragma once
// Qt widgets in the roles of the common controls the window is built from: status bars with
// fixed-width panels, string grids, check lists, radio groups, drive boxes, directory tree and
// list. Texts cross these classes as code page 1250.
#include <QAbstractTableModel>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QTableView>
#include <QTreeWidget>
#include <QWidget>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

#include "platform/ansi.h"

class QButtonGroup;
class QIcon;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace platform {

// A line edit's text as code page 1250, and back.
AnsiString EditText(const QLineEdit* edit);
void SetEditText(QLineEdit* edit, const AnsiString& text);

// Accessible name (what the control shows or its label says) and designer name.
void NameControl(QWidget* widget, const char* designerName, const QString& accessibleName);

// The plain controls every tab is built from, named as NameControl names them.
// A label's accessible name is left to the toolkit, which takes the text the label shows now.
QLabel* MakeLabel(const QString& text, QWidget* parent, const char* name);
QPushButton* MakeButton(const QString& text, QWidget* parent, const char* name);
// An edit named for assistive technology by the label above it (by its designer name without
// one).
QLineEdit* MakeEdit(QLabel* label, QWidget* parent, const char* name, const QString& text = {});
// An editable text box that does not wrap its lines.
QPlainTextEdit* MakeMemo(QWidget* parent, const char* name, const QString& accessibleName);
// An icon of the program's resources (":/img/...").
QIcon Icon(const char* resource);

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
  // What a cell shows: the text of its row's name where the first cell has one, else the cell.
  QString Text(int col, int row) const;
  // A row's name in full, for its first cell: code page 1250 loses every letter it lacks, the
  // name keeps them. It is shown, read out and kept with its row through re-ordering; writing
  // the first cell drops it.
  void SetRowName(int row, const QString& name);
  void SetRowCount(int rows);
  // Rows in a new order: order[i] is the old index of new row i (a permutation).
  void ReorderRows(const std::vector<int>& order);
  // Many cell writes as one change: views are told once, at EndUpdate.
  void BeginUpdate();
  void EndUpdate();

 private:
  int columns_;
  std::vector<std::vector<AnsiString>> rows_;
  std::vector<QString> names_;  // one per row, empty where the first cell is the name
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
  QString Text(int col, int row) const { return model_->Text(col, row); }
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

// The texts of a check list's entries, read in place from rows the list shares with their
// owner: two lists over the same rows have the same length by construction.
class ListTexts {
 public:
  ListTexts() = default;
  explicit ListTexts(const std::shared_ptr<const std::vector<AnsiString>>& texts);
  template <class Row>
  ListTexts(const std::shared_ptr<const std::vector<Row>>& rows, AnsiString Row::*field)
      : keep_(rows),
        count_(static_cast<int>(rows->size())),
        text_([rows = rows.get(), field](int i) -> const AnsiString& {
          return (*rows)[static_cast<size_t>(i)].*field;
        }) {}
  int Count() const { return count_; }
  const AnsiString& Text(int index) const { return text_(index); }

 private:
  std::shared_ptr<const void> keep_;
  int count_ = 0;
  std::function<const AnsiString&(int)> text_;
};

// A check list's entries: their texts, and their check marks as one bit each.
class CheckListModel : public QAbstractListModel {
  Q_OBJECT
 public:
  using QAbstractListModel::QAbstractListModel;
  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  const ListTexts& Texts() const { return texts_; }
  // New entries, all unchecked, all shown.
  void SetTexts(ListTexts texts);
  // Marks belong to entries (indexes into the texts), shown or not.
  bool Checked(int index) const;
  void SetChecked(int index, bool checked);
  // Every entry at once, told to the view as one change.
  void SetAllChecked(bool checked);
  int CheckedCount() const { return checkedCount_; }

  // The entries the view shows, in ascending order; none given: all. Rows of the view are the
  // shown entries.
  void SetShown(std::optional<std::vector<int>> entries);
  bool Filtered() const { return shown_.has_value(); }
  int EntryCount() const { return texts_.Count(); }
  int EntryOf(int row) const;
  int RowOf(int entry) const;  // -1 when hidden
 Q_SIGNALS:
  // A mark changed, of a shown entry or a hidden one, or the entries were replaced.
  void marksChanged();

 private:
  ListTexts texts_;
  std::vector<bool> checks_;
  int checkedCount_ = 0;
  std::optional<std::vector<int>> shown_;
};

class TCheckListBox : public QListView {
  Q_OBJECT
 public:
  TCheckListBox(const char* designerName, QWidget* parent);
  CheckListModel* Entries() const { return model_; }
  // Entries, shown or hidden: every index below is an entry's.
  int Count() const { return model_->EntryCount(); }
  AnsiString ItemText(int index) const;
  bool Checked(int index) const { return model_->Checked(index); }
  void SetChecked(int index, bool checked) { model_->SetChecked(index, checked); }
  void SetAllChecked(bool checked) { model_->SetAllChecked(checked); }
  bool Selected(int index) const;
  void SetSelected(int index, bool selected);
  int ItemIndex() const { return model_->EntryOf(currentIndex().row()); }
  // Replaces the entries in one change, all unchecked, none selected, all shown.
  void SetItems(ListTexts texts);
  void SetItems(const std::vector<AnsiString>& texts);
  // Shows only these entries (ascending), or all. The selected entry stays selected, shown or
  // not: a command that selects a hidden entry acts on it as on a shown one.
  void SetShown(std::optional<std::vector<int>> entries);
  // The entry's place in the viewport (empty when hidden).
  QRect ItemRect(int index) const { return visualRect(model_->index(model_->RowOf(index))); }
 Q_SIGNALS:
  // A click on an entry, reported after a click on its check box has changed the mark.
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  CheckListModel* model_;
  int hiddenSelected_ = -1;  // an entry selected while the view does not show it
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

 protected:
  void keyPressEvent(QKeyEvent* event) override;  // Enter enters the current folder

 private:
  void Enter(const QListWidgetItem* item);
  void Fill();
  AnsiString directory_;
  std::vector<AnsiString> entryPaths_;
};

}  // namespace platform
