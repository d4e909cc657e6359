#include "platform/qtui.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>
#include <QTreeView>

#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/paths.h"

namespace platform {
namespace {
// A lone carriage return separates lines in the program's messages.
QString MessageText(const AnsiString& text) {
  QString shown = FromAnsi(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}

// The toolkit's own dialog sizes its type and date columns for English texts: the Slovak ones
// ("Obyčajný dokument", a date with its month) came out cut. They take what their texts need and
// the name column the rest.
void FitColumns(QFileDialog& dialog) {
  auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
  if (!details) return;  // the desktop's own dialog
  QHeaderView* header = details->header();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(0, QHeaderView::Stretch);
  for (int col = 1; col < header->count(); ++col)
    header->setSectionResizeMode(col, QHeaderView::ResizeToContents);
  dialog.resize(dialog.sizeHint().expandedTo(QSize(Scaled(760), Scaled(440))));
}
}  // namespace

namespace {
// The Slovak catalogue keeps the standard buttons ("&Áno", "&Nie", "Zrušiť") under the context
// of older releases; the toolkit now asks for them under "QPlatformTheme".
class ToolkitTranslator : public QTranslator {
 public:
  using QTranslator::QTranslator;
  QString translate(const char* context, const char* sourceText, const char* disambiguation,
                    int n) const override {
    QString text = QTranslator::translate(context, sourceText, disambiguation, n);
    if (text.isEmpty() && qstrcmp(context, "QPlatformTheme") == 0)
      text = QTranslator::translate("QDialogButtonBox", sourceText, disambiguation, n);
    return text;
  }
};
}  // namespace

void UseSlovakTranslation() {
  const QLocale slovak(QLocale::Slovak, QLocale::Slovakia);
  QLocale::setDefault(slovak);
  auto* translator = new ToolkitTranslator(QCoreApplication::instance());
  if (translator->load(slovak, QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(translator);
  else
    delete translator;
}

QWidget* DialogParent() {
  if (QWidget* w = QApplication::activeWindow()) return w;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->isWindow()) return w;
  return nullptr;
}

QString QtNameFilters(const AnsiString& filter) {
  // Windows filters alternate description|pattern.
  QStringList parts = FromAnsi(filter).split(QLatin1Char('|'));
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2)
    out << parts[i] + QStringLiteral(" (") +
               parts[i + 1].replace(QLatin1Char(';'), QLatin1Char(' ')) + QStringLiteral(")");
  return out.join(QStringLiteral(";;"));
}

void QtModalUi::ShowMessage(const AnsiString& text) {
  QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), MessageText(text),
                  QMessageBox::Ok, DialogParent());
  box.setAccessibleName(FromAnsi(text));
  box.exec();
}

void QtModalUi::MessageBox(const AnsiString& text, const AnsiString& caption, MessageIcon icon) {
  QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
  switch (icon) {
    case MessageIcon::Information:
      qtIcon = QMessageBox::Information;
      break;
    case MessageIcon::Warning:
    case MessageIcon::Exclamation:
      qtIcon = QMessageBox::Warning;
      break;
    case MessageIcon::Error:
      qtIcon = QMessageBox::Critical;
      break;
    case MessageIcon::Question:
      qtIcon = QMessageBox::Question;
      break;
    case MessageIcon::None:
      break;
  }
  QMessageBox box(qtIcon, FromAnsi(caption), MessageText(text), QMessageBox::Ok, DialogParent());
  box.setAccessibleName(FromAnsi(text));
  box.exec();
}

bool QtModalUi::OpenFile(AnsiString& fileName, const AnsiString& filter,
                         const AnsiString& defaultExt) {
  QFileDialog dialog(DialogParent());
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(QtNameFilters(filter));
  QString ext = FromAnsi(defaultExt);
  if (ext.startsWith(QStringLiteral("*."))) ext = ext.mid(2);
  dialog.setDefaultSuffix(ext);
  FitColumns(dialog);
  QFileInfo preset(FromAnsi(fileName));
  if (!fileName.empty()) {
    dialog.setDirectory(preset.absolutePath());
    dialog.selectFile(preset.fileName());
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  fileName = ToAnsi(dialog.selectedFiles().front());
  return true;
}

bool QtModalUi::ChooseFolder(std::filesystem::path& folder, const AnsiString& caption) {
  QFileDialog dialog(DialogParent(), FromAnsi(caption));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  if (!folder.empty()) dialog.setDirectory(NativePathText(folder));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  folder = NativePath(dialog.selectedFiles().front());
  return true;
}

int QtModalUi::ShowModal(std::string_view, const std::function<int()>& exec) {
  // A form waiting for the user shows the normal cursor; a busy command gets its hourglass back.
  const bool busy = hourglass_;
  if (busy) SetCursor(CursorShape::Default);
  const int result = exec();
  if (busy) SetCursor(CursorShape::Hourglass);
  return result;
}

void QtModalUi::SetCursor(CursorShape shape) {
  bool want = shape == CursorShape::Hourglass;
  if (want == hourglass_) return;
  hourglass_ = want;
  if (want)
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QGuiApplication::restoreOverrideCursor();
}

}  // namespace platform
