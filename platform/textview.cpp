#include "platform/textview.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>

#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/textlines.h"

namespace platform {
namespace {

constexpr int kMargin = 4;

// What a reader is told: the text as a read-only text control tells it.
class TextViewAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit TextViewAccessible(TTextView* view)
      : QAccessibleWidget(view, QAccessible::EditableText) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    s.multiLine = true;
    return s;
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return View()->toPlainText();
    return QAccessibleWidget::text(t);
  }

  void selection(int, int* startOffset, int* endOffset) const override {
    *startOffset = View()->SelectionStart();
    *endOffset = View()->SelectionEnd();
  }
  int selectionCount() const override {
    return View()->SelectionEnd() > View()->SelectionStart() ? 1 : 0;
  }
  void addSelection(int start, int end) override { View()->SetSelection(start, end); }
  void removeSelection(int) override { View()->SetSelection(cursor_, cursor_); }
  void setSelection(int, int start, int end) override { View()->SetSelection(start, end); }
  int cursorPosition() const override { return cursor_; }
  void setCursorPosition(int position) override {
    cursor_ = std::clamp(position, 0, characterCount());
    View()->ShowLine(View()->LineAt(cursor_));
  }
  QString text(int startOffset, int endOffset) const override {
    return View()->Text(startOffset, endOffset);
  }
  QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                       int* endOffset) const override {
    const TTextView* view = View();
    const int count = characterCount();
    if (offset < 0 || offset > count) {
      *startOffset = *endOffset = -1;
      return {};
    }
    if (boundary == QAccessible::CharBoundary) {
      *startOffset = offset;
      *endOffset = std::min(offset + 1, count);
      return view->Text(*startOffset, *endOffset);
    }
    if (boundary == QAccessible::LineBoundary) {
      const int line = view->LineAt(offset);
      *startOffset = view->LineOffset(line);
      *endOffset = std::min(*startOffset + view->LineLength(line) + 1, count);
      return view->Text(*startOffset, *endOffset);
    }
    return QAccessibleTextInterface::textAtOffset(offset, boundary, startOffset, endOffset);
  }
  int characterCount() const override { return View()->CharacterCount(); }
  QRect characterRect(int offset) const override {
    const TTextView* view = View();
    const int line = view->LineAt(offset);
    const QString before = view->Text(view->LineOffset(line), offset);
    const QFontMetrics metrics(view->font());
    QRect rect = view->LineRect(line);
    rect.setLeft(rect.left() + metrics.horizontalAdvance(before));
    rect.setWidth(metrics.horizontalAdvance(view->Text(offset, offset + 1)));
    return QRect(view->viewport()->mapToGlobal(rect.topLeft()), rect.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    const TTextView* view = View();
    const QPoint local = view->viewport()->mapFromGlobal(point);
    for (int line = view->verticalScrollBar()->value(); line < view->LineCount(); ++line) {
      const QRect rect = view->LineRect(line);
      if (rect.top() > local.y()) break;
      if (rect.bottom() < local.y()) continue;
      const QString text = view->Line(line);
      const QFontMetrics metrics(view->font());
      for (int i = 0; i < text.size(); ++i)
        if (rect.left() + metrics.horizontalAdvance(text.left(i + 1)) > local.x())
          return view->LineOffset(line) + i;
      return view->LineOffset(line) + static_cast<int>(text.size());
    }
    return -1;
  }
  void scrollToSubstring(int startIndex, int) override {
    View()->ShowLine(View()->LineAt(startIndex));
  }
  QString attributes(int offset, int* startOffset, int* endOffset) const override {
    *startOffset = *endOffset = offset;
    return {};
  }

 private:
  TTextView* View() const { return static_cast<TTextView*>(widget()); }
  int cursor_ = 0;
};

QAccessibleInterface* TextViewFactory(const QString& className, QObject* object) {
  if (className == QLatin1String("platform::TTextView") && object && object->isWidgetType())
    return new TextViewAccessible(static_cast<TTextView*>(object));
  return nullptr;
}

}  // namespace

TTextView::TTextView(const char* designerName, QWidget* parent) : QAbstractScrollArea(parent) {
  static const bool factoryInstalled = [] {
    QAccessible::installFactory(&TextViewFactory);
    return true;
  }();
  (void)factoryInstalled;
  NameControl(this, designerName, QString::fromLatin1(designerName));
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  SetText(std::string());
}

