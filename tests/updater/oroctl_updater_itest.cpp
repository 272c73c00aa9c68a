// oroctl netcfg and oroctl ftp get, as an installer or a person uses them.
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "ftp_test_server.h"
#include "temp_root.h"

namespace oro::test {
namespace {

#ifdef _WIN32
// cmd.exe takes the outer quotes off, so the program's own stay.
std::string Oroctl(const std::string& args) { return "\"\"" + BuiltFile("oroctl.exe") + "\" " + args + "\""; }
const char* const kSpacedPassword = "\"pa ss\"";
#else
std::string Oroctl(const std::string& args) { return BuiltFile("oroctl") + " " + args; }
const char* const kSpacedPassword = "'pa ss'";
#endif

// Console lines as the tests compare them, whatever the system ends lines with.
std::string Lines(std::string out) {
  out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());
  return out;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(OroctlNetcfg, MakeThenShowKeepsThePasswordToItsOwner) {
  TempRoot dir;
  const std::string file = dir.Path() + "/oro_netcfg.fsc";
  std::string out;
  const std::string make = Oroctl("netcfg make " + file + " --server 192.168.1.20 --port 2121 --user kit --password " +
                                  kSpacedPassword + " --folder upd --switch 0");
#ifdef _WIN32
  // The owner-only access list is the file writer's, checked in its own suite.
  ASSERT_EQ(RunCommand(make, &out), 0) << out;
  EXPECT_EQ(ReadFile(file).size(), 344u);
#else
  // Owner-only even under a umask that would let everybody read it.
  ASSERT_EQ(RunCommand("umask 000 && " + make, &out), 0) << out;
  EXPECT_EQ(ReadFile(file).size(), 344u);
  struct stat st {};
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
#endif

  ASSERT_EQ(RunCommand(Oroctl("netcfg show " + file), &out), 0) << out;
  EXPECT_EQ(out.find("pa ss"), std::string::npos) << out;
  EXPECT_NE(out.find("password ********"), std::string::npos) << out;
  out.clear();  // RunCommand appends
  ASSERT_EQ(RunCommand(Oroctl("netcfg show " + file + " --show-password"), &out), 0) << out;
  EXPECT_EQ(Lines(out),
            "server   192.168.1.20\nport     2121\nuser     kit\npassword pa ss\nfolder   upd\nswitch   0\n");
}

TEST(OroctlNetcfg, RefusesBadValuesAndDamagedFiles) {
  TempRoot dir;
  const std::string file = dir.Path() + "/oro_netcfg.fsc";
  std::string out;
  EXPECT_EQ(RunCommand(Oroctl("netcfg make " + file + " --server updates.example.com"), &out), 2);
  EXPECT_NE(out.find("dotted IPv4"), std::string::npos) << out;
  EXPECT_EQ(RunCommand(Oroctl("netcfg make " + file + " --server 1.2.3.4 --user " + std::string(33, 'u')), &out), 2);

  ASSERT_EQ(RunCommand(Oroctl("netcfg make " + file + " --server 1.2.3.4")), 0);
  std::string bytes = ReadFile(file);
  bytes[100] ^= 1;
  std::ofstream(file, std::ios::binary) << bytes;
  EXPECT_EQ(RunCommand(Oroctl("netcfg show " + file), &out), 1);
  EXPECT_NE(out.find("checksum"), std::string::npos) << out;

  // Neither an endless device nor a FIFO without a writer is read: both are
  // refused at once instead of growing or waiting without end.
#ifdef _WIN32
  const std::vector<std::string> not_files = {"NUL", dir.Path()};
#else
  ASSERT_EQ(RunCommand("ln -s /dev/zero " + dir.Path() + "/zero && mkfifo " + dir.Path() + "/fifo"), 0);
  const std::vector<std::string> not_files = {dir.Path() + "/zero", dir.Path() + "/fifo"};
#endif
  for (const std::string command : {"netcfg show ", "ftp get x --config "}) {
    for (const std::string& path : not_files) {
      out.clear();  // RunCommand appends
      EXPECT_EQ(RunCommand(Oroctl(command + path), &out), 1);
      EXPECT_NE(out.find(path + ": not a regular file"), std::string::npos) << out;
    }
  }
  std::ofstream(file, std::ios::binary | std::ios::app) << "x";
  out.clear();
  EXPECT_EQ(RunCommand(Oroctl("netcfg show " + file), &out), 1);
  EXPECT_NE(out.find("345 bytes, expected 344"), std::string::npos) << out;
}

class OroctlFtp : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = LoopbackFtpServer::Unavailable();
    if (!why.empty()) GTEST_SKIP() << why;
    ASSERT_TRUE(std::filesystem::create_directories(root_.Path() + "/upd"));
    std::ofstream(root_.Path() + "/upd/oro_updateinfo.dat", std::ios::binary) << content_;
    server_ = std::make_unique<LoopbackFtpServer>(root_.Path(), LoopbackFtpServer::Options{});
    ASSERT_GT(server_->Port(), 0);
  }

