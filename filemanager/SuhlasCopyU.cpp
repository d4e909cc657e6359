#include "filemanager/SuhlasCopyU.h"

#include <QCheckBox>
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
  setFixedSize(413, 213);
  QFont f(QStringLiteral("MS Sans Serif"));
  f.setPointSize(8);
  setFont(f);

  Edit1 = new QLineEdit(QStringLiteral("Edit1"), this);
  Edit1->setReadOnly(true);
  Edit1->setGeometry(16, 48, 369, 21);
  Label1 = new QLabel(QStringLiteral("Kopírovať súbor :"), this);
  Label1->move(16, 24);
  Label2 = new QLabel(QStringLiteral("sem ?"), this);
  Label2->move(16, 80);
  Edit2 = new QLineEdit(QStringLiteral("Edit2"), this);
  Edit2->setGeometry(16, 104, 369, 21);
  BitBtn1 = new QPushButton(QStringLiteral("&Yes"), this);
  BitBtn1->setGeometry(88, 136, 75, 25);
  BitBtn1->setDefault(true);
  BitBtn2 = new QPushButton(QStringLiteral("&No"), this);
  BitBtn2->setGeometry(224, 136, 75, 25);
  CheckBox1 = new QCheckBox(QStringLiteral("Už sa nepýtaj"), this);
  CheckBox1->setGeometry(288, 24, 97, 17);

  platform::NameControl(Edit1, "Edit1", Label1->text());
  platform::NameControl(Label1, "Label1", Label1->text());
  platform::NameControl(Label2, "Label2", Label2->text());
  platform::NameControl(Edit2, "Edit2", Label2->text());
  platform::NameControl(BitBtn1, "BitBtn1", QStringLiteral("Yes"));
  platform::NameControl(BitBtn2, "BitBtn2", QStringLiteral("No"));
  platform::NameControl(CheckBox1, "CheckBox1", CheckBox1->text());

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
