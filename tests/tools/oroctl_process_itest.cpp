// oroctl's process, service and volume-watch commands with oro-sim, each a
// real process on one simulated machine: helper programs started, found by
// any letter case and ended; bad names refused with nothing started; service
// restarts shown step by step in their order, failures with their message;
// a volume watch printing changes made by another program until interrupted.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "temp_root.h"

namespace oro::test {
namespace {

using namespace std::chrono_literals;

// A program whose standard output is read line by line as it comes.
class LineChild {
 public:
  LineChild(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      for (const auto& e : env) putenv(const_cast<char*>(e.c_str()));
      std::vector<char*> args;
      for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      execv(args[0], args.data());
      _exit(127);
    }
    close(out[1]);
    fd_ = out[0];
  }
  ~LineChild() {
    if (pid_ > 0 && status_ == -1000) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (fd_ >= 0) close(fd_);
  }

  // The next whole line, or "<none>" when none came within the time given.
  std::string NextLine(std::chrono::milliseconds limit = 5s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
      const auto nl = buffer_.find('\n');
      if (nl != std::string::npos) {
        std::string line = buffer_.substr(0, nl);
        buffer_.erase(0, nl + 1);
        return line;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) return "<none>";
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
      char chunk[256];
      const ssize_t n = read(fd_, chunk, sizeof chunk);
      if (n <= 0) return "<none>";
      buffer_.append(chunk, static_cast<std::size_t>(n));
    }
  }
  // The exit status after the signal, or -1000 when it did not end in time.
  int SignalAndWait(int sig, std::chrono::milliseconds limit = 5s) {
    kill(pid_, sig);
    const auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (std::chrono::steady_clock::now() < end) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return status_;
      }
      std::this_thread::sleep_for(10ms);
    }
    return -1000;
  }

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
  int status_ = -1000;
  std::string buffer_;
};

class OroctlProcesses : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(Sim("create"), 0); }
  void TearDown() override {
    Ctl("task kill normal.exe");
    Sim("hid stop");
  }

  // Standard output and error together in `out` when given. They go through
  // a file, not a pipe: a program started by the command (the HID host of
  // `oro-sim create`, a started task) keeps them open.
  int Run(const std::string& program, const std::string& args, std::string* out) {
    const std::string file = root_.Path() + "/command.out";
    const int rc = RunCommand("ORO_PLATFORM=sim ORO_ROOT='" + root_.Path() + "' '" + BuiltFile(program) + "' " + args +
                              " >'" + file + "' 2>&1 </dev/null");
    if (out) {
      std::ifstream in(file, std::ios::binary);
      *out = std::string(std::istreambuf_iterator<char>(in), {});
    }
    return rc;
  }
  int Sim(const std::string& args, std::string* out = nullptr) { return Run("oro-sim", args, out); }
  int Ctl(const std::string& args, std::string* out = nullptr) { return Run("oroctl", args, out); }

  static std::string BinDir() { return std::filesystem::path(BuiltFile("normal.exe")).parent_path().string(); }
  // Whether `oroctl task running NAME` reaches the answer within a few seconds.
  bool Becomes(const std::string& name, bool running) {
    for (int i = 0; i < 300; ++i) {
      if ((Ctl("task running " + name) == 0) == running) return true;
      std::this_thread::sleep_for(10ms);
    }
    return false;
  }
  // How many `task list` lines name the program exactly.
  int Listed(const std::string& name) {
    std::string out;
    EXPECT_EQ(Ctl("task list", &out), 0) << out;
    std::istringstream lines(out);
    int n = 0;
    for (std::string line; std::getline(lines, line);)
      n += line.size() > name.size() && line.substr(line.find('\t') + 1) == name;
    return n;
  }

  // The state `oro-sim service list` shows for the service.
  std::string StateOf(const std::string& service) {
    std::string out;
    EXPECT_EQ(Sim("service list", &out), 0) << out;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
      std::istringstream words(line);
      std::string name, state;
      words >> name >> state;
      if (name == service) return state;
    }
    return "<no " + service + ">";
  }

  TempRoot root_;
};

TEST_F(OroctlProcesses, TasksStartFromAFolderAreFoundByAnyCaseAndEnd) {
  std::string out;
  EXPECT_EQ(Ctl("task running normal.exe", &out), 1);
  EXPECT_EQ(out, "not running\n");
  ASSERT_EQ(Ctl("task start normal.exe --folder '" + BinDir() + "' --params '--quiet x'", &out), 0) << out;
  ASSERT_TRUE(Becomes("NORMAL.EXE", true));
  EXPECT_EQ(Ctl("task running Normal.Exe", &out), 0);
  EXPECT_EQ(out, "running\n");
  EXPECT_EQ(Listed("normal.exe"), 1);
  EXPECT_EQ(Ctl("task kill NORMAL.exe", &out), 0) << out;
  EXPECT_TRUE(Becomes("normal.exe", false));
  EXPECT_EQ(Listed("normal.exe"), 0);
  EXPECT_EQ(Ctl("task kill normal.exe", &out), 0) << "ending what does not run is no failure: " << out;
}