  TempRoot root_;
  TempRoot work_;
  std::string content_ = std::string(200000, 'u') + "setup.exe:crc=0x12345678\r\n";
  std::unique_ptr<LoopbackFtpServer> server_;
};

TEST_F(OroctlFtp, GetsFromTheConfiguredFolderWithProgress) {
  const std::string cfg = work_.Path() + "/oro_netcfg.fsc";
  ASSERT_EQ(RunCommand(Oroctl("netcfg make " + cfg + " --server 127.0.0.1 --port " + std::to_string(server_->Port()) +
                              " --user kit --password secret --folder upd")),
            0);
  const std::string target = work_.Path() + "/info.dat";
  std::string out;
  ASSERT_EQ(RunCommand(Oroctl("ftp get --config " + cfg + " -o " + target + " oro_updateinfo.dat"), &out), 0) << out;
  EXPECT_EQ(ReadFile(target), content_);
  // Redirected: no bar redrawn with carriage returns, one line at the end.
#ifdef _WIN32
  // The console ends lines with CR LF; no bar means no CR without its LF.
  EXPECT_EQ(out.find(std::string("\r[")), std::string::npos) << out;
  out = Lines(out);
#else
  EXPECT_EQ(out.find('\r'), std::string::npos) << out;
#endif
  const std::string last = target + ": " + std::to_string(content_.size()) + " bytes\n";
  ASSERT_GE(out.size(), last.size()) << out;
  EXPECT_EQ(out.substr(out.size() - last.size()), last) << out;

#ifndef _WIN32
  // On a terminal the bar is drawn.
  if (RunCommand("command -v script >/dev/null") != 0) GTEST_SKIP() << "script (util-linux) is not installed";
  ASSERT_EQ(RunCommand("script -qec \"" + Oroctl("ftp get --config " + cfg + " -o " + target + " oro_updateinfo.dat") +
                           "\" /dev/null",
                       &out),
            0)
      << out;
  EXPECT_NE(out.find("\r["), std::string::npos) << out;
  EXPECT_NE(out.find("100%"), std::string::npos) << out;
#endif
}

TEST_F(OroctlFtp, FailureExitsWithTheClientsCode) {
  const std::string target = work_.Path() + "/info.dat";
  const std::string server = "--server 127.0.0.1 --port " + std::to_string(server_->Port()) + " --user kit ";
  std::string out;
  EXPECT_EQ(RunCommand(Oroctl("ftp get " + server + "--password wrong -o " + target + " upd/oro_updateinfo.dat"), &out),
            5);
  EXPECT_NE(out.find("failed with -5: the login failed"), std::string::npos) << out;
  EXPECT_EQ(RunCommand(Oroctl("ftp get " + server + "--password secret -o " + target + " upd/none.dat"), &out), 6);
  EXPECT_NE(out.find("failed with -6"), std::string::npos) << out;
  EXPECT_NE(out.find("the server refused the remote path 'upd/none.dat': 550"), std::string::npos) << out;
  std::ifstream missing(target);
  EXPECT_FALSE(missing.good()) << "a failed download must leave no file";
}

}  // namespace
}  // namespace oro::test
