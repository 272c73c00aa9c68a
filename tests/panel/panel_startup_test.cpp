// The entry checks on a recording library and a real settings store:
// elevation, the hand-over between instances, stale exit commands and the
// missing device.
#include <gtest/gtest.h>

#include "oro/common/registry_access.h"
#include "oro/platform/make_platform.h"
#include "panel_startup.h"
#include "recording_device_api.h"
#include "temp_root.h"

namespace oro::test {
namespace {

class StartupTest : public ::testing::Test {
 protected:
  StartupTest()
      : platform_(platform::MakePlatform(platform::Profile::kSim, platform::ResolveStatePaths(root_.Path().c_str()))),
        settings_(*platform_.registry, platform_.system.get()) {
    hooks_.sleep = [this](int ms) {
      slept_ += ms;
      if (on_sleep_) on_sleep_();
    };
    hooks_.message = [this](const QString& caption, const QString& text) { messages_.push_back(caption + "|" + text); };
  }

  std::optional<int> Run(std::uint32_t locale = 1033) { return panel::RunEntryChecks(api_, settings_, locale, hooks_); }

  TempRoot root_;
  platform::Platform platform_;
  panel::PanelSettings settings_;
  RecordingDeviceApi api_;
  panel::StartupHooks hooks_;
  std::function<void()> on_sleep_;
  int slept_ = 0;
  std::vector<QString> messages_;
};

class NotAdminApi : public RecordingDeviceApi {
 public:
  int restart = 0;
  int IsRunningAsAdmin() override {
    calls.push_back({"IsRunningAsAdmin", {}, {}, {}});
    return 0;
  }
  int RestartAsAdmin() override {
    calls.push_back({"RestartAsAdmin", {}, {}, {}});
    return restart;
  }
};

TEST_F(StartupTest, WithoutAdministratorRightsTheProgramRestartsElevatedAndEnds) {
  NotAdminApi api;
  api.restart = 1;
  EXPECT_EQ(panel::RunEntryChecks(api, settings_, 1033, hooks_), 1);
  api.restart = 0;
  EXPECT_EQ(panel::RunEntryChecks(api, settings_, 1033, hooks_), -1);
  EXPECT_EQ(api.Names(),
            (std::vector<std::string>{"IsRunningAsAdmin", "RestartAsAdmin", "IsRunningAsAdmin", "RestartAsAdmin"}));
}

TEST_F(StartupTest, ASecondInstanceAsksTheFirstToExitWaitsAndGoesOn) {
  api_.already_run = 1;
  std::uint32_t seen_during_wait = 99;
  on_sleep_ = [&] {
    seen_during_wait = settings_.exitCmd();
    settings_.SetExitCmd(0);  // the running panel takes the request
  };
  EXPECT_EQ(Run(), std::nullopt);
  EXPECT_EQ(seen_during_wait, 1u);
  EXPECT_EQ(slept_, 1000);
  EXPECT_EQ(api_.Calls("IsAlreadyRun")[0].text, L"Global\\{45A8C662-65D7-4679-801E-604A2DF76732}");
  EXPECT_EQ(api_.Names(), (std::vector<std::string>{"IsRunningAsAdmin", "IsAlreadyRun", "getDeviceCount"}));
}

TEST_F(StartupTest, ARequestNobodyTookOrAStaleOneDoesNotEndTheNewPanel) {
  // The running instance does not follow exit commands.
  api_.already_run = 1;
  EXPECT_EQ(Run(), std::nullopt);
  EXPECT_EQ(settings_.exitCmd(), 0u);
  // Left by the service while no panel ran.
  api_.already_run = 0;
  slept_ = 0;
  settings_.SetExitCmd(1);
  EXPECT_EQ(Run(), std::nullopt);
  EXPECT_EQ(settings_.exitCmd(), 0u);
  EXPECT_EQ(slept_, 0);
}

TEST_F(StartupTest, NoDeviceShowsTheMessageInTheUsersLanguageAndEndsWithZero) {
  api_.device_count = 0;
  EXPECT_EQ(Run(2052), 0);
  EXPECT_EQ(Run(1033), 0);
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[0], QString::fromUtf8("温馨提示|  找不到设备"));
  EXPECT_EQ(messages_[1], QString::fromUtf8("温馨提示|Can't connect to device"));
  EXPECT_TRUE(api_.Calls("init").empty());
  EXPECT_EQ(settings_.exitCmd(), 0u);
}

}  // namespace
}  // namespace oro::test
