// The client and the update check against a stock FTP server on loopback.
#include <filesystem>
#include <fstream>
#include <random>

#include <gtest/gtest.h>

#include "ftp_test_server.h"
#include "ftp_test_support.h"
#include "install_folder.h"
#include "oro/common/checksum.h"
#include "oro/platform/text.h"
#include "oro/updater/update_check.h"
#include "temp_root.h"

namespace oro::updater {
namespace {

using test::Download;
using test::DownloadFrom;
using test::Event;
using test::LoopbackFtpServer;

class StockServer : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = LoopbackFtpServer::Unavailable();
    if (!why.empty()) GTEST_SKIP() << why;
    FtpSetTimeouts({5000, 10000});
  }
  void TearDown() override { FtpSetTimeouts(FtpTimeouts{}); }

  int Start(const LoopbackFtpServer::Options& options = {}) {
    server_ = std::make_unique<LoopbackFtpServer>(root_.Path(), options);
    EXPECT_GT(server_->Port(), 0) << "the FTP server did not start";
    return server_->Port();
  }

  void Put(const std::string& name, const std::string& content) {
    std::ofstream(root_.Path() + "/" + name, std::ios::binary) << content;
  }

  static std::string RandomBytes(std::size_t size) {
    std::mt19937 gen(7);
    std::string s(size, '\0');
    for (auto& c : s) c = static_cast<char>(gen());
    return s;
  }

  test::TempRoot root_;
  std::unique_ptr<LoopbackFtpServer> server_;
};

TEST_F(StockServer, DownloadsSmallLargeAndEmptyFiles) {
  const std::string small = "setup.exe:crc=0x340bc6d9\r\n";
  const std::string large = RandomBytes(6 * 1024 * 1024 + 123);
  Put("small.txt", small);
  Put("large.bin", large);
  Put("empty.bin", "");
  const int port = Start();

  Download d = DownloadFrom(port, "small.txt");
  ASSERT_EQ(d.result, 1) << d.errors;
  EXPECT_EQ(d.data, small);
  EXPECT_EQ(d.size, static_cast<std::int32_t>(small.size()));

  d = DownloadFrom(port, "large.bin");
  ASSERT_EQ(d.result, 1) << d.errors;
  EXPECT_EQ(d.size, static_cast<std::int32_t>(large.size()));
  EXPECT_TRUE(d.data == large);
  const auto progress = d.Progress();
  EXPECT_GT(progress.size(), 10u);
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_EQ(progress.back(), 100);
  EXPECT_EQ(std::count(progress.begin(), progress.end(), 100), 1);

  d = DownloadFrom(port, "empty.bin");
  ASSERT_EQ(d.result, 1) << d.errors;
  EXPECT_EQ(d.size, 0);
  EXPECT_EQ(d.Progress(), std::vector<std::int32_t>{100});
}

TEST_F(StockServer, WrongPasswordAndMissingFile) {
  Put("small.txt", "x");
  const int port = Start();
  Download d = DownloadFrom(port, "small.txt", "kit", "wrong");
  EXPECT_EQ(d.result, -5);
  EXPECT_EQ(d.events, (std::vector<Event>{{1, -1}}));
  EXPECT_NE(d.errors.find("密码验证失败: 530"), std::string::npos) << d.errors;

  d = DownloadFrom(port, "missing.bin");
  EXPECT_EQ(d.result, -6);
  EXPECT_EQ(d.events, (std::vector<Event>{{5, -1}}));
  EXPECT_NE(d.errors.find("获取文件大小失败: 550"), std::string::npos) << d.errors;
}

TEST_F(StockServer, SizeRefusedInAsciiModeFailsTheDownload) {
  Put("small.txt", "x");
  LoopbackFtpServer::Options options;
  options.stock_size = true;
  const Download d = DownloadFrom(Start(options), "small.txt");
  EXPECT_EQ(d.result, -6);
  EXPECT_EQ(d.events, (std::vector<Event>{{5, -1}}));
  EXPECT_NE(d.errors.find("SIZE not allowed in ASCII mode"), std::string::npos) << d.errors;
}

TEST_F(StockServer, LongGreetingSpansSeveralLines) {
  Put("small.txt", "hello");
  LoopbackFtpServer::Options options;
  options.banner = "Update server of the kit; please keep your downloads small and your sessions short, thanks.";
  const Download d = DownloadFrom(Start(options), "small.txt");
  ASSERT_EQ(d.result, 1) << d.errors;
  EXPECT_EQ(d.data, "hello");
}

TEST_F(StockServer, UpdateCheckFromTheServersInformation) {
  const std::string installed = "installed installer bytes";
  ASSERT_TRUE(std::filesystem::create_directories(root_.Path() + "/updates"));
  const int port = Start();
  test::InstallFolder install;
  NetConfig config;
  config.server = "127.0.0.1";
  config.port = static_cast<std::uint32_t>(port);
  config.user = "kit";
  config.password = "secret";
  config.folder = "updates";
  config.check_switch = 1;
  install.WriteConfig(config);
  install.WriteInstaller(installed);
  const std::wstring folder = platform::FromUtf8(install.Path());

  ::testing::internal::CaptureStderr();
  EXPECT_EQ(CheckForUpdate(folder).code, update_check::kNoUpdateInfo);
  char line[64];
  std::snprintf(line, sizeof line, "setup.exe:crc=0x%08x\r\n", common::Crc32(installed));
  Put("updates/oro_updateinfo.dat", std::string("setup.exe:crc=0x00000001\r\n") + line);
  const UpdateCheckResult listed = CheckForUpdate(folder);
  Put("updates/oro_updateinfo.dat", "setup.exe:crc=0x00000001\r\n");
  const UpdateCheckResult unlisted = CheckForUpdate(folder);
  const std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(listed.code, update_check::kUpToDate) << errors;
  EXPECT_EQ(unlisted.code, update_check::kNewVersion) << errors;
  EXPECT_EQ(unlisted.update_info, L"setup.exe:crc=0x00000001\r\n");
}

}  // namespace
}  // namespace oro::updater
