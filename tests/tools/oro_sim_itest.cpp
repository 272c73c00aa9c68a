// oro-sim and oroctl as separate processes on one state folder: what one
// changes the other sees, the fallbacks when an endpoint goes away, and the
// exit statuses of bad command lines.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "oro/platform/make_platform.h"
#include "temp_root.h"

namespace oro::test {
namespace {

class OroSimTools : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* program : {"oro-sim", "oroctl"}) {
      ASSERT_EQ(access(BuiltFile(program).c_str(), X_OK), 0) << BuiltFile(program) << " is not built";
    }
  }

  int Run(const std::string& program, const std::string& args, std::string* out = nullptr) {
    std::string local;
    if (out) out->clear();  // RunCommand appends
    const int rc = RunCommand("ORO_PLATFORM=sim ORO_ROOT='" + root_.Path() + "' '" + BuiltFile(program) + "' " + args,
                              out ? out : &local);
    return rc;
  }
  int Sim(const std::string& args, std::string* out = nullptr) { return Run("oro-sim", args, out); }
  int Ctl(const std::string& args, std::string* out = nullptr) { return Run("oroctl", args, out); }

  // The JSON line of one endpoint in `oro-sim list --json` (one endpoint a line).
  std::string JsonEntry(const std::string& alias) {
    std::string out;
    EXPECT_EQ(Sim("list --json", &out), 0) << out;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
      if (line.find("\"alias\": \"" + alias + "\"") != std::string::npos) return line;
    }
    return "<no entry for " + alias + ">";
  }

  TempRoot root_;
};

TEST_F(OroSimTools, CreateBuildsTheKitMachineOnceUnlessForced) {
  std::string out;
  ASSERT_EQ(Sim("create", &out), 0) << out;
  ASSERT_EQ(Sim("list", &out), 0) << out;
  for (const char* alias :
       {"headset-render", "headset-capture", "dongle-render", "dongle-capture", "onboard-render", "onboard-capture"}) {
    EXPECT_NE(out.find(alias), std::string::npos) << alias << " missing from\n" << out;
  }
  const std::string headset = JsonEntry("headset-render");
  EXPECT_NE(headset.find("\"id\": \"{0.0.0.00000000}.{"), std::string::npos) << headset;
  EXPECT_NE(headset.find("\"vid\": \"040B\", \"pid\": \"F779\""), std::string::npos) << headset;
  EXPECT_NE(headset.find("\"state\": \"active\""), std::string::npos) << headset;
  EXPECT_NE(headset.find("\"default_roles\": [\"console\", \"multimedia\", \"communications\"]"), std::string::npos)
      << headset;
  EXPECT_NE(JsonEntry("onboard-render").find("\"vid\": null"), std::string::npos);

  ASSERT_EQ(Ctl("volume set render 35", &out), 0) << out;
  EXPECT_EQ(Sim("create", &out), 1);
  EXPECT_NE(out.find("--force"), std::string::npos) << out;
  EXPECT_NE(JsonEntry("headset-render").find("\"volume\": 35,"), std::string::npos) << "the refused create changed it";
  ASSERT_EQ(Sim("create --force", &out), 0) << out;
  EXPECT_NE(JsonEntry("headset-render").find("\"volume\": 75,"), std::string::npos);
}

TEST_F(OroSimTools, ChangesOfEitherProgramAreSeenByTheOther) {
  std::string out;
  ASSERT_EQ(Sim("create", &out), 0) << out;
  ASSERT_EQ(Ctl("volume set render 35", &out), 0) << out;
  ASSERT_EQ(Ctl("volume mute capture 1", &out), 0) << out;
  const std::string render = JsonEntry("headset-render");
  EXPECT_NE(render.find("\"volume\": 35, \"scalar\": 0.349999994,"), std::string::npos) << render;
  EXPECT_NE(JsonEntry("headset-capture").find("\"mute\": true"), std::string::npos);
  EXPECT_NE(JsonEntry("onboard-render").find("\"volume\": 50,"), std::string::npos) << "wrong endpoint changed";

  ASSERT_EQ(Sim("volume render 64"), 0);
  ASSERT_EQ(Ctl("volume get render", &out), 0) << out;
  EXPECT_EQ(out, "64\n");
  ASSERT_EQ(Sim("mute capture 0"), 0);
  ASSERT_EQ(Ctl("volume mute capture", &out), 0) << out;
  EXPECT_EQ(out, "0\n");

  // Moving the multimedia default moves what the library works on.
  ASSERT_EQ(Sim("default render onboard-render --role multimedia", &out), 0) << out;
  ASSERT_EQ(Ctl("volume get render", &out), 0) << out;
  EXPECT_EQ(out, "50\n");
}

