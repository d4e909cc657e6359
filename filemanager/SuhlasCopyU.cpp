#include "filemanager/SuhlasCopyU.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/controls.h"
#include "platform/ui.h"

TPotvrd* Potvrd = nullptr;

TPotvrd::TPotvrd(QWidget* parent) : QDialog(parent) {
  platform::NameControl(this, "TPotvrd", QStringLiteral("Súhlasíte?"));
  setWindowTitle(QStringLiteral("Súhlasíte?"));
  using platform::Scaled;
  setFixedSize(Scaled(413), Scaled(213));
  setFont(platform::DesignerFont());
  auto place = [](QWidget* widget, int x, int y, int w, int h) {
    widget->setGeometry(Scaled(x), Scaled(y), Scaled(w), Scaled(h));
  };

  Edit1 = new QLineEdit(QStringLiteral("Edit1"), this);
  Edit1->setReadOnly(true);
  place(Edit1, 16, 48, 369, 21);
  Label1 = new QLabel(QStringLiteral("Kopírovať súbor :"), this);
  Label1->move(Scaled(16), Scaled(24));
  Label2 = new QLabel(QStringLiteral("sem ?"), this);
  Label2->move(Scaled(16), Scaled(80));
  Edit2 = new QLineEdit(QStringLiteral("Edit2"), this);
  place(Edit2, 16, 104, 369, 21);
  // The standard captions of the toolkit, in its translation.
  BitBtn1 = new QPushButton(QCoreApplication::translate("QPlatformTheme", "&Yes"), this);
  place(BitBtn1, 88, 136, 75, 25);
  BitBtn1->setDefault(true);
  BitBtn2 = new QPushButton(QCoreApplication::translate("QPlatformTheme", "&No"), this);
  place(BitBtn2, 224, 136, 75, 25);
  CheckBox1 = new QCheckBox(QStringLiteral("Už sa nepýtaj"), this);
  place(CheckBox1, 288, 24, 97, 17);

  // Labels and buttons are named by the text they show now, which the toolkit reads itself.
  platform::NameControl(Edit1, "Edit1", Label1->text());
  platform::NameControl(Label1, "Label1", QString());
  platform::NameControl(Label2, "Label2", QString());
  platform::NameControl(Edit2, "Edit2", Label2->text());
  platform::NameControl(BitBtn1, "BitBtn1", QString());
  platform::NameControl(BitBtn2, "BitBtn2", QString());
  platform::NameControl(CheckBox1, "CheckBox1", QString());

  setTabOrder(Edit1, Edit2);
  setTabOrder(Edit2, BitBtn1);
  setTabOrder(BitBtn1, BitBtn2);
  setTabOrder(BitBtn2, CheckBox1);

  connect(BitBtn1, &QPushButton::clicked, this,
          platform::Reported([this] { done(platform::mrYes); }));
  connect(BitBtn2, &QPushButton::clicked, this,
          platform::Reported([this] { done(platform::mrNo); }));
}

int TPotvrd::ShowModal() {
  return platform::Ui().ShowModal("TPotvrd", [this] {
    int result = exec();
    return result == QDialog::Rejected ? platform::mrCancel : result;
  });
}

void TPotvrd::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    done(platform::mrNo);
    return;
  }
  QDialog::keyPressEvent(event);
}
