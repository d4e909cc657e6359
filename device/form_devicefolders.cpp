// On "Nastavenia": whether the handheld has the folders of Edit4 and Edit5, and making them. The
// handheld is asked on its own thread; the answer comes back to the window as an event.
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <optional>
#include <vector>

#include "app/mainform.h"
#include "device/devicefolders.h"
#include "device/link.h"
#include "device/rapi.h"
#include "device/worker.h"
#include "platform/codepage.h"
#include "platform/ui.h"

namespace {

// Runs work on the handheld's thread with the link open, then answer on the window's thread
// while the window is there. No handheld: answer gets nothing.
template <class Result>
void AskHandheld(TForm1* form, std::function<Result()> work,
                 std::function<void(TForm1*, std::optional<Result>)> answer) {
  QPointer<TForm1> guard(form);
  device::PostAndForget([work, answer, guard] {
    std::optional<Result> result;
    if (ConnectDevice()) {
      result = work();
      CeRapiUninit();
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [answer, guard, result] {
          if (guard) platform::RunReported([&] { answer(guard, result); });
        },
        Qt::QueuedConnection);
  });
}

}  // namespace

QWidget* TForm1::BuildDeviceFoldersNote(QWidget* parent) {
  auto* note = new QWidget(parent);
  Label23 = MakeLabel(QString(), note, "Label23");
  Label23->setWordWrap(true);
  Label23->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0);"));
  SpeedButton21 = MakeButton(QStringLiteral("Vytvor ich v PDA"), note, "SpeedButton21");
  auto* row = new QHBoxLayout(note);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(Label23, 1);
  row->addWidget(SpeedButton21, 0, Qt::AlignTop);
  Label23->hide();
  SpeedButton21->hide();
  return note;
}

void TForm1::CheckDeviceFolders() {
  const std::vector<AnsiString> folders = {platform::EditText(Edit4), platform::EditText(Edit5)};
  const unsigned serial = ++folderCheck_;
  AskHandheld<std::vector<AnsiString>>(
      this, [folders] { return MissingDeviceFolders(folders); },
      [serial](TForm1* form, std::optional<std::vector<AnsiString>> missing) {
        if (serial != form->folderCheck_) return;  // the edits changed meanwhile
        // No handheld answers: the group "PDA" below says so.
        const bool show = missing && !missing->empty();
        QString text;
        if (show) {
          text = missing->size() == 1 ? QStringLiteral("V PDA chýba priečinok ")
                                      : QStringLiteral("V PDA chýbajú priečinky ");
          for (size_t i = 0; i < missing->size(); ++i)
            text += (i ? QStringLiteral(", ") : QString()) + FromAnsi((*missing)[i]);
          text += QLatin1Char('.');
        }
        form->Label23->setText(text);
        form->Label23->setAccessibleName(text);
        form->Label23->setVisible(show);
        form->SpeedButton21->setVisible(show);
      });
}

void TForm1::SpeedButton21Click() {
  const std::vector<AnsiString> folders = {platform::EditText(Edit4), platform::EditText(Edit5)};
  SpeedButton21->setEnabled(false);  // one making at a time
  AskHandheld<AnsiString>(
      this, [folders] { return MakeDeviceFolders(folders); },
      [](TForm1* form, std::optional<AnsiString> failure) {
        form->SpeedButton21->setEnabled(true);
        if (!failure)
          platform::Ui().ShowMessage(
              AnsiLiteral("PDA nie je pripojené: priečinky sa nevytvorili."));
        else if (!failure->empty())
          platform::Ui().ShowMessage(*failure);
        form->CheckDeviceFolders();
      });
}

void TForm1::WireDeviceFolders() {
  connect(SpeedButton21, &QPushButton::clicked, this, Reported(&TForm1::SpeedButton21Click));
  for (QLineEdit* edit : {Edit4, Edit5, Edit6})
    connect(edit, &QLineEdit::editingFinished, this, Reported(&TForm1::CheckDeviceFolders));
  connect(ListBox1, &QListWidget::itemClicked, this, Reported(&TForm1::CheckDeviceFolders));
  connect(PageControl1, &QTabWidget::currentChanged, this, platform::Reported([this](int index) {
            if (PageControl1->widget(index) == TabSheet7) CheckDeviceFolders();
          }));
}
