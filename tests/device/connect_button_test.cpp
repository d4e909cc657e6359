// The connect button beside "->PDA", on the real window and the folder handheld.
#include <QCheckBox>
#include <QToolButton>

#include "support/device_folder.h"
#include "support/form_fixture.h"

namespace {

class ConnectButton : public FormTest {
 protected:
  bool Shows(int image) const {
    return form->ToolButton2->icon().cacheKey() == form->ImageList2[image].cacheKey();
  }
  DeviceFolder device;
};

TEST_F(ConnectButton, StartsDisconnected) {
  EXPECT_TRUE(Shows(7));
}

TEST_F(ConnectButton, ShowsTheLinkStateAndEnablesThePushWithoutTickingIt) {
  for (bool ticked : {false, true}) {
    form->CheckBox1->setChecked(ticked);
    form->CheckBox1->setEnabled(false);
    device.Plug();
    form->ToolButton2->click();
    EXPECT_TRUE(Shows(6));
    EXPECT_TRUE(form->CheckBox1->isEnabled());
    EXPECT_EQ(form->CheckBox1->isChecked(), ticked);
    EXPECT_EQ(form->StatusBar1->PanelText(2), "PDA ON");

    device.Unplug();
    form->ToolButton2->click();
    EXPECT_TRUE(Shows(7));
    EXPECT_FALSE(form->CheckBox1->isEnabled());
    EXPECT_EQ(form->CheckBox1->isChecked(), ticked);
    EXPECT_EQ(form->StatusBar1->PanelText(2), "PDA OFF");
  }
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(ui.cursors.front(), platform::CursorShape::Hourglass);
  EXPECT_EQ(ui.cursors.back(), platform::CursorShape::Default);
}

TEST_F(ConnectButton, ClosingTheWindowEndsTheLink) {
  form->ToolButton2->click();
  ASSERT_TRUE(DeviceFolder::LinkOpen());
  form->FormClose();
  DeviceFolder::Settle();  // the link ends on the handheld's thread
  EXPECT_FALSE(DeviceFolder::LinkOpen());
}

}  // namespace
