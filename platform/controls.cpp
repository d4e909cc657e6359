#include "platform/controls.h"

#include <unistd.h>
#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/ui.h"

namespace platform {

void NameControl(QWidget* widget, const char* designerName, const QString& accessibleName) {
  widget->setObjectName(QString::fromLatin1(designerName));
  widget->setAccessibleDescription(QString::fromLatin1(designerName));
  widget->setAccessibleName(accessibleName);
}

QLabel* MakeLabel(const QString& text, QWidget* parent, const char* name) {
  auto* label = new QLabel(text, parent);
  NameControl(label, name, QString());
  return label;
}

QPushButton* MakeButton(const QString& text, QWidget* parent, const char* name) {
  auto* button = new QPushButton(text, parent);
  NameControl(button, name, text);
  button->setAutoDefault(false);
  return button;
}

QLineEdit* MakeEdit(QLabel* label, QWidget* parent, const char* name, const QString& text) {
  auto* edit = new QLineEdit(text, parent);
  NameControl(edit, name, label ? label->text() : QString::fromLatin1(name));
  if (label) label->setBuddy(edit);
  return edit;
}

QPlainTextEdit* MakeMemo(QWidget* parent, const char* name, const QString& accessibleName) {
  auto* memo = new QPlainTextEdit(parent);
  NameControl(memo, name, accessibleName);
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo->setReadOnly(false);
  return memo;
}

QIcon Icon(const char* resource) {
  return QIcon(QString::fromLatin1(resource));
}

QFont DesignerFont() {
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPointSize(8);
  return font;
}

double DesignerScale() {
  // The designer's font at 96 dots per inch: letters of 6 pixels on average (A-Z, a-z, as
  // dialog units are measured), lines of 13 pixels. Never below 1: designer sizes are minimums.
  constexpr double kDesignerLetter = 6.0;
  constexpr double kDesignerLine = 13.0;
  static const double scale = [] {
    const QFontMetricsF metrics(DesignerFont());
    const double letter = metrics.horizontalAdvance(QStringLiteral(
                              "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                          52.0;
    return std::max({1.0, letter / kDesignerLetter, metrics.height() / kDesignerLine});
  }();
  return scale;
}

int Scaled(int designerPixels) {
  return static_cast<int>(std::lround(designerPixels * DesignerScale()));
}

AnsiString EditText(const QLineEdit* edit) {
  return ToAnsi(edit->text());
}

void SetEditText(QLineEdit* edit, const AnsiString& text) {
  edit->setText(FromAnsi(text));
}

// ---------------------------------------------------------------------------------------------

TStatusBar::TStatusBar(const char* designerName, std::initializer_list<int> widths, QWidget* parent)
    : QWidget(parent) {
  NameControl(this, designerName, QString::fromLatin1(designerName));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  int index = 0;
  const int last = static_cast<int>(widths.size()) - 1;
  for (int width : widths) {
    auto* panel = new QLabel(this);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    // As in a native status bar, the last panel reaches to the bar's right end.
    const bool isLast = index == last;
    if (isLast)
      panel->setMinimumWidth(Scaled(width));
    else
      panel->setFixedWidth(Scaled(width));
    panel->setTextFormat(Qt::PlainText);
    QString name = QString::fromLatin1("%1.%2").arg(QString::fromLatin1(designerName)).arg(index++);
    panel->setObjectName(name);
    panel->setAccessibleDescription(name);
    layout->addWidget(panel, isLast ? 1 : 0);
    panels_.push_back(panel);
  }
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setFixedHeight(Scaled(19));
}

AnsiString TStatusBar::PanelText(int index) const {
  return ToAnsi(Panel(index)->text());
}

void TStatusBar::SetPanelText(int index, const AnsiString& text) {
  QString shown = FromAnsi(text);
  Panel(index)->setText(shown);
  Panel(index)->setAccessibleName(shown);
}

// ---------------------------------------------------------------------------------------------

StringGridModel::StringGridModel(int columns, int rows, QObject* parent)
    : QAbstractTableModel(parent), columns_(columns) {
  rows_.assign(static_cast<size_t>(rows), std::vector<AnsiString>(static_cast<size_t>(columns)));
  names_.resize(rows_.size());
}

int StringGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}
int StringGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : columns_;
}

QVariant StringGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
    return Text(index.column(), index.row());
  return {};
}

