// The update decision, with the server replaced by a fake fetch.
#include <gtest/gtest.h>

#include "install_folder.h"
#include "oro/common/checksum.h"
#include "oro/platform/text.h"
#include "oro/updater/update_check.h"

namespace oro::updater {
namespace {

const std::string kInstalled = "installer of the installed version";

class UpdateCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    config_.server = "10.1.2.3";
    config_.port = 2121;
    config_.user = "kit";
    config_.password = "secret";
    config_.folder = "updates";
    config_.check_switch = 1;
  }

  UpdateCheckResult Check() {
    return CheckForUpdate(platform::FromUtf8(folder_.Path()),
                          [this](const NetConfig& server, const std::string& path, std::vector<std::uint8_t>& bytes) {
                            ++fetches_;
                            seen_server_ = server;
                            seen_path_ = path;
                            bytes.assign(info_.begin(), info_.end());
                            return fetch_result_;
                          });
  }

  static std::string Listed(const std::string& installer) {
    char line[64];
    std::snprintf(line, sizeof line, "setup.exe:crc=0x%08x\r\n", common::Crc32(installer));
    return line;
  }

  test::InstallFolder folder_;
  NetConfig config_;
  std::string info_;
  int fetch_result_ = 1;
  int fetches_ = 0;
  NetConfig seen_server_;
  std::string seen_path_;
};

TEST_F(UpdateCheck, NewVersionWhenTheInstalledChecksumIsNotListed) {
  folder_.WriteConfig(config_);
  folder_.WriteInstaller(kInstalled);
  info_ = Listed("a newer installer");
  const auto r = Check();
  EXPECT_EQ(r.code, update_check::kNewVersion);
  EXPECT_EQ(seen_path_, "updates/oro_updateinfo.dat");
  EXPECT_EQ(seen_server_.server, "10.1.2.3");
  EXPECT_EQ(seen_server_.port, 2121u);
  EXPECT_EQ(seen_server_.user, "kit");
  EXPECT_EQ(seen_server_.password, "secret");
  EXPECT_EQ(r.server.folder, "updates");
  EXPECT_EQ(r.installed_crc, common::Crc32(kInstalled));
  EXPECT_EQ(r.update_info, platform::FromUtf8(info_));
}

TEST_F(UpdateCheck, UpToDateWhenListedAnywhere) {
  folder_.WriteConfig(config_);
  folder_.WriteInstaller(kInstalled);
  info_ = Listed("older") + Listed(kInstalled) + Listed("newer");
  EXPECT_EQ(Check().code, update_check::kUpToDate);
}

TEST_F(UpdateCheck, SwitchOffWinsOverDifferingLists) {
  config_.check_switch = 0;
  folder_.WriteConfig(config_);
  folder_.WriteInstaller(kInstalled);
  info_ = Listed("a newer installer");
  const auto r = Check();
  EXPECT_EQ(r.code, update_check::kCheckOff);
  EXPECT_EQ(fetches_, 1);  // the information is still kept for the panel
  EXPECT_FALSE(r.update_info.empty());
}

TEST_F(UpdateCheck, EarlyFailuresStopBeforeTheServer) {
  EXPECT_EQ(Check().code, update_check::kNoConfig);
  folder_.Write("oro_netcfg.fsc", std::string(344, 'x'));  // checksum does not match
  EXPECT_EQ(Check().code, update_check::kNoConfig);
  folder_.WriteConfig(config_);
  EXPECT_EQ(Check().code, update_check::kNoInstalledInstaller);
  folder_.WriteInstaller("");
  EXPECT_EQ(Check().code, update_check::kNoInstalledInstaller);
  EXPECT_EQ(fetches_, 0);
}

TEST_F(UpdateCheck, UnreachableInformationIsMinusFour) {
  folder_.WriteConfig(config_);
  folder_.WriteInstaller(kInstalled);
  fetch_result_ = -3;
  EXPECT_EQ(Check().code, update_check::kNoUpdateInfo);
}

TEST_F(UpdateCheck, InformationEndsAtItsFirstZeroByte) {
  folder_.WriteConfig(config_);
  folder_.WriteInstaller(kInstalled);
  info_ = Listed("newer") + std::string(1, '\0') + Listed(kInstalled);
  const auto r = Check();
  EXPECT_EQ(r.code, update_check::kNewVersion);
  EXPECT_EQ(r.update_info, platform::FromUtf8(Listed("newer")));
}

TEST(UpdateTexts, ChecksumTagAndRemotePaths) {
  EXPECT_EQ(InstallerCrcTag(common::Crc32("abc")), L"setup.exe:crc=0xcadbbe3d");
  EXPECT_EQ(InstallerCrcTag(0x0000abcd), L"setup.exe:crc=0x0000abcd");
  EXPECT_EQ(RemoteFilePath("updates", "setup.exe"), "updates/setup.exe");
  EXPECT_EQ(RemoteFilePath("updates/", "setup.exe"), "updates/setup.exe");
  EXPECT_EQ(RemoteFilePath("", "setup.exe"), "/setup.exe");
  const std::uint8_t high[] = {'a', 0xE9, 0};
  EXPECT_EQ(UpdateInfoText(high, sizeof high), std::wstring(L"a\u00e9"));
}

}  // namespace
}  // namespace oro::updater
