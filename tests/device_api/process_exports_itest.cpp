// The library's process helpers against the simulated machine: real stand-in
// programs started from the install folder, found by any letter case, ended;
// bad names refused with the printed failure; the single-instance mutex
// across real processes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "oro/common/registry_access.h"
#include "oro/device_api/library_context.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/text.h"
#include "oro_ecd_api.h"
#include "temp_root.h"

namespace oro::test {
namespace {

using namespace std::chrono_literals;

const std::wstring kInstance = L"Global\\{45A8C662-65D7-4679-801E-604A2DF76732}";

class ProcessExports : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_ = platform::MakePlatform(platform::Profile::kSim, platform::ResolveStatePaths(root_.Path().c_str()));
    device_api::SetLibraryPlatform(platform_);
    common::RegistryAccess reg(*platform_.registry);
    reg.CreateKey(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit");
    reg.WriteString(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit", L"InstallPath", platform::FromUtf8(BinDir()));
  }
  void TearDown() override {
    _kill_task(L"normal.exe");
    _kill_task(L"audiodg.exe");
  }

  static std::string BinDir() { return std::filesystem::path(BuiltFile("normal.exe")).parent_path().string(); }

  // Waits until the name's running state is `running`.
  static bool Becomes(const wchar_t* name, int running) {
    for (int i = 0; i < 300; ++i) {
      if (_is_task_running(name) == running) return true;
      std::this_thread::sleep_for(10ms);
    }
    return false;
  }
  std::vector<platform::ProcessEntry> Named(const std::wstring& name) {
    std::vector<platform::ProcessEntry> all, out;
    platform_.processes->Snapshot(&all);
    for (auto& p : all) {
      if (p.name == name) out.push_back(p);
    }
    return out;
  }
  // What _start_task printed.
  template <typename F>
  static std::string Printed(F start) {
    ::testing::internal::CaptureStdout();
    start();
    return ::testing::internal::GetCapturedStdout();
  }

  TempRoot root_;
  platform::Platform platform_;
};

TEST_F(ProcessExports, StartsFromTheInstallFolderFindsByAnyCaseAndKills) {
  EXPECT_EQ(_is_task_running(L"normal.exe"), 0);
  EXPECT_EQ(Printed([] { _start_task(L"normal.exe", L"--mode \"two words\" C:\\\\x", 1, nullptr); }), "");
  ASSERT_TRUE(Becomes(L"NORMAL.EXE", 1));
  EXPECT_EQ(_is_task_running(L"Normal.Exe"), 1);

  const auto running = Named(L"normal.exe");
  ASSERT_EQ(running.size(), 1u);
  std::ifstream cmdline("/proc/" + std::to_string(running[0].id) + "/cmdline", std::ios::binary);
  const std::string args((std::istreambuf_iterator<char>(cmdline)), std::istreambuf_iterator<char>());
  const std::string nul(1, '\0');
  EXPECT_EQ(args, BinDir() + "/normal.exe" + nul + "--mode" + nul + "two words" + nul + "C:\\\\x" + nul);

  // A folder given by the caller replaces the install folder.
  EXPECT_EQ(Printed([] { _start_task(L"audiodg.exe", nullptr, 0, platform::FromUtf8(BinDir() + "/").c_str()); }), "");
  ASSERT_TRUE(Becomes(L"AUDIODG.EXE", 1));

  _kill_task(L"NORMAL.exe");
  EXPECT_TRUE(Becomes(L"normal.exe", 0));
  EXPECT_EQ(_is_task_running(L"audiodg.exe"), 1) << "only the named program ends";
  _kill_task(L"nothing-runs-by-this-name.exe");
}

TEST_F(ProcessExports, ProgramsThatCannotStartArePrintedAndNothingRuns) {
  EXPECT_EQ(Printed([] { _start_task(L"missing.exe", nullptr, 1, nullptr); }),
            "failed start " + BinDir() + "/missing.exe,err=The system cannot find the file specified.\r\n");

  const std::string plain = root_.Path() + "/plain.exe";
  { std::ofstream(plain) << "#!/bin/sh\n"; }
  chmod(plain.c_str(), 0644);
  EXPECT_EQ(Printed([&] { _start_task(L"plain.exe", nullptr, 1, platform::FromUtf8(root_.Path()).c_str()); }),
            "failed start " + plain + ",err=Access is denied.\r\n");

  const std::string bad_name = ",err=The filename, directory name, or volume label syntax is incorrect.\r\n";
  EXPECT_EQ(Printed([] { _start_task(L"../bin/normal.exe", nullptr, 1, nullptr); }),
            "failed start " + BinDir() + "/../bin/normal.exe" + bad_name);
  EXPECT_EQ(Printed([] { _start_task(L"nor\nmal.exe", nullptr, 1, nullptr); }),
            "failed start " + BinDir() + "/nor\nmal.exe" + bad_name);
  EXPECT_EQ(Printed([] { _start_task(L"", nullptr, 1, nullptr); }), "failed start " + BinDir() + "/" + bad_name);
  EXPECT_EQ(Printed([] { _start_task(nullptr, nullptr, 1, nullptr); }), "failed start " + BinDir() + "/" + bad_name);
  EXPECT_EQ(_is_task_running(L"../bin/normal.exe"), 0);
  EXPECT_TRUE(Named(L"normal.exe").empty());

  common::RegistryAccess(*platform_.registry).DeleteValue(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit", L"InstallPath");
  const std::string out = Printed([] { _start_task(L"normal.exe", nullptr, 1, nullptr); });
  EXPECT_EQ(out.rfind("failed start normal.exe,err=", 0), 0u) << out;
  std::this_thread::sleep_for(100ms);
  EXPECT_TRUE(Named(L"normal.exe").empty()) << "nothing starts without an install folder";
}

// In a forked process: takes the mutex, reports the result on `fd`, then
// waits to be ended (or exits when told to through `go`).
pid_t Holder(const platform::Platform& p, int report_fd, int go_fd) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  device_api::SetLibraryPlatform(p);
  const char result = static_cast<char>('0' + _IsAlreadyRun(kInstance.c_str()));
  (void)!write(report_fd, &result, 1);
  char c;
  (void)!read(go_fd, &c, 1);
  _exit(0);
}

char Result(int fd) {
  char c = '?';
  EXPECT_EQ(read(fd, &c, 1), 1);
  return c;
}

TEST_F(ProcessExports, OneInstanceUntilItsHolderEndsOrIsKilled) {
  EXPECT_EQ(_IsGlobalMutexExist(kInstance.c_str()), -1);
  int report[2], go[2];
  ASSERT_EQ(pipe(report), 0);
  ASSERT_EQ(pipe(go), 0);

  const pid_t first = Holder(platform_, report[1], go[0]);
  EXPECT_EQ(Result(report[0]), '0') << "the first process gets the mutex";
  EXPECT_EQ(_IsGlobalMutexExist(kInstance.c_str()), 0);
  const pid_t second = Holder(platform_, report[1], go[0]);
  EXPECT_EQ(Result(report[0]), '1');
  (void)!write(go[1], "xx", 2);  // both exit normally
  waitpid(first, nullptr, 0);
  waitpid(second, nullptr, 0);
  EXPECT_EQ(_IsGlobalMutexExist(kInstance.c_str()), -1);

  const pid_t third = Holder(platform_, report[1], go[0]);
  EXPECT_EQ(Result(report[0]), '0') << "free again once its holder ended";
  EXPECT_EQ(_IsAlreadyRun(kInstance.c_str()), 1) << "this process is the second one";
  kill(third, SIGKILL);
  waitpid(third, nullptr, 0);
  EXPECT_EQ(_IsAlreadyRun(kInstance.c_str()), 0) << "a killed holder leaves the name free";
  EXPECT_EQ(_IsAlreadyRun(kInstance.c_str()), 1) << "and this process holds it now";

  const pid_t fourth = Holder(platform_, report[1], go[0]);
  EXPECT_EQ(Result(report[0]), '1');
  (void)!write(go[1], "x", 1);
  waitpid(fourth, nullptr, 0);
  for (int fd : {report[0], report[1], go[0], go[1]}) close(fd);
}

TEST_F(ProcessExports, AMutexOfAnotherUserCountsAsRunning) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as a second user";
  const pid_t child = fork();
  if (child == 0) {
    // Another account cannot even open what this user created.
    device_api::SetLibraryPlatform(platform_);
    if (_IsAlreadyRun(kInstance.c_str()) != 0) _exit(2);
    const pid_t other = fork();
    if (other == 0) {
      if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
      _exit(_IsAlreadyRun(kInstance.c_str()) == 1 ? 0 : 1);
    }
    int status = 0;
    waitpid(other, &status, 0);
    _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 4);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(ProcessExports, AdministratorIsWhoeverAdministersTheMachine) {
  EXPECT_EQ(_IsRunningAsAdmin(), 1);
  common::RegistryAccess reg(*platform_.registry);
  reg.CreateKey(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSim\\System");
  reg.WriteDword(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSim\\System", L"UserIsAdmin", 0);
  EXPECT_EQ(_IsRunningAsAdmin(), 0);
}

}  // namespace
}  // namespace oro::test