Qt::ItemFlags StringGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  // The fixed header row is never selected, and the current cell never moves into it.
  if (index.row() == 0) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

const AnsiString& StringGridModel::Cell(int col, int row) const {
  static const AnsiString empty;
  if (row < 0 || col < 0 || row >= static_cast<int>(rows_.size()) || col >= columns_) return empty;
  return rows_[static_cast<size_t>(row)][static_cast<size_t>(col)];
}

void StringGridModel::SetCell(int col, int row, const AnsiString& text) {
  if (row < 0 || col < 0 || row >= static_cast<int>(rows_.size()) || col >= columns_) return;
  rows_[static_cast<size_t>(row)][static_cast<size_t>(col)] = text;
  if (col == 0) names_[static_cast<size_t>(row)].clear();
  if (!updating_) Q_EMIT dataChanged(index(row, col), index(row, col));
}

QString StringGridModel::Text(int col, int row) const {
  if (col == 0 && row >= 0 && row < static_cast<int>(names_.size()) &&
      !names_[static_cast<size_t>(row)].isEmpty())
    return names_[static_cast<size_t>(row)];
  return FromAnsi(Cell(col, row));
}

void StringGridModel::SetRowName(int row, const QString& name) {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return;
  names_[static_cast<size_t>(row)] = name;
  if (!updating_) Q_EMIT dataChanged(index(row, 0), index(row, 0));
}

void StringGridModel::SetRowCount(int rows) {
  rows = std::max(rows, 0);
  int old = static_cast<int>(rows_.size());
  if (rows == old) return;
  if (updating_) {
    rows_.resize(static_cast<size_t>(rows), std::vector<AnsiString>(static_cast<size_t>(columns_)));
    names_.resize(rows_.size());
    return;
  }
  if (rows > old) {
    beginInsertRows({}, old, rows - 1);
    rows_.resize(static_cast<size_t>(rows), std::vector<AnsiString>(static_cast<size_t>(columns_)));
    names_.resize(rows_.size());
    endInsertRows();
  } else {
    beginRemoveRows({}, rows, old - 1);
    rows_.resize(static_cast<size_t>(rows));
    names_.resize(rows_.size());
    endRemoveRows();
  }
}

void StringGridModel::ReorderRows(const std::vector<int>& order) {
  std::vector<std::vector<AnsiString>> moved;
  moved.reserve(order.size());
  for (int from : order) moved.push_back(std::move(rows_[static_cast<size_t>(from)]));
  for (size_t i = 0; i < moved.size(); ++i) rows_[i] = std::move(moved[i]);
  std::vector<QString> names;
  names.reserve(order.size());
  for (int from : order) names.push_back(std::move(names_[static_cast<size_t>(from)]));
  std::move(names.begin(), names.end(), names_.begin());
  if (!updating_ && !rows_.empty())
    Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columns_ - 1));
}

void StringGridModel::BeginUpdate() {
  if (updating_++ == 0) beginResetModel();
}

void StringGridModel::EndUpdate() {
  if (updating_ > 0 && --updating_ == 0) endResetModel();
}

// ---------------------------------------------------------------------------------------------

TStringGrid::TStringGrid(const char* designerName, std::initializer_list<int> widths, int columns,
                         QWidget* parent)
    : QTableView(parent),
      model_(new StringGridModel(columns, 2, this)),
      visibleColumns_(static_cast<int>(widths.size())) {
  NameControl(this, designerName, QString::fromLatin1(designerName));
  setModel(model_);
  horizontalHeader()->hide();
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(Scaled(18));
  verticalHeader()->setMinimumSectionSize(Scaled(18));
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  setShowGrid(true);
  setTabKeyNavigation(false);
  QFont f(QStringLiteral("Microsoft Sans Serif"));
  f.setPointSize(8);
  setFont(f);
  int col = 0;
  for (int width : widths) setColumnWidth(col++, Scaled(width));
  for (int hidden = col; hidden < columns; ++hidden) setColumnHidden(hidden, true);
}