TEST_F(OroctlProcesses, ProgramsThatCannotStartFailAndNothingRuns) {
  const std::string plain = root_.Path() + "/plain.exe";
  { std::ofstream(plain) << "#!/bin/sh\nsleep 60\n"; }
  chmod(plain.c_str(), 0644);
  std::string out;
  const std::string folder = " --folder '" + root_.Path() + "'";
  const struct {
    std::string args, message;
  } cases[] = {
      {"task start plain.exe" + folder, "Access is denied."},
      {"task start missing.exe" + folder, "The system cannot find the file specified."},
      {"task start ../plain.exe" + folder, "The filename, directory name, or volume label syntax is incorrect."},
      {"task start \"$(printf 'pl\\001ain.exe')\"" + folder,
       "The filename, directory name, or volume label syntax is incorrect."},
      {"task start ''" + folder, "The filename, directory name, or volume label syntax is incorrect."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Ctl(c.args, &out), 1) << c.args << ": " << out;
    EXPECT_EQ(out.rfind("oroctl: failed start ", 0), 0u) << c.args << ": " << out;
    EXPECT_NE(out.find(c.message), std::string::npos) << c.args << ": " << out;
    EXPECT_EQ(out.find('\x01'), std::string::npos) << "control characters reach the terminal: " << out;
  }
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(Listed("plain.exe"), 0);
  EXPECT_EQ(Ctl("task running ../plain.exe", &out), 1) << out;
  EXPECT_EQ(Ctl("task start", &out), 2) << out;
  EXPECT_EQ(Ctl("task start normal.exe --folder", &out), 2) << out;
  EXPECT_EQ(Ctl("task stop normal.exe", &out), 2) << out;
}

// The kit's machine: AudioSrv depends on AudioEndpointBuilder; BthHFSrv and
// QWAVE depend on AudioSrv.
TEST_F(OroctlProcesses, ServiceRestartShowsEachStepInOrder) {
  std::string out;
  ASSERT_EQ(Ctl("service restart AudioSrv", &out), 0) << out;
  // The dependents stop in the order the manager lists them and start in reverse.
  EXPECT_EQ(
      out,
      "stopping BthHFSrv\nstopped BthHFSrv\nstopping QWAVE\nstopped QWAVE\nstopping AudioSrv\nstopped AudioSrv\n"
      "starting AudioSrv\nstarted AudioSrv\nstarting QWAVE\nstarted QWAVE\nstarting BthHFSrv\nstarted BthHFSrv\n");

  // A stopped service is only started, its stopped dependents stay as they are.
  // (a service with running dependents refuses to stop, so each waits for the last)
  for (const char* name : {"QWAVE", "BthHFSrv", "AudioSrv"}) {
    ASSERT_EQ(Sim(std::string("service stop ") + name), 0) << name;
    for (int i = 0; i < 300 && StateOf(name) != "stopped"; ++i) std::this_thread::sleep_for(10ms);
  }
  ASSERT_EQ(Ctl("service restart AudioSrv", &out), 0) << out;
  EXPECT_EQ(out, "starting AudioSrv\nstarted AudioSrv\n");
  EXPECT_EQ(StateOf("QWAVE"), "stopped");
  EXPECT_EQ(StateOf("AudioSrv"), "running");
}

TEST_F(OroctlProcesses, ServiceFailuresEndTheRestartWithTheirMessage) {
  std::string out;
  EXPECT_EQ(Ctl("service restart NoSuchService", &out), 1);
  EXPECT_EQ(out.rfind("oroctl: OpenService failed for service \"NoSuchService\" (", 0), 0u) << out;

  // A dependent that cannot be stopped: reported at once, not as a time-out,
  // and what was stopped before stays stopped.
  ASSERT_EQ(Sim("service set QWAVE stop-fails 5"), 0);
  const auto asked = std::chrono::steady_clock::now();
  EXPECT_EQ(Ctl("service restart AudioSrv", &out), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - asked, 10s);
  EXPECT_NE(out.find("ControlService failed for service \"QWAVE\" (Access is denied.)"), std::string::npos) << out;
  EXPECT_EQ(StateOf("BthHFSrv"), "stopped");
  EXPECT_EQ(StateOf("AudioSrv"), "running");

  EXPECT_EQ(Sim("service set AudioSrv start-delay many", &out), 2) << out;
  EXPECT_EQ(Sim("service set Nope start-delay 10", &out), 1) << out;
  EXPECT_EQ(Ctl("service restart", &out), 2) << out;
}

TEST_F(OroctlProcesses, VolumeWatchPrintsEveryChangeUntilInterrupted) {
  LineChild watch({BuiltFile("oroctl"), "volume", "watch"}, {"ORO_PLATFORM=sim", "ORO_ROOT=" + root_.Path()});
  EXPECT_EQ(watch.NextLine(), "volume 75 mute 0");  // where it stands: the watch is on
  ASSERT_EQ(Sim("volume render 35"), 0);
  EXPECT_EQ(watch.NextLine(), "volume 35 mute 0");
  ASSERT_EQ(Sim("mute render 1"), 0);
  EXPECT_EQ(watch.NextLine(), "volume 35 mute 1");
  // The default moves to the dongle: the watch follows it.
  ASSERT_EQ(Sim("unplug headset-render"), 0);
  EXPECT_EQ(watch.NextLine().rfind("default {0.0.0.00000000}.", 0), 0u);
  const std::string dongle = watch.NextLine();
  EXPECT_EQ(dongle.rfind("volume ", 0), 0u) << dongle;
  ASSERT_EQ(Sim("volume render 12"), 0);
  EXPECT_EQ(watch.NextLine(), "volume 12 mute 0");
  EXPECT_EQ(watch.SignalAndWait(SIGINT), 0);

  std::string out;
  EXPECT_EQ(Ctl("volume watch sideways", &out), 2) << out;
  EXPECT_EQ(Ctl("volume watch --help", &out), 0);
  EXPECT_EQ(out.rfind("usage: oroctl volume", 0), 0u) << out;
}

}  // namespace
}  // namespace oro::test
