// The volume page on a recording library: the balance rule with and without
// the lock, mute by volume 0, and what the system's own volume changes do.
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "panel_fixture.h"
#include "volume_page.h"

namespace oro::test {
namespace {

class VolumePageTest : public PanelTest {
 protected:
  void Start(int master, int left, int right) {
    api_.stored.Block2().SetMasterVolume(master);
    api_.stored.Block2().SetLeftVolume(left);
    api_.stored.Block2().SetRightVolume(right);
    Window();
    api_.Clear();
  }
  panel::VolumePage& Page() { return *window_->findChild<panel::VolumePage*>(); }
  const common::PropertyBlock2& B2() { return window_->Context().blocks.Block2(); }
  std::vector<ApiCall> Sends(int type) {
    std::vector<ApiCall> out;
    for (const ApiCall& c : api_.Calls("setDeviceProperty")) {
      if (c.args[0] == type) out.push_back(c);
    }
    return out;
  }
  static std::vector<int> Volumes(const ApiCall& send) { return {send.block[8], send.block[9], send.block[10]}; }
};

TEST_F(VolumePageTest, MasterMovesTheLouderSideAndKeepsTheOtherOnesDistance) {
  Start(80, 80, 40);
  Find<QSlider>("verticalSlider_4")->setValue(60);
  EXPECT_EQ(B2().LeftVolume(), 60);
  EXPECT_EQ(B2().RightVolume(), 20);
  EXPECT_EQ(Find<QSlider>("verticalSlider_7")->value(), 20);
  EXPECT_EQ(Find<QLabel>("label_59")->text(), "20");
  EXPECT_EQ(Find<QSlider>("horizontalSlider_16")->value(), 60);
  ASSERT_EQ(Sends(2).size(), 1u);
  EXPECT_EQ(Volumes(Sends(2)[0]), (std::vector<int>{60, 60, 20}));
  ASSERT_EQ(api_.Calls("SetVolum").size(), 1u);
  EXPECT_EQ(api_.Calls("SetVolum")[0].args, (std::vector<int>{60, 0}));

  // From the status strip, down past the quieter side's floor.
  api_.Clear();
  Find<QSlider>("horizontalSlider_16")->setValue(5);
  EXPECT_EQ(Volumes(Sends(2).at(0)), (std::vector<int>{5, 5, 0}));
  EXPECT_EQ(Find<QSlider>("verticalSlider_4")->value(), 5);
}

TEST_F(VolumePageTest, TheLockMovesBothSidesAndIsStored) {
  Start(50, 50, 50);
  Find<QPushButton>("pushButton_4")->click();
  EXPECT_EQ(Registry().ReadDword(panel::kKitKey, L"vol_locked"), 1u);
  EXPECT_NE(Find<QPushButton>("pushButton_4")->styleSheet().indexOf("icon_lock.png"), -1);

  api_.Clear();
  Find<QSlider>("verticalSlider_5")->setValue(30);
  EXPECT_EQ(Volumes(Sends(2).at(0)), (std::vector<int>{30, 30, 30}));
  EXPECT_EQ(api_.Calls("SetVolum").at(0).args, (std::vector<int>{30, 0}));
  EXPECT_EQ(Find<QLabel>("label_56")->text(), "30");

  // Unlocked, the master follows the louder side.
  Find<QPushButton>("pushButton_4")->click();
  EXPECT_EQ(Registry().ReadDword(panel::kKitKey, L"vol_locked"), 0u);
  api_.Clear();
  Find<QSlider>("verticalSlider_7")->setValue(70);
  EXPECT_EQ(Volumes(Sends(2).at(0)), (std::vector<int>{70, 30, 70}));
  Find<QSlider>("verticalSlider_7")->setValue(10);
  EXPECT_EQ(Volumes(Sends(2).at(1)), (std::vector<int>{30, 30, 10}));
}

TEST_F(VolumePageTest, VolumeZeroMutesAndTenUnmutesWithTheMuteByteInTheSameSend) {
  Start(40, 40, 40);
  Find<QSlider>("verticalSlider_4")->setValue(0);
  EXPECT_EQ(api_.Calls("SetMasterMute").at(0).args, (std::vector<int>{1, 0}));
  EXPECT_EQ(Sends(2).at(0).block[11], 1);
  EXPECT_NE(Find<QPushButton>("pushButton_12")->styleSheet().indexOf("silent-volumeHigh"), -1);
  EXPECT_NE(Find<QPushButton>("pushButton_13")->styleSheet().indexOf("silent-volumeHigh"), -1);

  api_.Clear();
  Find<QSlider>("verticalSlider_4")->setValue(10);
  EXPECT_EQ(api_.Names(), (std::vector<std::string>{"SetVolum", "setDeviceProperty", "SetMasterMute", "SetVolum"}));
  EXPECT_EQ(api_.Calls("SetMasterMute").at(0).args, (std::vector<int>{0, 0}));
  EXPECT_EQ(api_.Calls("SetVolum").at(1).args, (std::vector<int>{10, 0}));
  EXPECT_EQ(Sends(2).at(0).block[11], 0);
  EXPECT_NE(Find<QPushButton>("pushButton_12")->styleSheet().indexOf("y1.png"), -1);

  // The mute buttons toggle and send.
  api_.Clear();
  Find<QPushButton>("pushButton_13")->click();
  EXPECT_EQ(api_.Names(), (std::vector<std::string>{"SetMasterMute", "setDeviceProperty"}));
  EXPECT_EQ(Sends(2).at(0).block[11], 1);
}

TEST_F(VolumePageTest, SystemVolumeChangesWithinTheGuardSendNothingAndOthersSendOneBlock) {
  Start(50, 50, 30);
  for (int echo : {49, 50, 51}) Page().volumeChanged(echo);
  EXPECT_TRUE(api_.calls.empty());

  Page().volumeChanged(70);
  ASSERT_EQ(Sends(2).size(), 1u);
  EXPECT_EQ(Volumes(Sends(2)[0]), (std::vector<int>{70, 70, 50}));
  EXPECT_TRUE(api_.Calls("SetVolum").empty()) << "the system's own change is not sent back";
  EXPECT_EQ(Find<QSlider>("verticalSlider_4")->value(), 70);
  EXPECT_EQ(Find<QSlider>("horizontalSlider_16")->value(), 70);

  // From 60 up a step of one is the user's; the same value is an echo.
  api_.Clear();
  Page().volumeChanged(71);
  EXPECT_EQ(Sends(2).size(), 1u);
  Page().volumeChanged(71);
  EXPECT_EQ(Sends(2).size(), 1u);

  // While the panel sets the volume itself, nothing comes back.
  api_.Clear();
  {
    panel::GuardScope own(window_->Context().own_volume_guard);
    Page().volumeChanged(20);
  }
  EXPECT_TRUE(api_.calls.empty());

  Page().muteChanged(true);
  ASSERT_EQ(Sends(2).size(), 1u);
  EXPECT_EQ(Sends(2)[0].block[11], 1);
  EXPECT_TRUE(api_.Calls("SetMasterMute").empty());
}

}  // namespace
}  // namespace oro::test