void TStringGrid::SetCell(int col, int row, const AnsiString& text) {
  model_->SetCell(col, row, text);
  if (row != 0 || col >= visibleColumns_) return;
  // Header cells are drawn in bold, at most 12 pixels in from the cell's left edge.
  constexpr int kHeaderInset = 14;
  QFont bold = font();
  bold.setBold(true);
  const int needed =
      static_cast<int>(std::ceil(QFontMetricsF(bold).horizontalAdvance(FromAnsi(text)))) +
      kHeaderInset;
  if (columnWidth(col) < needed) setColumnWidth(col, needed);
}

void TStringGrid::SetRowCount(int rows) {
  model_->SetRowCount(rows);
}

TGridRect TStringGrid::Selection() const {
  TGridRect rect;
  QModelIndexList selected =
      selectionModel() ? selectionModel()->selectedIndexes() : QModelIndexList();
  if (selected.isEmpty()) {
    QModelIndex cur = currentIndex();
    rect.Left = rect.Right = cur.isValid() ? cur.column() : 0;
    rect.Top = rect.Bottom = cur.isValid() ? cur.row() : 1;
    return rect;
  }
  rect.Left = rect.Right = selected.front().column();
  rect.Top = rect.Bottom = selected.front().row();
  for (const QModelIndex& i : selected) {
    rect.Left = std::min(rect.Left, i.column());
    rect.Right = std::max(rect.Right, i.column());
    rect.Top = std::min(rect.Top, i.row());
    rect.Bottom = std::max(rect.Bottom, i.row());
  }
  return rect;
}

void TStringGrid::SetSelection(const TGridRect& rect) {
  QItemSelection sel(model_->index(rect.Top, rect.Left), model_->index(rect.Bottom, rect.Right));
  selectionModel()->setCurrentIndex(model_->index(rect.Top, rect.Left),
                                    QItemSelectionModel::NoUpdate);
  selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
}

void TStringGrid::BeginUpdate() {
  setUpdatesEnabled(false);
  model_->BeginUpdate();
}

void TStringGrid::EndUpdate() {
  model_->EndUpdate();
  setUpdatesEnabled(true);
}

// ---------------------------------------------------------------------------------------------

ListTexts::ListTexts(const std::shared_ptr<const std::vector<AnsiString>>& texts)
    : keep_(texts),
      count_(static_cast<int>(texts->size())),
      text_([texts = texts.get()](int i) -> const AnsiString& {
        return (*texts)[static_cast<size_t>(i)];
      }) {}

int CheckListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return shown_ ? static_cast<int>(shown_->size()) : texts_.Count();
}

int CheckListModel::EntryOf(int row) const {
  if (row < 0 || row >= rowCount()) return -1;
  return shown_ ? (*shown_)[static_cast<size_t>(row)] : row;
}

int CheckListModel::RowOf(int entry) const {
  if (entry < 0 || entry >= texts_.Count()) return -1;
  if (!shown_) return entry;
  const auto at = std::lower_bound(shown_->begin(), shown_->end(), entry);
  return at != shown_->end() && *at == entry ? static_cast<int>(at - shown_->begin()) : -1;
}

QVariant CheckListModel::data(const QModelIndex& index, int role) const {
  const int entry = index.isValid() ? EntryOf(index.row()) : -1;
  if (entry < 0) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
      return FromAnsi(texts_.Text(entry));
    case Qt::CheckStateRole:
      return checks_[static_cast<size_t>(entry)] ? Qt::Checked : Qt::Unchecked;
    default:
      return {};
  }
}

bool CheckListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  const int entry = index.isValid() ? EntryOf(index.row()) : -1;
  if (role != Qt::CheckStateRole || entry < 0) return false;
  SetChecked(entry, value.value<Qt::CheckState>() == Qt::Checked);
  return true;
}

Qt::ItemFlags CheckListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
         Qt::ItemNeverHasChildren;
}

void CheckListModel::SetTexts(ListTexts texts) {
  beginResetModel();
  texts_ = std::move(texts);
  checks_.assign(static_cast<size_t>(texts_.Count()), false);
  checkedCount_ = 0;
  shown_.reset();
  endResetModel();
  Q_EMIT marksChanged();
}

void CheckListModel::SetShown(std::optional<std::vector<int>> entries) {
  beginResetModel();
  shown_ = std::move(entries);
  endResetModel();
}

