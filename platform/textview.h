#pragma once
// A read-only view of a large text (a whole waypoint or GPX file): lines are decoded and laid
// out only when shown, so a file of a million lines costs its bytes and an index of its lines,
// not a text document. No word wrap. Assistive technology reads the same text as a text
// control's. Text is selected with the mouse (a double click takes a word, Ctrl+A all of it) and
// copied with Ctrl+C or the context menu, as from a read-only text control.
#include <QAbstractScrollArea>
#include <QString>
#include <QStringDecoder>
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ansi.h"

namespace platform {

class TTextView : public QAbstractScrollArea {
  Q_OBJECT
 public:
  TTextView(const char* designerName, QWidget* parent);

  // Code page 1250 bytes, split into lines at CR LF, CR and LF (as a text control shows them).
  void SetText(std::string bytes);
  // Bytes in the named encoding, UTF-8 or one of a byte a character, split the same way and
  // decoded line by line as shown. A UTF-8 byte-order mark is not shown.
  void SetText(std::string bytes, const QString& encoding);
  // A text already decoded (a file in an encoding of its own), split the same way.
  void SetText(QString text);
  // The shown text, lines joined by "\n".
  QString toPlainText() const;

  int LineCount() const { return static_cast<int>(lines_.size()); }
  QString Line(int index) const;
  // Characters of the shown text, each line break counted as one.
  int CharacterCount() const;
  // The text from character start up to end, and the line holding a character.
  QString Text(int start, int end) const;
  int LineAt(int offset) const;
  int LineOffset(int line) const;
  int LineLength(int line) const;
  // The line's place in the viewport, and makes it shown.
  QRect LineRect(int line) const;
  void ShowLine(int line);

  // The selection, in characters of the shown text: from anchor to cursor, either way round.
  void SetSelection(int anchor, int cursor);
  int SelectionStart() const { return std::min(anchor_, cursor_); }
  int SelectionEnd() const { return std::max(anchor_, cursor_); }
  QString SelectedText() const { return Text(SelectionStart(), SelectionEnd()); }
  void SelectAll();
  // The selected text to the clipboard; nothing when nothing is selected.
  void Copy() const;
  // The character nearest to a point of the viewport.
  int OffsetAt(const QPoint& point) const;

  // Where a line begins.
  struct LineStart {
    std::uint32_t byte;   // where the line begins in the bytes (or in the decoded text)
    std::uint32_t chars;  // and in the shown text
  };

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  // The width of a line's first characters as the line is drawn.
  int PrefixWidth(int line, int count) const;
  // The line without its break: in the bytes, or in the decoded text when there is one.
  std::string_view LineBytes(int index) const;
  QStringView LineChars(int index) const;
  QString Decode(int line, int from, int count) const;
  // Character offsets of the lines of an encoded text, counted when first asked for.
  void CountCharacters() const;
  int LineHeight() const;
  void UpdateScrollBars();
  void Reset();

  std::shared_ptr<const std::string> bytes_;
  QString decoded_;
  bool isDecoded_ = false;
  // Bytes of an encoding of their own (not code page 1250): each line decoded when needed.
  bool isEncoded_ = false, isUtf8_ = false;
  mutable QStringDecoder decoder_;
  mutable bool charactersCounted_ = true;
  mutable std::vector<LineStart> lines_;
  int longestLine_ = 0;  // by bytes: it sets the horizontal range
  int anchor_ = 0, cursor_ = 0;
};

}  // namespace platform
