#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/state.h"
#include "export/uploadlimit.h"
#include "support/form_fixture.h"
#include "support/test_clock.h"

namespace {

class UploadLimit : public FormTest {
 protected:
  void StartPush(std::uint32_t start) {
    clock.now = start;
    WaitStart = start;
    form->CheckBox1->setEnabled(true);
    form->CheckBox1->setChecked(true);
    form->Timer1->start();
  }
  TestClock clock;
};

TEST_F(UploadLimit, ExactlyTheLimitIsStillWithinIt) {
  StartPush(1000);
  clock.now = 6000;
  form->Timer1Timer();
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_TRUE(form->Timer1->isActive());
  EXPECT_TRUE(form->CheckBox1->isChecked());
}

TEST_F(UploadLimit, OverrunEndsThePushForTheRestOfTheRun) {
  StartPush(1000);
  clock.now = 6001;
  form->Timer1Timer();
  ASSERT_EQ(ui.Messages().size(), 1u);
  EXPECT_EQ(ui.Messages()[0],
            "Nepodarilo sa umiestni\x9D d\xE1ta v stanovemom \xE8"
            "ase na PDA\rzakazujem activesync(PDA)!");
  EXPECT_FALSE(form->Timer1->isActive());
  EXPECT_FALSE(form->CheckBox1->isEnabled());
  EXPECT_FALSE(form->CheckBox1->isChecked());
  ASSERT_FALSE(ui.cursors.empty());
  EXPECT_EQ(ui.cursors.back(), platform::CursorShape::Default);
}

TEST_F(UploadLimit, TickCounterWrapDoesNotCountAsAnOverrun) {
  StartPush(0xFFFFF000u);
  clock.now = 0xFFFFF000u + 5000u;  // wrapped past zero
  form->Timer1Timer();
  EXPECT_TRUE(ui.shown.empty());
  clock.now += 1;
  form->Timer1Timer();
  EXPECT_EQ(ui.Messages().size(), 1u);
  EXPECT_FALSE(UploadOverrun(10, 0xFFFFFFF0u + 0));
  EXPECT_TRUE(UploadOverrun(5000, 0xFFFFFFFFu));
}

TEST_F(UploadLimit, ExportWithoutAnOpenedPageSaysSoAndWritesNothing) {
  form->Edit3->setText(QString::fromStdString(dir.path().string()));
  form->SpeedButton9Click();
  ASSERT_EQ(ui.Messages().size(), 1u);
  EXPECT_EQ(ui.Messages()[0],
            "Nie je otvoren\xE1 \x9E"
            "iadna str\xE1nka");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// Without a save folder the file would go to the file system's root.
TEST_F(UploadLimit, ExportWithoutASaveFolderAsksForItAndWritesNothing) {
  CurrentCache = "Vireska test bez adresara";
  form->Edit3->setText(QStringLiteral("  "));
  form->CheckBox1->setChecked(true);
  form->SpeedButton9->click();
  EXPECT_EQ(ui.Messages(),
            std::vector<AnsiString>{"Nie je nastaven\xFD adres\xE1r na ukladanie s\xFA"
                                    "borov. Zadajte "
                                    "ho na z\xE1lo\x9Eke \"Nastavenia\"."});
  for (const char* name : {"/Vireska test bez adresara_sk_tlac.mht", "/_sk_tlac.mht"})
    EXPECT_FALSE(std::filesystem::exists(name));
  EXPECT_FALSE(form->Timer1->isActive());
}

}  // namespace
