// A cache listed from a GPX file is exported under its name as the lists hold it.
#include <QCheckBox>
#include <QLineEdit>

#include "platform/paths.h"
#include "web/browser_fixture.h"

namespace {

class GpxExport : public WebFormTest {};

TEST_F(GpxExport, BatchNamesTheFileFromTheConvertedName) {
  const auto out = dir / "export";
  std::filesystem::create_directories(out);
  form->Edit3->setText(QString::fromStdString(out.string()));
  const auto gpx = dir / "pq.gpx";
  TempDir::Write(gpx,
                 "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                 "<gpx xmlns=\"http://www.topografix.com/GPX/1/0\" version=\"1.0\">\n"
                 "<wpt lat=\"48\" lon=\"18\"><name>GCZM001</name><urlname>Prvá</urlname></wpt>\n"
                 "<wpt lat=\"48\" lon=\"18\"><name>GCZM002</name>"
                 "<gs:cache xmlns:gs=\"http://www.groundspeak.com/cache/1/0/1\">"
                 "<gs:name>Čajovňa 東京/Ž</gs:name></gs:cache></wpt>\n</gpx>\n");
  ui.openAnswers.push_back(platform::FromNativePath(gpx));
  form->ToolButton10Click();
  form->CheckListBox1->SetChecked(1, true);
  form->CheckListBox2->SetChecked(1, true);
  form->RadioGroup1->SetItemIndex(0);
  form->RadioGroup2->SetItemIndex(0);
  form->RadioGroup3->SetItemIndex(0);
  form->CheckBox1->setChecked(false);
  form->SpeedButton6Click();

  EXPECT_EQ(TempDir::Names(out), std::vector<std::string>{"Čajovňa ??_Ž_sk.htm"});
  EXPECT_TRUE(ui.shown.empty()) << ui.Messages().front();
}

}  // namespace