bool CheckListModel::Checked(int index) const {
  return index >= 0 && index < texts_.Count() && checks_[static_cast<size_t>(index)];
}

void CheckListModel::SetChecked(int index, bool checked) {
  if (index < 0 || index >= texts_.Count()) return;
  if (checks_[static_cast<size_t>(index)] == checked) return;
  checks_[static_cast<size_t>(index)] = checked;
  checkedCount_ += checked ? 1 : -1;
  if (const int row = RowOf(index); row >= 0) {
    const QModelIndex at = this->index(row);
    Q_EMIT dataChanged(at, at, {Qt::CheckStateRole});
  }
  Q_EMIT marksChanged();
}

void CheckListModel::SetAllChecked(bool checked) {
  if (checks_.empty()) return;
  checks_.assign(checks_.size(), checked);
  checkedCount_ = checked ? texts_.Count() : 0;
  if (rowCount() > 0) Q_EMIT dataChanged(index(0), index(rowCount() - 1), {Qt::CheckStateRole});
  Q_EMIT marksChanged();
}

TCheckListBox::TCheckListBox(const char* designerName, QWidget* parent)
    : QListView(parent), model_(new CheckListModel(this)) {
  NameControl(this, designerName, QString::fromLatin1(designerName));
  setModel(model_);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  // A selection made in the view replaces one of a hidden entry.
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this](const QItemSelection& selected) {
            if (!selected.isEmpty()) hiddenSelected_ = -1;
          });
}

AnsiString TCheckListBox::ItemText(int index) const {
  if (index < 0 || index >= Count()) return {};
  return model_->Texts().Text(index);
}

bool TCheckListBox::Selected(int index) const {
  if (index < 0 || index >= Count()) return false;
  const int row = model_->RowOf(index);
  if (row < 0) return index == hiddenSelected_;
  return selectionModel()->isSelected(model_->index(row));
}

void TCheckListBox::SetSelected(int index, bool selected) {
  if (index < 0 || index >= Count()) return;
  const int row = model_->RowOf(index);
  if (row < 0) {
    if (selected) {
      clearSelection();
      hiddenSelected_ = index;
    } else if (hiddenSelected_ == index) {
      hiddenSelected_ = -1;
    }
    return;
  }
  const QModelIndex at = model_->index(row);
  if (selected)
    selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
  else
    selectionModel()->select(at, QItemSelectionModel::Deselect);
}

void TCheckListBox::SetShown(std::optional<std::vector<int>> entries) {
  int selected = hiddenSelected_;
  if (const QModelIndexList rows = selectionModel()->selectedIndexes(); !rows.isEmpty())
    selected = model_->EntryOf(rows.front().row());
  model_->SetShown(std::move(entries));
  hiddenSelected_ = -1;
  if (selected >= 0) SetSelected(selected, true);
}

void TCheckListBox::mouseReleaseEvent(QMouseEvent* event) {
  const QModelIndex hit = indexAt(event->position().toPoint());
  QListView::mouseReleaseEvent(event);
  if (!hit.isValid() || event->button() != Qt::LeftButton) return;
  // A click on the check box alone makes its entry the current one, as a click on the text does.
  if (currentIndex() != hit) setCurrentIndex(hit);
  Q_EMIT clicked();
}

void TCheckListBox::keyPressEvent(QKeyEvent* event) {
  QListView::keyPressEvent(event);
  if (event->key() == Qt::Key_Space && currentIndex().isValid()) Q_EMIT clicked();
}

void TCheckListBox::SetItems(ListTexts texts) {
  hiddenSelected_ = -1;
  model_->SetTexts(std::move(texts));
  setCurrentIndex({});
  clearSelection();
}

void TCheckListBox::SetItems(const std::vector<AnsiString>& texts) {
  SetItems(ListTexts(std::make_shared<const std::vector<AnsiString>>(texts)));
}

// ---------------------------------------------------------------------------------------------

TRadioGroup::TRadioGroup(const char* designerName, const QString& caption, const QStringList& items,
                         int itemIndex, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
  NameControl(this, designerName, caption);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 2, 6, 2);
  int id = 0;
  for (const QString& text : items) {
    auto* button = new QRadioButton(text, this);
    button->setAccessibleName(text);
    group_->addButton(button, id++);
    layout->addWidget(button);
    buttons_.push_back(button);
  }
  SetItemIndex(itemIndex);
  connect(group_, &QButtonGroup::idClicked, this, Reported([this](int) { Q_EMIT clicked(); }));
}

