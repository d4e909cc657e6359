#pragma once
// The confirmation dialog "Súhlasíte?": a plain form driven from outside by the file commands.
#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TPotvrd : public QDialog {
  Q_OBJECT
 public:
  explicit TPotvrd(QWidget* parent = nullptr);

  // Shows the form modally through the modal UI service: 6 Yes, 7 No, 2 Cancel (the frame).
  int ShowModal();

  QLineEdit* Edit1;
  QLabel* Label1;
  QLabel* Label2;
  QLineEdit* Edit2;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  QCheckBox* CheckBox1;

 protected:
  void keyPressEvent(QKeyEvent* event) override;  // Esc is the No button's key
};

// The single instance, created hidden at start.
extern TPotvrd* Potvrd;