TEST_F(OroSimTools, UnpluggedCaptureEndpointsLeaveTheFallbacks) {
  std::string out;
  ASSERT_EQ(Sim("create", &out), 0) << out;
  // The headset alone: the dongle takes over as the default.
  ASSERT_EQ(Sim("unplug headset-capture", &out), 0) << out;
  ASSERT_EQ(Ctl("volume get capture", &out), 0) << out;
  EXPECT_EQ(out, "70\n");

  ASSERT_EQ(Sim("unplug capture", &out), 0) << out;
  EXPECT_EQ(Ctl("volume get capture", &out), 1);
  EXPECT_EQ(out.rfind("50\n", 0), 0u) << out;
  EXPECT_NE(out.find("no capture endpoint could be used"), std::string::npos) << out;
  EXPECT_EQ(Ctl("volume mute capture", &out), 1);
  EXPECT_EQ(out.rfind("0\n", 0), 0u) << out;
  EXPECT_EQ(Ctl("volume set capture 20", &out), 1);
  EXPECT_NE(out.find("no capture endpoint could be used"), std::string::npos) << out;
  EXPECT_EQ(Ctl("volume get render", &out), 0) << out;

  // Plugged back, the headset is the default again and kept its volume.
  ASSERT_EQ(Sim("plug headset-capture", &out), 0) << out;
  ASSERT_EQ(Ctl("volume get capture", &out), 0) << out;
  EXPECT_EQ(out, "80\n");
}

// A reading the library could only give as its fallback is shown as one and
// fails, naming what really went wrong; so does a store that cannot be read.
TEST_F(OroSimTools, ReadingsThatAreFallbacksSayWhyAndFail) {
  std::string out;
  ASSERT_EQ(Sim("create", &out), 0) << out;
  const std::string guid = "{1c6d8a52-3f4e-4b9a-8d21-5e7f90a1b2c3}";
  ASSERT_NE(JsonEntry("headset-render").find(guid), std::string::npos) << "the kit machine's headset moved";
  const std::string key =
      "'HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Render\\" + guid + "'";
  ASSERT_EQ(Ctl("reg add " + key + " /v SimMasterVolume /t REG_BINARY /d 0000c07f /f", &out), 0) << out;  // NaN
  EXPECT_EQ(Ctl("volume get render", &out), 1);
  EXPECT_EQ(out.rfind("50\n", 0), 0u) << out;
  EXPECT_NE(
      out.find("the value shown is the fallback: the render volume could not be read: The registry is corrupted."),
      std::string::npos)
      << out;

  std::ofstream(root_.RegistryDb(), std::ios::binary | std::ios::trunc) << std::string(4096, 'x');
  EXPECT_EQ(Ctl("eq show", &out), 1);
  EXPECT_NE(out.find("the gains shown are the defaults: the settings store could not be read"), std::string::npos)
      << out;
  EXPECT_EQ(Ctl("blocks show", &out), 1);
  EXPECT_NE(out.find("the settings store could not be read"), std::string::npos) << out;
}

// A store the caller may read but not write refuses the change, and says so
// rather than blaming the endpoint.
TEST_F(OroSimTools, AStoreThatRefusesWritesIsNamedAsTheCause) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run oroctl as user 65534";
  if (RunCommand("command -v setpriv >/dev/null") != 0) GTEST_SKIP() << "setpriv is not installed";
  std::string out;
  ASSERT_EQ(Sim("create", &out), 0) << out;
  ASSERT_EQ(chmod(root_.Path().c_str(), 0755), 0);
  // Readable, as a store shared with the caller's group is; only writes refused.
  for (const char* suffix : {"", "-wal", "-shm"}) {
    ASSERT_EQ(chmod((root_.RegistryDb() + suffix).c_str(), 0644), 0) << suffix;
  }
  out.clear();
  const int rc = RunCommand("ORO_PLATFORM=sim ORO_ROOT='" + root_.Path() +
                                "' setpriv --reuid=65534 --regid=65534 --clear-groups '" + BuiltFile("oroctl") +
                                "' volume set render 30",
                            &out);
  EXPECT_EQ(rc, 1);
  EXPECT_NE(out.find("the render volume could not be set: Access is denied."), std::string::npos) << out;
  EXPECT_EQ(out.find("no render endpoint"), std::string::npos) << out;
  EXPECT_NE(JsonEntry("headset-render").find("\"volume\": 75,"), std::string::npos);
}