int TRadioGroup::ItemIndex() const {
  return group_->checkedId();
}

void TRadioGroup::SetItemIndex(int index) {
  if (index >= 0 && index < static_cast<int>(buttons_.size())) {
    buttons_[static_cast<size_t>(index)]->setChecked(true);
  } else if (QAbstractButton* b = group_->checkedButton()) {
    group_->setExclusive(false);
    b->setChecked(false);
    group_->setExclusive(true);
  }
}

// ---------------------------------------------------------------------------------------------

TDriveComboBox::TDriveComboBox(const char* designerName, QWidget* parent) : QComboBox(parent) {
  NameControl(this, designerName, QString::fromLatin1(designerName));
  Refresh();
  connect(this, &QComboBox::currentIndexChanged, this,
          Reported([this](int) { Q_EMIT driveChanged(); }));
}

void TDriveComboBox::Refresh() {
  QSignalBlocker block(this);
  char keep = count() > 0 ? Drive() : 'C';
  clear();
  for (const platform::Drive& d : ListDrives())
    addItem(FromAnsi(DriveText(d)), QVariant(static_cast<int>(d.letter)));
  int at = findData(QVariant(static_cast<int>(keep)));
  setCurrentIndex(at >= 0 ? at : 0);
}

char TDriveComboBox::Drive() const {
  QVariant v = currentData();
  return v.isValid() ? static_cast<char>(v.toInt()) : 'C';
}

void TDriveComboBox::SetDrive(char letter) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  int at = findData(QVariant(static_cast<int>(letter)));
  if (at < 0) {
    Refresh();
    at = findData(QVariant(static_cast<int>(letter)));
  }
  if (at < 0) throw PlatformError("I/O error 15");
  setCurrentIndex(at);
}

// ---------------------------------------------------------------------------------------------

namespace {
constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kFilledRole = Qt::UserRole + 2;

QStringList Subdirectories(const QString& path) {
  return QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                              QDir::Name | QDir::IgnoreCase);
}

QString JoinNative(const QString& dir, const QString& name) {
  return dir.endsWith(QLatin1Char('/')) ? dir + name : dir + QLatin1Char('/') + name;
}
}  // namespace

TDirectoryOutline::TDirectoryOutline(const char* designerName, QWidget* parent)
    : QTreeWidget(parent) {
  NameControl(this, designerName, QString::fromLatin1(designerName));
  setHeaderHidden(true);
  setColumnCount(1);
  connect(this, &QTreeWidget::itemExpanded, this,
          Reported([this](QTreeWidgetItem* item) { Populate(item); }));
  SetDrive('C');
}

QTreeWidgetItem* TDirectoryOutline::RootFor(char letter) {
  auto root = DriveRoot(letter);
  if (!root) throw PlatformError("I/O error 15");
  clear();
  auto* item = new QTreeWidgetItem(this);
  QString path = QString::fromStdString(root->string());
  item->setText(0, path);
  item->setData(0, kPathRole, path);
  Populate(item);
  item->setExpanded(true);
  return item;
}

void TDirectoryOutline::Populate(QTreeWidgetItem* item) {
  if (item->data(0, kFilledRole).toBool()) return;
  item->setData(0, kFilledRole, true);
  qDeleteAll(item->takeChildren());
  const QString path = item->data(0, kPathRole).toString();
  for (const QString& name : Subdirectories(path)) {
    auto* child = new QTreeWidgetItem(item);
    child->setText(0, name);
    child->setData(0, kPathRole, JoinNative(path, name));
    child->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  }
}

QTreeWidgetItem* TDirectoryOutline::Expose(const QString& nativePath) {
  QTreeWidgetItem* item = topLevelItem(0);
  if (!item) return nullptr;
  const QString rootPath = item->data(0, kPathRole).toString();
  QString rest = nativePath.mid(rootPath.size());
  for (const QString& part : rest.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
    Populate(item);
    item->setExpanded(true);
    QTreeWidgetItem* next = nullptr;
    for (int i = 0; i < item->childCount(); ++i)
      if (item->child(i)->text(0) == part) next = item->child(i);
    if (!next) break;
    item = next;
  }
  return item;
}