namespace {

// Line starts of a text of 8-bit or 16-bit units from start on, broken as a text control breaks
// them: at CR LF, a lone CR, a lone LF.
template <typename Text>
void SplitLines(const Text& text, size_t start, std::vector<TTextView::LineStart>& lines,
                int& longestLine) {
  const auto size = static_cast<size_t>(text.size());
  // Room for lines of 32 characters on average, so a big file's index is not copied as it
  // grows: reserved pages that longer lines leave unused are never touched and cost nothing.
  lines.reserve(size / 32 + 1);
  size_t chars = 0, longest = 0, longestLength = 0;
  for (;;) {
    lines.push_back({static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(chars)});
    size_t end = start, next = size;
    if constexpr (std::is_same_v<Text, std::string>) {
      const LineEnd line = FindLineEnd(text, start);
      end = line.end;
      next = line.next;
    } else {
      while (end < size && text[end] != u'\n' && text[end] != u'\r') ++end;
      next = end < size ? end + 1 : size;
      if (end + 1 < size && text[end] == u'\r' && text[end + 1] == u'\n') next = end + 2;
    }
    if (end - start > longestLength) {
      longestLength = end - start;
      longest = lines.size() - 1;
    }
    if (end == size) break;
    chars += end - start + 1;
    start = next;
  }
  longestLine = static_cast<int>(longest);
}

}  // namespace

void TTextView::SetText(std::string bytes) {
  SetText(std::move(bytes), QString());
}

void TTextView::SetText(std::string bytes, const QString& encoding) {
  // Offsets are 32-bit: the files shown here are limited far below that.
  if (bytes.size() >= std::numeric_limits<std::uint32_t>::max()) bytes.resize(0);
  auto shared = std::make_shared<const std::string>(std::move(bytes));
  isEncoded_ = !encoding.isEmpty();
  isUtf8_ = encoding.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0 ||
            encoding.compare(QLatin1String("UTF8"), Qt::CaseInsensitive) == 0;
  if (isEncoded_) {
    // Each line decoded on its own: no state carried over, a mark opening a line kept.
    const auto flags =
        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;
    decoder_ = QStringDecoder(encoding.toLatin1().constData(), flags);
    if (!decoder_.isValid()) decoder_ = QStringDecoder(QStringConverter::Utf8, flags);
  }
  const size_t start =
      isUtf8_ && shared->compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // bytes of the UTF-8 mark
  std::vector<LineStart> lines;
  SplitLines(*shared, start, lines, longestLine_);
  bytes_ = std::move(shared);
  decoded_.clear();
  isDecoded_ = false;
  // Shown characters are bytes in code page 1250; in another encoding they are counted later.
  charactersCounted_ = !isEncoded_;
  lines_ = std::move(lines);
  Reset();
}

void TTextView::SetText(QString text) {
  if (static_cast<size_t>(text.size()) >= std::numeric_limits<std::uint32_t>::max()) text.clear();
  std::vector<LineStart> lines;
  SplitLines(text, 0, lines, longestLine_);
  bytes_ = std::make_shared<const std::string>();
  decoded_ = std::move(text);
  isDecoded_ = true;
  isEncoded_ = false;
  charactersCounted_ = true;
  lines_ = std::move(lines);
  Reset();
}

void TTextView::Reset() {
  anchor_ = cursor_ = 0;
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  UpdateScrollBars();
  viewport()->update();
}

std::string_view TTextView::LineBytes(int index) const {
  const auto i = static_cast<size_t>(index);
  const size_t start = lines_[i].byte;
  size_t end = i + 1 < lines_.size() ? lines_[i + 1].byte : bytes_->size();
  while (end > start && ((*bytes_)[end - 1] == '\n' || (*bytes_)[end - 1] == '\r')) --end;
  return std::string_view(*bytes_).substr(start, end - start);
}

QStringView TTextView::LineChars(int index) const {
  const auto i = static_cast<size_t>(index);
  const qsizetype start = lines_[i].byte;
  qsizetype end = i + 1 < lines_.size() ? lines_[i + 1].byte : decoded_.size();
  while (end > start && (decoded_[end - 1] == u'\n' || decoded_[end - 1] == u'\r')) --end;
  return QStringView(decoded_).mid(start, end - start);
}

