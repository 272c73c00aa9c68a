// The kit run by an account that is not root, as real processes: a store in
// the user's own folder is the user's to administer, a machine-wide store
// keeps its keys' access lists, and neither is open to other accounts. The
// account is made for the test, so it needs root; elsewhere it is skipped.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "temp_root.h"

namespace oro::test {
namespace {

std::string Quote(const std::string& arg) {
  std::string out = "'";
  for (char c : arg) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

class StoreOwnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "making a test account needs root";
    user_ = "orotest" + std::to_string(getpid());
    std::string out;
    if (RunCommand("useradd --system --no-create-home --user-group --shell /usr/sbin/nologin " + user_, &out) != 0) {
      GTEST_SKIP() << "cannot make a test account: " << out;
    }
    made_ = true;
    ASSERT_EQ(chmod(root_.Path().c_str(), 0755), 0);
  }
  void TearDown() override {
    if (!made_) return;
    Run("own", {"oro-sim", "hid", "stop"}, /*as_user=*/true);
    RunCommand("userdel " + user_ + " 2>/dev/null; groupdel " + user_ + " 2>/dev/null");
  }

  std::string Folder(const std::string& name) const { return root_.Path() + "/" + name; }

  // Runs a built tool (args[0]) with the store in Folder(folder), as the test
  // account or as root, under umask 000.
  int Run(const std::string& folder, const std::vector<std::string>& args, bool as_user) {
    std::string command = "umask 000; cd / && ";
    if (as_user) command += "setpriv --reuid=" + user_ + " --regid=" + user_ + " --init-groups ";
    command += "env ORO_PLATFORM=sim ORO_ROOT=" + Quote(Folder(folder)) + " " + Quote(BuiltFile(args[0]));
    for (std::size_t i = 1; i < args.size(); ++i) command += " " + Quote(args[i]);
    out_.clear();
    return RunCommand(command + " </dev/null", &out_);
  }

  TempRoot root_;
  std::string user_;
  bool made_ = false;
  std::string out_;
};

TEST_F(StoreOwnerTest, TheOwnerOfAStoreAdministersItAndNobodyElseReadsIt) {
  ASSERT_EQ(RunCommand("install -d -o " + user_ + " -g " + user_ + " -m 0700 " + Quote(Folder("own"))), 0);
  ASSERT_EQ(Run("own", {"oro-sim", "create"}, true), 0) << out_;
  ASSERT_EQ(Run("own", {"oroctl", "reg", "add", "HKCU\\Software\\Mine", "/v", "a", "/d", "1"}, true), 0) << out_;
  ASSERT_EQ(Run("own", {"oroctl", "reg", "add", "HKLM\\SOFTWARE\\OroSoundKit", "/v", "b", "/d", "2", "/f"}, true), 0)
      << out_;
  ASSERT_EQ(Run("own", {"oroctl", "eq", "set", "1k=-2"}, true), 0) << out_;
  ASSERT_EQ(Run("own", {"oroctl", "eq", "show"}, true), 0) << out_;
  EXPECT_NE(out_.find("-2"), std::string::npos) << out_;
  // Under umask 000 still: the store and its journals are the user's alone.
  for (const char* file : {"/registry.db", "/registry.db-wal", "/registry.db-shm"}) {
    EXPECT_EQ(ModeOf(Folder("own") + file), 0600u) << file;
  }
}

TEST_F(StoreOwnerTest, AMachineWideStoreIsReadByTheKitsGroupAndKeepsItsKeysSecurity) {
  // The kit's group shares the folder (set-group-id), so its members may read.
  ASSERT_EQ(RunCommand("install -d -o root -g " + user_ + " -m 2750 " + Quote(Folder("machine"))), 0);
  ASSERT_EQ(Run("machine", {"oroctl", "reg", "add", "HKLM\\SOFTWARE\\OroSoundKit", "/v", "b", "/d", "2"}, false), 0)
      << out_;
  for (const char* file : {"/registry.db", "/registry.db-wal", "/registry.db-shm"}) {
    EXPECT_EQ(ModeOf(Folder("machine") + file), 0640u) << file;
  }
  ASSERT_EQ(Run("machine", {"oroctl", "reg", "query", "HKLM\\SOFTWARE\\OroSoundKit", "/v", "b"}, true), 0) << out_;
  EXPECT_EQ(Run("machine", {"oroctl", "reg", "add", "HKLM\\SOFTWARE\\OroSoundKit", "/v", "b", "/d", "3", "/f"}, true),
            1)
      << out_;
  EXPECT_NE(out_.find("Access is denied."), std::string::npos) << out_;
  EXPECT_EQ(Run("machine", {"oroctl", "reg", "add", "HKCU\\Software\\Mine", "/v", "a", "/d", "1"}, true), 1) << out_;

  // Without the group's bit the store is root's alone.
  ASSERT_EQ(RunCommand("install -d -o root -g root -m 0755 " + Quote(Folder("private"))), 0);
  ASSERT_EQ(Run("private", {"oroctl", "reg", "add", "HKLM\\SOFTWARE\\OroSoundKit", "/v", "b", "/d", "2"}, false), 0)
      << out_;
  EXPECT_EQ(ModeOf(Folder("private") + "/registry.db"), 0600u);
  EXPECT_NE(Run("private", {"oroctl", "reg", "query", "HKLM\\SOFTWARE\\OroSoundKit", "/v", "b"}, true), 0) << out_;
  EXPECT_EQ(out_.find("REG_SZ"), std::string::npos) << out_;
}

}  // namespace
}  // namespace oro::test