void TDirectoryOutline::SetDrive(char letter) {
  QTreeWidgetItem* root = RootFor(letter);
  drive_ = letter;
  setCurrentItem(root);
}

void TDirectoryOutline::SetDirectory(const AnsiString& directory) {
  std::filesystem::path native = ToNativePath(directory);
  std::error_code ec;
  if (!std::filesystem::is_directory(native, ec)) throw PlatformError("I/O error 3");
  char letter = DriveOf(native);
  if (letter != drive_ || !topLevelItem(0)) SetDrive(letter);
  if (QTreeWidgetItem* item = Expose(QString::fromStdString(native.string()))) setCurrentItem(item);
}

AnsiString TDirectoryOutline::Directory() const {
  QTreeWidgetItem* item = currentItem();
  if (!item) item = topLevelItem(0);
  return item ? ToAnsi(item->data(0, kPathRole).toString()) : AnsiString();
}

void TDirectoryOutline::mouseReleaseEvent(QMouseEvent* event) {
  QTreeWidget::mouseReleaseEvent(event);
  Q_EMIT mouseReleased();
}

// ---------------------------------------------------------------------------------------------

TDirectoryListBox::TDirectoryListBox(const char* designerName, QWidget* parent)
    : QListWidget(parent) {
  NameControl(this, designerName, QString::fromLatin1(designerName));
  directory_ = FromNativePath(std::filesystem::current_path());
  Fill();
  // The folder may have gone since the list was filled: that is reported, as any failure.
  connect(this, &QListWidget::itemDoubleClicked, this,
          Reported([this](QListWidgetItem* item) { Enter(item); }));
}

void TDirectoryListBox::Enter(const QListWidgetItem* item) {
  const int at = row(item);
  if (at < 0 || at >= static_cast<int>(entryPaths_.size())) return;
  const AnsiString path = entryPaths_[static_cast<size_t>(at)];  // the list is filled anew
  SetDirectory(path);
}

void TDirectoryListBox::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
    RunReported([this] { Enter(currentItem()); });
    return;
  }
  QListWidget::keyPressEvent(event);
}

void TDirectoryListBox::SetDirectory(const AnsiString& directory) {
  std::filesystem::path native = ToNativePath(directory);
  std::error_code ec;
  std::filesystem::path canonical = std::filesystem::weakly_canonical(native, ec);
  if (ec) canonical = native;
  if (::chdir(canonical.c_str()) != 0)
    throw PlatformError("I/O error " + std::to_string(WindowsErrorFromErrno(errno)));
  AnsiString text = FromNativePath(canonical);
  if (text == directory_) return;
  directory_ = text;
  Fill();
  Q_EMIT changed();
}

void TDirectoryListBox::SetDrive(char letter) {
  auto root = DriveRoot(letter);
  if (!root) throw PlatformError("I/O error 15");
  SetDirectory(FromNativePath(*root));
}

void TDirectoryListBox::Fill() {
  setUpdatesEnabled(false);
  clear();
  entryPaths_.clear();
  std::filesystem::path native = ToNativePath(directory_);
  // The way down from the root, then the folders below the current one, indented.
  std::vector<std::filesystem::path> chain;
  for (std::filesystem::path p = native;; p = p.parent_path()) {
    chain.push_back(p);
    if (p == p.parent_path() || p.empty()) break;
  }
  std::reverse(chain.begin(), chain.end());
  qsizetype depth = 0;
  for (const auto& p : chain) {
    QString label = depth == 0 ? QString::fromStdString(p.string())
                               : QString::fromStdString(p.filename().string());
    addItem(QString(depth * 2, QLatin1Char(' ')) + label);
    entryPaths_.push_back(FromNativePath(p));
    ++depth;
  }
  setCurrentRow(count() - 1);
  const QString here = QString::fromStdString(native.string());
  for (const QString& name : Subdirectories(here)) {
    addItem(QString(depth * 2, QLatin1Char(' ')) + name);
    entryPaths_.push_back(ToAnsi(JoinNative(here, name)));
  }
  setUpdatesEnabled(true);
}

}  // namespace platform
