// The headset link across processes: oro-sim serves the headset, this process
// listens for its 7.1 key as the panel does, and oroctl in other processes
// queries, lights and updates the same device meanwhile.
#include <gtest/gtest.h>

#include <fstream>

#include "oro/common/hid_device.h"
#include "oro/headset/headset_reports.h"
#include "oro/platform/make_platform.h"
#include "temp_root.h"

namespace oro::test {
namespace {

class HeadsetProcessesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string out;
    ASSERT_EQ(Tool("oro-sim", "create", &out), 0) << out;
    platform_ = platform::MakePlatform(platform::Profile::kSim, platform::ResolveStatePaths(root_.Path().c_str()));
  }
  void TearDown() override {
    std::string out;
    Tool("oro-sim", "hid stop", &out);
  }

  int Tool(const std::string& tool, const std::string& args, std::string* out) {
    out->clear();
    return RunCommand("ORO_PLATFORM=sim ORO_ROOT='" + root_.Path() + "' '" + BuiltFile(tool) + "' " + args, out);
  }

  TempRoot root_;
  platform::Platform platform_;
};

TEST_F(HeadsetProcessesTest, AListenerAndOroctlInOtherProcessesShareTheDevice) {
  common::HidDevice listener(platform_.hid);
  ASSERT_TRUE(listener.open(0x040B, 0xF779, 3, 2));
  std::string out;
  ASSERT_EQ(Tool("oro-sim", "headset press-71", &out), 0) << out;
  std::uint8_t payload[64] = {};
  ASSERT_EQ(listener.read(payload, sizeof payload, 2, 3000), 65);
  ASSERT_TRUE(headset::IsVirtual71Key(payload, sizeof payload));
  const headset::Payload ack = headset::BuildVirtual71Ack(0);
  ASSERT_TRUE(listener.write(ack.data(), ack.size(), 2, 1000));

  // The listener keeps the interface open while oroctl uses it too.
  ASSERT_EQ(Tool("oro-sim", "headset set-status 1 0 2", &out), 0) << out;
  ASSERT_EQ(Tool("oroctl", "headset status", &out), 0) << out;
  EXPECT_EQ(out, "link: linked\ncharging: no\nbattery: 30 %\n");
  ASSERT_EQ(Tool("oroctl", "headset light steady 3 102030", &out), 0) << out;
  ASSERT_EQ(Tool("oro-sim", "headset lighting", &out), 0) << out;
  EXPECT_EQ(out.substr(0, 20), "02 0A 01 03 10 20 30");
  ASSERT_EQ(Tool("oro-sim", "headset state", &out), 0) << out;
  EXPECT_NE(out.find("virtual71=1 presses=1 acks=1"), std::string::npos) << out;

  // The status reply reached every opener, the listener too; it is not a key.
  ASSERT_EQ(listener.read(payload, sizeof payload, 2, 1000), 65);
  EXPECT_FALSE(headset::IsVirtual71Key(payload, sizeof payload));
}

TEST_F(HeadsetProcessesTest, OroctlFirmwareTellsHowTheUpdateEndedByItsExitStatus) {
  const std::string image = root_.Path() + "/image.bin";
  std::ofstream(image, std::ios::binary) << std::string(1000, '\x5A');
  std::string out;
  ASSERT_EQ(Tool("oro-sim", "headset fw-gap 40", &out), 0) << out;
  ASSERT_EQ(Tool("oroctl", "headset firmware '" + image + "' --target earphone", &out), 0) << out;
  EXPECT_NE(out.find("written 100 %"), std::string::npos) << out;
  std::ifstream written(root_.Path() + "/sim/hid/headset.firmware", std::ios::binary);
  std::string received((std::istreambuf_iterator<char>(written)), {});
  EXPECT_EQ(received.substr(0, 1000), std::string(1000, '\x5A'));

  ASSERT_EQ(Tool("oro-sim", "headset fw-result 4", &out), 0) << out;
  EXPECT_EQ(Tool("oroctl", "headset firmware '" + image + "' --target earphone", &out), 1);
  EXPECT_NE(out.find("ended the update with code 4"), std::string::npos) << out;

  ASSERT_EQ(Tool("oro-sim", "headset unplug-after-packets 5", &out), 0) << out;
  EXPECT_EQ(Tool("oroctl", "headset firmware '" + image + "' --target earphone", &out), 1);
  EXPECT_NE(out.find("went away"), std::string::npos) << out;

  EXPECT_EQ(Tool("oroctl", "headset firmware '" + image + "' --target both", &out), 2);
  EXPECT_EQ(Tool("oroctl", "headset firmware '" + root_.Path() + "' --target dongle", &out), 1) << out;
}

}  // namespace
}  // namespace oro::test