// oro-sim create --force killed at any moment leaves either the whole machine
// or one every command refuses as incomplete, never a few endpoints taken for
// a machine; the machine's temporary folder is its owner's whatever the umask.
TEST_F(OroSimTools, AnInterruptedCreateIsNeverTakenForAWholeMachine) {
  std::string out;
  ASSERT_EQ(Run("oro-sim", "create", &out), 0) << out;
  const std::string program = BuiltFile("oro-sim");
  int refused = 0;
  // Kills from at once to past the end, a millisecond apart first (a quiet
  // machine builds in a few), then wider for slower builds (sanitizers).
  for (int round = 0; round < 112 && refused < 4; ++round) {
    const pid_t pid = fork();
    if (pid == 0) {
      setenv("ORO_PLATFORM", "sim", 1);
      setenv("ORO_ROOT", root_.Path().c_str(), 1);
      freopen("/dev/null", "w", stdout);
      execl(program.c_str(), "oro-sim", "create", "--force", static_cast<char*>(nullptr));
      _exit(127);
    }
    usleep(static_cast<useconds_t>(round < 64 ? 1000 * round : 8000 * (round - 56)));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    const int rc = Sim("list --json", &out);
    if (rc == 0) {
      std::size_t endpoints = 0;
      for (std::size_t at = out.find("\"id\""); at != std::string::npos; at = out.find("\"id\"", at + 1)) ++endpoints;
      EXPECT_EQ(endpoints, 6u) << "round " << round << " left a machine taken for whole:\n" << out;
    } else {
      ++refused;
      EXPECT_EQ(rc, 1) << out;
      EXPECT_NE(out.find("is incomplete: an earlier oro-sim create was interrupted"), std::string::npos) << out;
      EXPECT_EQ(Sim("volume render 20", &out), 1) << out;
      EXPECT_EQ(Sim("create", &out), 1) << "only --force replaces it";
    }
  }
  EXPECT_GT(refused, 0) << "no round interrupted the create; the test proved nothing";

  ASSERT_EQ(Run("oro-sim", "create --force", &out), 0) << out;
  ASSERT_EQ(
      RunCommand("umask 000; ORO_PLATFORM=sim ORO_ROOT='" + root_.Path() + "' '" + program + "' create --force", &out),
      0)
      << out;
  EXPECT_NE(JsonEntry("headset-render").find("\"volume\": 75,"), std::string::npos);
  struct stat st {};
  const auto p = platform::ResolveStatePaths(root_.Path().c_str());
  ASSERT_EQ(stat((p.sim_dir + "/tmp").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
}

// Names reach a terminal escaped and scripts as valid JSON; bytes that are
// not UTF-8 are refused rather than turned into U+FFFD, where two different
// names would become one.
TEST_F(OroSimTools, HostileNamesAreEscapedAndNamesThatAreNotUtf8Refused) {
  std::string out;
  ASSERT_EQ(Sim("create", &out), 0) << out;
  ASSERT_EQ(
      Sim("add render --alias \"$(printf 'evil\\033[2J')\" --adapter \"$(printf 'Card\\007\\302\\23331m')\"", &out), 0)
      << out;
  ASSERT_EQ(Sim("list", &out), 0) << out;
  EXPECT_EQ(out.find('\x1b'), std::string::npos) << "an escape sequence reached the terminal";
  EXPECT_EQ(out.find('\x07'), std::string::npos);
  EXPECT_EQ(out.find("\xc2\x9b"), std::string::npos);
  EXPECT_NE(out.find("evil\\x1b[2J"), std::string::npos) << out;
  EXPECT_NE(out.find("Card\\x07\\x9b31m"), std::string::npos) << out;
  ASSERT_EQ(Sim("list --json", &out), 0) << out;
  EXPECT_NE(out.find("\"alias\": \"evil\\u001b[2J\""), std::string::npos) << out;

  EXPECT_EQ(Sim("add render --alias \"$(printf 'bad\\377')\" --adapter X", &out), 2);
  EXPECT_NE(out.find("is not valid UTF-8"), std::string::npos) << out;
  EXPECT_EQ(Ctl("reg add \"$(printf 'HKCU\\\\Software\\\\a\\376')\" /f", &out), 2);
  EXPECT_EQ(Ctl("reg add \"$(printf 'HKCU\\\\Software\\\\a\\377')\" /f", &out), 2);
  EXPECT_EQ(Ctl("reg query 'HKCU\\Software' /s", &out), 1) << "a name was stored with U+FFFD: " << out;
}

// --help answers on every command and sub-command with its usage and exit 0,
// and touches no state (no store is created for it).
TEST_F(OroSimTools, EveryCommandAndSubCommandAnswersHelp) {
  std::string out;
  for (const char* cmd : {"reg", "reg query", "volume", "volume set render", "eq", "eq set", "blocks show", "netcfg",
                          "netcfg show", "ftp", "ftp get", "ftp get --config x"}) {
    EXPECT_EQ(Ctl(std::string(cmd) + " --help", &out), 0) << cmd << ": " << out;
    EXPECT_EQ(out.rfind("usage: oroctl ", 0), 0u) << cmd << ": " << out;
  }
  for (const char* cmd :
       {"create", "list", "add render", "plug", "unplug", "default", "volume", "mute", "os-version", "locale"}) {
    EXPECT_EQ(Sim(std::string(cmd) + " --help", &out), 0) << cmd << ": " << out;
    EXPECT_EQ(out.rfind("usage: oro-sim ", 0), 0u) << cmd << ": " << out;
  }
  EXPECT_EQ(Ctl("--help", &out), 0);
  EXPECT_EQ(Sim("-h", &out), 0);
  EXPECT_FALSE(std::ifstream(root_.RegistryDb()).good()) << "asking for help created the store";
}

TEST_F(OroSimTools, OsVersionReachesTheSimulatedSystem) {
  std::string out;
  ASSERT_EQ(Sim("create", &out), 0) << out;
  ASSERT_EQ(Sim("os-version 6.1", &out), 0) << out;
  auto p = platform::MakePlatform(platform::Profile::kSim, platform::ResolveStatePaths(root_.Path().c_str()));
  EXPECT_EQ(p.system->OsVersion(), 0x00060001u);
  EXPECT_EQ(Sim("os-version 6", &out), 2);
  EXPECT_EQ(Sim("os-version 6.70000", &out), 2);
  EXPECT_EQ(p.system->OsVersion(), 0x00060001u);
}

TEST_F(OroSimTools, BadCommandLinesExitWithTwoAndFailuresWithOne) {
  std::string out;
  ASSERT_EQ(Sim("create", &out), 0) << out;
  EXPECT_EQ(Sim("", &out), 2);
  EXPECT_EQ(Sim("bogus", &out), 2);
  EXPECT_EQ(Sim("volume render 150", &out), 2);
  EXPECT_EQ(Sim("volume render loud", &out), 2);
  EXPECT_EQ(Sim("mute render 2", &out), 2);
  EXPECT_EQ(Sim("default render", &out), 2);
  EXPECT_EQ(Sim("default render headset-render --role everybody", &out), 2);
  EXPECT_EQ(Sim("list --yaml", &out), 2);
  EXPECT_EQ(Ctl("volume get sideways", &out), 2);
  EXPECT_EQ(Ctl("volume set render 101", &out), 2);
  EXPECT_EQ(Ctl("volume set render -5", &out), 2);
  EXPECT_EQ(Ctl("volume mute render 2", &out), 2);
  EXPECT_EQ(Ctl("volume", &out), 2);

  EXPECT_EQ(Sim("plug no-such-endpoint", &out), 1);
  EXPECT_NE(out.find("no endpoint 'no-such-endpoint'"), std::string::npos) << out;
  EXPECT_EQ(Sim("default render headset-capture", &out), 1);
  EXPECT_NE(out.find("is a capture endpoint"), std::string::npos) << out;
  ASSERT_EQ(Sim("unplug dongle-render", &out), 0) << out;
  EXPECT_EQ(Sim("default render dongle-render", &out), 1);
  EXPECT_NE(out.find("unplugged"), std::string::npos) << out;
  EXPECT_NE(JsonEntry("headset-render").find("\"default_roles\": [\"console\", \"multimedia\", \"communications\"]"),
            std::string::npos);
}

}  // namespace
}  // namespace oro::test