QString TTextView::Decode(int line, int from, int count) const {
  if (isDecoded_) return LineChars(line).mid(from, count).toString();
  if (isEncoded_) return Line(line).mid(from, count);
  return FromAnsi(LineBytes(line).substr(static_cast<size_t>(from), static_cast<size_t>(count)));
}

QString TTextView::Line(int index) const {
  if (isDecoded_) return LineChars(index).toString();
  const std::string_view bytes = LineBytes(index);
  if (isEncoded_) return decoder_.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
  return FromAnsi(bytes);
}

int TTextView::LineLength(int line) const {
  if (isEncoded_) return static_cast<int>(Line(line).size());
  return static_cast<int>(isDecoded_ ? LineChars(line).size() : LineBytes(line).size());
}

int TTextView::LineOffset(int line) const {
  CountCharacters();
  return static_cast<int>(lines_[static_cast<size_t>(line)].chars);
}

void TTextView::CountCharacters() const {
  if (charactersCounted_) return;
  std::uint32_t chars = 0;
  for (size_t line = 0; line < lines_.size(); ++line) {
    lines_[line].chars = chars;
    chars += static_cast<std::uint32_t>(Line(static_cast<int>(line)).size()) + 1;
  }
  charactersCounted_ = true;
}

int TTextView::CharacterCount() const {
  const int last = LineCount() - 1;
  return LineOffset(last) + LineLength(last);
}

int TTextView::LineAt(int offset) const {
  CountCharacters();
  auto after = std::upper_bound(
      lines_.begin(), lines_.end(), static_cast<std::uint32_t>(std::max(offset, 0)),
      [](std::uint32_t value, const LineStart& line) { return value < line.chars; });
  return static_cast<int>(after - lines_.begin()) - 1;
}

QString TTextView::Text(int start, int end) const {
  start = std::clamp(start, 0, CharacterCount());
  end = std::clamp(end, start, CharacterCount());
  QString out;
  for (int line = LineAt(start); line < LineCount(); ++line) {
    const int offset = LineOffset(line), length = LineLength(line);
    if (offset >= end) break;
    const int from = std::max(start, offset) - offset, to = std::min(end, offset + length) - offset;
    if (to > from) out += Decode(line, from, to - from);
    // The line break after the line, where it lies within the range.
    if (line + 1 < LineCount() && offset + length >= start && offset + length < end)
      out += QLatin1Char('\n');
  }
  return out;
}

QString TTextView::toPlainText() const {
  return Text(0, CharacterCount());
}

int TTextView::LineHeight() const {
  return fontMetrics().lineSpacing();
}

QRect TTextView::LineRect(int line) const {
  const int top = (line - verticalScrollBar()->value()) * LineHeight() + kMargin;
  return QRect(kMargin - horizontalScrollBar()->value(), top,
               viewport()->width() + horizontalScrollBar()->maximum(), LineHeight());
}

void TTextView::ShowLine(int line) {
  const int shown = std::max(1, viewport()->height() / LineHeight());
  QScrollBar* bar = verticalScrollBar();
  if (line < bar->value())
    bar->setValue(line);
  else if (line >= bar->value() + shown)
    bar->setValue(line - shown + 1);
}

void TTextView::UpdateScrollBars() {
  const int shown = std::max(1, (viewport()->height() - kMargin) / LineHeight());
  verticalScrollBar()->setRange(0, std::max(0, LineCount() - shown));
  verticalScrollBar()->setPageStep(shown);
  verticalScrollBar()->setSingleStep(1);
  const int width = fontMetrics().horizontalAdvance(Line(longestLine_)) + 2 * kMargin;
  horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
  horizontalScrollBar()->setPageStep(viewport()->width());
  horizontalScrollBar()->setSingleStep(fontMetrics().averageCharWidth());
}

namespace {

constexpr int kLineFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs | Qt::TextSingleLine;

bool IsWordCharacter(QChar c) {
  return c.isLetterOrNumber() || c == u'_';
}

}  // namespace

int TTextView::PrefixWidth(int line, int count) const {
  if (count <= 0) return 0;
  return fontMetrics().size(kLineFlags, Decode(line, 0, count)).width();
}

