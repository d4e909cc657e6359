// The tab "Nastavenia": where exports are kept on the PC and on the handheld, what is exported
// and how, and the button that writes it all to the settings file. Its group "PDA" (the PC folder
// that is the handheld) is device/form_handheld.cpp.
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>

#include "app/mainform.h"
#include "device/handheld.h"
#include "platform/profile.h"

void TForm1::BuildSettingsTab() {
  TabSheet7 = AddPage("TabSheet7", QStringLiteral("Nastavenia"));
  auto* grid = new QGridLayout(TabSheet7);

  Label6 =
      MakeLabel(QStringLiteral("Nastavenie cesty kde budú ukladané súbory bez lomítka na konci"),
                TabSheet7, "Label6");
  Edit3 = MakeEdit(Label6, TabSheet7, "Edit3");
  DriveComboBox1 = new TDriveComboBox("DriveComboBox1", TabSheet7);
  DriveComboBox1->setAccessibleName(QStringLiteral("Disk pre ukladané súbory"));
  DirectoryOutline1 = new TDirectoryOutline("DirectoryOutline1", TabSheet7);
  DirectoryOutline1->setAccessibleName(QStringLiteral("Priečinky disku"));
  Label7 =
      MakeLabel(QStringLiteral("Cesta v PDA pre WPT s lomítkom na konci"), TabSheet7, "Label7");
  Edit4 = MakeEdit(Label7, TabSheet7, "Edit4", QStringLiteral("\\Storage Card\\OZI_Maps\\WP\\"));
  Label8 = MakeLabel(QStringLiteral("Cesta v PDA pre MHT súbory s lomítkom na konci"), TabSheet7,
                     "Label8");
  Edit5 = MakeEdit(Label8, TabSheet7, "Edit5", QStringLiteral("\\Storage Card\\MHT\\"));
  RadioGroup2 =
      new TRadioGroup("RadioGroup2", QStringLiteral("Čo  sa bude exportovať z www.geocaching.sk"),
                      {QStringLiteral("Ukladaj hlavnú stránku kešky"),
                       QStringLiteral("Ukladaj tlačovú stránku kešky")},
                      1, TabSheet7);
  RadioGroup3 = new TRadioGroup(
      "RadioGroup3", QStringLiteral("Ako sa bude exportovať"),
      {QStringLiteral("formát html - úsporný,ale úplne bez obrázkov"),
       QStringLiteral("formát MHT - komprimovaný formát ukladania stránok 1:1 od Microsoftu")},
      1, TabSheet7);
  const QString wholePage = QStringLiteral("MHT: celá stránka s obrázkami a dekódovanou pomôckou");
  CheckBox2 = new QCheckBox(wholePage, TabSheet7);
  NameControl(CheckBox2, "CheckBox2", wholePage);
  SpeedButton8 = MakeButton(QStringLiteral("Zapíš do INI"), TabSheet7, "SpeedButton8");

  grid->addWidget(Label6, 0, 0);
  grid->addWidget(Edit3, 1, 0);
  grid->addWidget(DriveComboBox1, 2, 0);
  grid->addWidget(DirectoryOutline1, 3, 0, 6, 1);
  grid->addWidget(Label7, 0, 1);
  grid->addWidget(Edit4, 1, 1);
  grid->addWidget(Label8, 2, 1);
  auto* deviceFolders = new QVBoxLayout;  // the note under the paths: a folder they name is missing
  deviceFolders->addWidget(Edit5);
  deviceFolders->addWidget(BuildDeviceFoldersNote(TabSheet7));
  deviceFolders->addStretch(1);
  grid->addLayout(deviceFolders, 3, 1);
  grid->addWidget(RadioGroup2, 4, 1);
  auto* exportForm = new QVBoxLayout;  // the check box refines the form chosen above it
  exportForm->addWidget(RadioGroup3);
  exportForm->addWidget(CheckBox2);
  grid->addLayout(exportForm, 5, 1);
  grid->addWidget(SpeedButton8, 6, 1, Qt::AlignLeft);
  grid->addWidget(BuildHandheldGroup(TabSheet7), 7, 1);
  grid->setRowStretch(8, 1);
}

void TForm1::SpeedButton8Click() {
  const std::filesystem::path ini = SettingsFile();
  WriteProfileString(ini, "Kdeukladatdata", "Disk", AnsiString(1, DriveComboBox1->Drive()));
  WriteProfileString(ini, "Kdeukladatdata", "Cesta", platform::EditText(Edit3));
  WriteProfileString(ini, "Kdeukladatdata", "PDA_WPT", platform::EditText(Edit4));
  WriteProfileString(ini, "Kdeukladatdata", "PDA_MHT", platform::EditText(Edit5));
  WriteProfileString(ini, "Kdeukladatdata", "MHT_Cela", CheckBox2->isChecked() ? "1" : "0");
  WriteProfileString(ini, "Kdeukladatdata", "PDA_Koren", DeviceFolderToSetting(Edit6->text()));
}

void TForm1::DirectoryOutline1MouseUp() {
  platform::SetEditText(Edit3, DirectoryOutline1->Directory());
}

void TForm1::DriveComboBox1Change() {
  DirectoryOutline1->SetDrive(DriveComboBox1->Drive());
}

void TForm1::WireSettings() {
  connect(SpeedButton8, &QPushButton::clicked, this, Reported(&TForm1::SpeedButton8Click));
  connect(DirectoryOutline1, &TDirectoryOutline::mouseReleased, this,
          Reported(&TForm1::DirectoryOutline1MouseUp));
  connect(DriveComboBox1, &TDriveComboBox::driveChanged, this,
          Reported(&TForm1::DriveComboBox1Change));
}
