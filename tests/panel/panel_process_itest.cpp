// The real panel as processes on the simulated machine: the missing device,
// one instance replacing another, the exit command and its switch-off, and
// the headset's 7.1 key.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "oro/common/property_blocks.h"
#include "oro/common/registry_access.h"
#include "oro/platform/make_platform.h"
#include "panel_process.h"
#include "temp_root.h"

namespace oro::test {
namespace {

using namespace std::chrono_literals;
constexpr const wchar_t* kKey = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit";

// A created machine: its headset and dongle answer on the simulated HID bus
// from a host process that the machine's creation starts.
class PanelProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Sim("create"), 0);
    platform_ = platform::MakePlatform(platform::Profile::kSim, platform::ResolveStatePaths(root_.Path().c_str()));
  }
  void TearDown() override { Sim("hid stop"); }
  int Sim(const std::string& command) {
    return RunCommand("ORO_PLATFORM=sim ORO_ROOT=" + root_.Path() + " " + BuiltFile("oro-sim") + " " + command);
  }
  common::RegistryAccess Registry() { return common::RegistryAccess(*platform_.registry); }
  void SetDword(const wchar_t* name, std::uint32_t value) {
    auto reg = Registry();
    reg.CreateKey(kKey);
    reg.WriteDword(kKey, name, value);
  }

  TempRoot root_;
  platform::Platform platform_;
};

TEST(PanelProcessNoDevice, NoSupportedDeviceGivesTheMessageAndExitZero) {
  TempRoot empty;  // no machine created: nothing is on the HID bus
  PanelProcess panel(empty.Path());
  EXPECT_EQ(panel.WaitForExit(20s), 0);
  EXPECT_NE(panel.ErrorText().find("Can't connect to device"), std::string::npos) << panel.ErrorText();
}

TEST_F(PanelProcessTest, ExitCommandEndsThePanelAndLeavesMonitoringOff) {
  // Monitoring was on when the panel started.
  {
    auto reg = Registry();
    PanelProcess first(root_.Path());
    ASSERT_TRUE(first.WaitForFirstFrame(20s)) << first.ErrorText();
    ASSERT_EQ(first.WaitForExit(0ms), -1000) << first.ErrorText();
    // Held here too, so the section outlives the panel and can be read after.
    std::unique_ptr<platform::SharedSection> section;
    ASSERT_EQ(platform_.objects->OpenSection(common::kSectionName, common::kSectionSize, &section), 0u);
    auto* live = reinterpret_cast<common::PropertyBlock1*>(section->Data() + common::kSectionHeaderSize +
                                                           common::kBlock1PayloadOffset);
    live->SetMonitoring(true);

    const auto asked = std::chrono::steady_clock::now();
    SetDword(L"exitCmd", 1);
    EXPECT_EQ(first.WaitForExit(10s), 0) << first.ErrorText();
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - asked);
    std::printf("exit command followed after %lld ms\n", static_cast<long long>(took.count()));
    EXPECT_FALSE(live->Monitoring());
    EXPECT_EQ(reg.ReadDword(kKey, L"exitCmd"), 0u);
    const auto stored = reg.ReadBinary(kKey, common::kBlock1ValueName);
    ASSERT_EQ(stored.size(), common::PropertyBlock1::kSize);
    EXPECT_FALSE(common::BlockFromBytes<common::PropertyBlock1>(stored.data()).Monitoring());
  }
}

TEST_F(PanelProcessTest, ASecondInstanceReplacesTheFirst) {
  PanelProcess first(root_.Path());
  ASSERT_TRUE(first.WaitForFirstFrame(20s)) << first.ErrorText();
  ASSERT_EQ(first.WaitForExit(0ms), -1000) << first.ErrorText();
  PanelProcess second(root_.Path());
  EXPECT_EQ(first.WaitForExit(10s), 0) << first.ErrorText();
  ASSERT_TRUE(second.WaitForFirstFrame(20s)) << second.ErrorText();
  // The hand-over left nothing standing that would end the new panel.
  EXPECT_EQ(second.WaitForExit(500ms), -1000);
  EXPECT_EQ(Registry().ReadDword(kKey, L"exitCmd"), 0u);
  SetDword(L"exitCmd", 1);
  EXPECT_EQ(second.WaitForExit(10s), 0);
}

