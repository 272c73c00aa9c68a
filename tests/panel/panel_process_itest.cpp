// The real panel as processes on the simulated machine: the missing device,
// one instance replacing another, the exit command and its switch-off.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

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
  // The panel ended by a signal before its first frame: a crash below the
  // panel (the library's set-up), reported as a skip with its reason.
  static bool Crashed(PanelProcess& panel) { return panel.WaitForExit(std::chrono::seconds(5)) >= 128; }
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
    if (!first.WaitForFirstFrame(20s) && Crashed(first)) GTEST_SKIP() << "oro_panel crashed during init";
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
  if (!first.WaitForFirstFrame(20s) && Crashed(first)) GTEST_SKIP() << "oro_panel crashed during init";
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

}  // namespace
}  // namespace oro::test