int TTextView::OffsetAt(const QPoint& point) const {
  const int line = std::clamp(verticalScrollBar()->value() + (point.y() - kMargin) / LineHeight(),
                              0, LineCount() - 1);
  const int x = point.x() - LineRect(line).left();
  // The first character whose middle lies right of the point.
  int low = 0, high = LineLength(line);
  while (low < high) {
    const int mid = (low + high) / 2;
    const int middle = (PrefixWidth(line, mid) + PrefixWidth(line, mid + 1)) / 2;
    if (middle < x)
      low = mid + 1;
    else
      high = mid;
  }
  return LineOffset(line) + low;
}

void TTextView::SetSelection(int anchor, int cursor) {
  anchor_ = std::clamp(anchor, 0, CharacterCount());
  cursor_ = std::clamp(cursor, 0, CharacterCount());
  viewport()->update();
}

void TTextView::SelectAll() {
  SetSelection(0, CharacterCount());
}

void TTextView::Copy() const {
  if (SelectionEnd() > SelectionStart()) QGuiApplication::clipboard()->setText(SelectedText());
}

void TTextView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
  const int offset = OffsetAt(event->position().toPoint());
  SetSelection(event->modifiers() & Qt::ShiftModifier ? anchor_ : offset, offset);
}

void TTextView::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton)) return QAbstractScrollArea::mouseMoveEvent(event);
  const QPoint at = event->position().toPoint();
  const int offset = OffsetAt(at);
  // Dragged past the top or the bottom, the text scrolls along.
  if (at.y() < 0 || at.y() > viewport()->height()) ShowLine(LineAt(offset));
  SetSelection(anchor_, offset);
}

void TTextView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mouseDoubleClickEvent(event);
  const int offset = OffsetAt(event->position().toPoint());
  const int line = LineAt(offset);
  const QString text = Line(line);
  int start = offset - LineOffset(line), end = start;
  while (start > 0 && IsWordCharacter(text[start - 1])) --start;
  while (end < text.size() && IsWordCharacter(text[end])) ++end;
  SetSelection(LineOffset(line) + start, LineOffset(line) + end);
}

void TTextView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy))
    Copy();
  else if (event->matches(QKeySequence::SelectAll))
    SelectAll();
  else
    QAbstractScrollArea::keyPressEvent(event);
}

void TTextView::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* copy = menu.addAction(QStringLiteral("Kopírovať"));
  copy->setShortcut(QKeySequence::Copy);
  copy->setEnabled(SelectionEnd() > SelectionStart());
  connect(copy, &QAction::triggered, this, &TTextView::Copy);
  QAction* all = menu.addAction(QStringLiteral("Označiť všetko"));
  all->setShortcut(QKeySequence::SelectAll);
  connect(all, &QAction::triggered, this, &TTextView::SelectAll);
  menu.exec(event->globalPos());
}

void TTextView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.setPen(palette().color(QPalette::Text));
  const int first = verticalScrollBar()->value();
  const int shown = viewport()->height() / LineHeight() + 2;
  const int start = SelectionStart(), end = SelectionEnd();
  int widest = 0;
  for (int line = first; line < LineCount() && line < first + shown; ++line) {
    const QRect rect = LineRect(line);
    const QString text = Line(line);
    QRect used;
    painter.drawText(rect, kLineFlags, text, &used);
    widest = std::max(widest, used.width());
    // The selected part: highlighted, its text drawn again over it in the highlight's colour.
    const int offset = LineOffset(line), length = LineLength(line);
    if (end <= start || end < offset || start > offset + length) continue;
    const int from = std::max(start, offset) - offset, to = std::min(end, offset + length) - offset;
    const bool lineBreak = end > offset + length;  // the break after the line is selected too
    if (to <= from && !lineBreak) continue;
    QRect marked(rect.left() + PrefixWidth(line, from), rect.top(), 0, rect.height());
    marked.setRight(rect.left() + PrefixWidth(line, to) - 1 +
                    (lineBreak ? fontMetrics().horizontalAdvance(QLatin1Char(' ')) : 0));
    painter.fillRect(marked, palette().color(QPalette::Highlight));
    painter.save();
    painter.setClipRect(marked);
    painter.setPen(palette().color(QPalette::HighlightedText));
    painter.drawText(rect, kLineFlags, text);
    painter.restore();
  }
  // A line of fewer bytes can still be wider than the longest one: make room for it.
  const int needed = widest + 2 * kMargin - viewport()->width();
  if (needed > horizontalScrollBar()->maximum()) horizontalScrollBar()->setMaximum(needed);
}

void TTextView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void TTextView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) UpdateScrollBars();
}

}  // namespace platform