TEST_F(PanelProcessTest, WithAllDevicesEnabledTheExitCommandIsNotFollowed) {
  {
    auto reg = Registry();
    reg.CreateKey(kKey);
    reg.WriteString(kKey, L"EnableAllDev", L"true");
  }
  PanelProcess panel(root_.Path());
  ASSERT_TRUE(panel.WaitForFirstFrame(20s)) << panel.ErrorText();
  SetDword(L"exitCmd", 1);
  EXPECT_EQ(panel.WaitForExit(1s), -1000);
  EXPECT_EQ(Registry().ReadDword(kKey, L"exitCmd"), 1u);
}

// CPU time the process used so far, in clock ticks.
long CpuTicks(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  const auto close = text.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream rest(text.substr(close + 2));
  std::string field;
  long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14) utime = std::stol(field);
    if (i == 15) stime = std::stol(field);
  }
  return utime + stime;
}

TEST_F(PanelProcessTest, TheHeadsetKeyTogglesVirtual71InTheSectionAndAnUnpluggedHeadsetCostsNoCpu) {
  PanelProcess panel(root_.Path());
  ASSERT_TRUE(panel.WaitForFirstFrame(20s)) << panel.ErrorText();
  std::unique_ptr<platform::SharedSection> section;
  ASSERT_EQ(platform_.objects->OpenSection(common::kSectionName, common::kSectionSize, &section), 0u);
  const auto* live = reinterpret_cast<const common::PropertyBlock2*>(section->Data() + common::kSectionHeaderSize +
                                                                     common::kBlock2PayloadOffset);
  const bool before = live->Mode(common::ListeningMode::kVirtual71);
  std::string out;
  int sent = 0;
  for (int toggle = 1; toggle <= 2; ++toggle) {
    const bool want = before != (toggle % 2 == 1);
    bool toggled = false;
    std::chrono::milliseconds took{};
    // The listener connects during the start; a press before that is not
    // heard, so the first one is repeated until it is.
    for (int attempt = 0; attempt < 10 && !toggled; ++attempt) {
      const auto pressed = std::chrono::steady_clock::now();
      ASSERT_EQ(Sim("headset press-71"), 0);
      ++sent;
      while (!toggled && std::chrono::steady_clock::now() - pressed < 1s) {
        toggled = live->Mode(common::ListeningMode::kVirtual71) == want;
        if (!toggled) std::this_thread::sleep_for(2ms);
      }
      took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - pressed);
    }
    ASSERT_TRUE(toggled) << panel.ErrorText();
    std::printf("toggle %d: virtual 7.1 in the section after %lld ms\n", toggle, static_cast<long long>(took.count()));
    const std::string state = "virtual71=" + std::to_string(want ? 1 : 0) + " presses=" + std::to_string(sent) +
                              " acks=" + std::to_string(toggle);
    bool acknowledged = false;
    for (int i = 0; i < 100 && !acknowledged; ++i) {
      RunCommand("ORO_PLATFORM=sim ORO_ROOT=" + root_.Path() + " " + BuiltFile("oro-sim") + " headset state", &out);
      acknowledged = out.find(state) != std::string::npos;
      if (!acknowledged) std::this_thread::sleep_for(20ms);
    }
    EXPECT_TRUE(acknowledged) << state << " / " << out;
  }

  // Neither the headset nor the dongle: the panel looks for them now and then.
  ASSERT_EQ(Sim("headset unplug"), 0);
  ASSERT_EQ(Sim("dongle unplug"), 0);
  std::this_thread::sleep_for(500ms);
  const long start = CpuTicks(panel.Pid());
  std::this_thread::sleep_for(3s);
  const long used = CpuTicks(panel.Pid()) - start;
  std::printf("unplugged: %ld CPU ticks in 3 s (%ld per second)\n", used, sysconf(_SC_CLK_TCK));
  EXPECT_LT(used, sysconf(_SC_CLK_TCK) * 3 / 10);  // under a tenth of one core
  EXPECT_EQ(panel.WaitForExit(0ms), -1000) << panel.ErrorText();
}

}  // namespace
}  // namespace oro::test
