// The library's process helpers against the simulated machine: real stand-in
// programs started from the install folder, found by any letter case, ended;
// bad names refused with the printed failure; the single-instance mutex
// across real processes. On Windows the same, on the system's processes,
// named objects and (redirected) registry.
#ifdef _WIN32
#include <shlobj.h>
#include <stdlib.h>
#include <windows.h>
#else
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

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
#ifdef _WIN32
#include "line_child.h"
#include "oro/platform/windows/windows_adapters.h"
#include "standin_report.h"
#include "windows_registry_fixture.h"
#endif

namespace oro::test {
namespace {

using namespace std::chrono_literals;

const std::wstring kInstance = L"Global\\{45A8C662-65D7-4679-801E-604A2DF76732}";

#ifdef _WIN32
// The system's processes and mutexes, the registry redirected to this test's
// own keys, the named objects scoped to `root`'s runtime folder.
platform::Platform TestPlatform(const TempRoot& root) {
  platform::Platform p;
  p.registry = OpenTestRegistry(root);
  p.objects = platform::windows_host::MakeWindowsNamedObjects(root.RunDir());
  p.processes = platform::windows_host::MakeToolhelpProcessTable();
  return p;
}
constexpr char kSeparator = '\\';
#else
platform::Platform TestPlatform(const TempRoot& root) {
  return platform::MakePlatform(platform::Profile::kSim, platform::ResolveStatePaths(root.Path().c_str()));
}
constexpr char kSeparator = '/';
#endif

class ProcessExports : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_ = TestPlatform(root_);
    device_api::SetLibraryPlatform(platform_);
    common::RegistryAccess reg(*platform_.registry);
    reg.CreateKey(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit");
    reg.WriteString(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit", L"InstallPath", platform::FromUtf8(BinDir()));
  }
  void TearDown() override {
    _kill_task(L"normal.exe");
    _kill_task(L"audiodg.exe");
  }

  // The folder in the system's own spelling, as an installer records it.
  static std::string BinDir() {
    return std::filesystem::path(BuiltFile("normal.exe")).parent_path().make_preferred().string();
  }
  static std::string InBin(const std::string& name) { return BinDir() + kSeparator + name; }

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
#ifdef _WIN32
  const std::string report = root_.Path() + "/normal.report";
  SetReportFile(report);
#endif
  EXPECT_EQ(Printed([] { _start_task(L"normal.exe", L"--mode \"two words\" C:\\\\x", 1, nullptr); }), "");
#ifdef _WIN32
  SetReportFile("");
#endif
  ASSERT_TRUE(Becomes(L"NORMAL.EXE", 1));
  EXPECT_EQ(_is_task_running(L"Normal.Exe"), 1);

  const auto running = Named(L"normal.exe");
  ASSERT_EQ(running.size(), 1u);
#ifdef _WIN32
  // The stand-in tells its folder and arguments itself.
  const auto seen = StandInReport(report, std::chrono::seconds(20));
  ASSERT_EQ(seen.size(), 5u) << "the program did not report its folder and arguments";
  EXPECT_EQ(seen[1], InBin("normal.exe"));
  EXPECT_EQ(std::vector<std::string>(seen.begin() + 2, seen.end()),
            (std::vector<std::string>{"--mode", "two words", "C:\\\\x"}));
#else
  std::ifstream cmdline("/proc/" + std::to_string(running[0].id) + "/cmdline", std::ios::binary);
  const std::string args((std::istreambuf_iterator<char>(cmdline)), std::istreambuf_iterator<char>());
  const std::string nul(1, '\0');
  EXPECT_EQ(args, BinDir() + "/normal.exe" + nul + "--mode" + nul + "two words" + nul + "C:\\\\x" + nul);
#endif

  // A folder given by the caller replaces the install folder.
  EXPECT_EQ(Printed([] { _start_task(L"audiodg.exe", nullptr, 0, platform::FromUtf8(BinDir() + kSeparator).c_str()); }),
            "");
  ASSERT_TRUE(Becomes(L"AUDIODG.EXE", 1));

  _kill_task(L"NORMAL.exe");
  EXPECT_TRUE(Becomes(L"normal.exe", 0));
  EXPECT_EQ(_is_task_running(L"audiodg.exe"), 1) << "only the named program ends";
  _kill_task(L"nothing-runs-by-this-name.exe");
}

TEST_F(ProcessExports, ProgramsThatCannotStartArePrintedAndNothingRuns) {
  EXPECT_EQ(Printed([] { _start_task(L"missing.exe", nullptr, 1, nullptr); }),
            "failed start " + InBin("missing.exe") + ",err=The system cannot find the file specified.\r\n");

  const std::string folder = std::filesystem::path(root_.Path()).make_preferred().string();
  const std::string plain = folder + kSeparator + "plain.exe";
#ifdef _WIN32
  // Text is no program the system can load.
  { std::ofstream(plain) << "not a program\r\n"; }
  const std::string refused = ",err=%1 is not a valid Win32 application.\r\n";
#else
  { std::ofstream(plain) << "#!/bin/sh\n"; }
  chmod(plain.c_str(), 0644);
  const std::string refused = ",err=Access is denied.\r\n";
#endif
  EXPECT_EQ(Printed([&] { _start_task(L"plain.exe", nullptr, 1, platform::FromUtf8(folder).c_str()); }),
            "failed start " + plain + refused);

  const std::string bad_name = ",err=The filename, directory name, or volume label syntax is incorrect.\r\n";
  EXPECT_EQ(Printed([] { _start_task(L"../bin/normal.exe", nullptr, 1, nullptr); }),
            "failed start " + InBin("../bin/normal.exe") + bad_name);
  EXPECT_EQ(Printed([] { _start_task(L"..\\bin\\normal.exe", nullptr, 1, nullptr); }),
            "failed start " + InBin("..\\bin\\normal.exe") + bad_name);
  EXPECT_EQ(Printed([] { _start_task(L"nor\nmal.exe", nullptr, 1, nullptr); }),
            "failed start " + InBin("nor\nmal.exe") + bad_name);
  EXPECT_EQ(Printed([] { _start_task(L"", nullptr, 1, nullptr); }), "failed start " + InBin("") + bad_name);
  EXPECT_EQ(Printed([] { _start_task(nullptr, nullptr, 1, nullptr); }), "failed start " + InBin("") + bad_name);
  EXPECT_EQ(_is_task_running(L"../bin/normal.exe"), 0);
  EXPECT_TRUE(Named(L"normal.exe").empty());

  common::RegistryAccess(*platform_.registry).DeleteValue(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit", L"InstallPath");
  const std::string out = Printed([] { _start_task(L"normal.exe", nullptr, 1, nullptr); });
  EXPECT_EQ(out.rfind("failed start normal.exe,err=", 0), 0u) << out;
  std::this_thread::sleep_for(100ms);
  EXPECT_TRUE(Named(L"normal.exe").empty()) << "nothing starts without an install folder";
}

// Another process that takes the mutex and reports the result, then waits
// to be ended (or exits when told to). POSIX forks; Windows starts this
// program again on the current test, told by ORO_TEST_HOLDER_RUN whose
// objects to use (ServeAsHolder, at the start of the test).
#ifdef _WIN32
constexpr const char* kHolderVariable = "ORO_TEST_HOLDER_RUN";

bool ServeAsHolder() {
  const char* run = std::getenv(kHolderVariable);
  if (!run || !*run) return false;
  platform::Platform p;
  p.objects = platform::windows_host::MakeWindowsNamedObjects(run);
  device_api::SetLibraryPlatform(p);
  std::printf("holder:%d\n", static_cast<int>(_IsAlreadyRun(kInstance.c_str())));
  std::fflush(stdout);
  char line[16];
  (void)!std::fgets(line, sizeof line, stdin);
  return true;
}

class Holder {
 public:
  Holder(const platform::Platform&, const TempRoot& root) : child_(Start(root)) {}
  // The holder's _IsAlreadyRun, as a character.
  char Result() {
    for (std::string line = child_->Line(); !line.empty(); line = child_->Line()) {
      if (line.rfind("holder:", 0) == 0) return line.back();
    }
    return '?';
  }
  void Release() {
    child_->Send("go");
    EXPECT_TRUE(child_->WaitForEnd());
  }
  void Kill() { child_.reset(); }

 private:
  static std::unique_ptr<LineChild> Start(const TempRoot& root) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter = std::string("--gtest_filter=") + info->test_suite_name() + "." + info->name();
    _putenv_s(kHolderVariable, root.RunDir().c_str());
    auto child = std::make_unique<LineChild>(OwnProgram(), std::vector<std::string>{filter, "--gtest_brief=1"});
    _putenv_s(kHolderVariable, "");
    EXPECT_TRUE(child->Started());
    return child;
  }
  std::unique_ptr<LineChild> child_;
};
#else
bool ServeAsHolder() { return false; }

class Holder {
 public:
  Holder(const platform::Platform& p, const TempRoot&) {
    if (pipe(report_) != 0 || pipe(go_) != 0) return;
    pid_ = fork();
    if (pid_ != 0) return;
    device_api::SetLibraryPlatform(p);
    const char result = static_cast<char>('0' + _IsAlreadyRun(kInstance.c_str()));
    (void)!write(report_[1], &result, 1);
    char c;
    (void)!read(go_[0], &c, 1);
    _exit(0);
  }
  ~Holder() {
    if (pid_ > 0) Kill();
    for (int fd : {report_[0], report_[1], go_[0], go_[1]}) {
      if (fd >= 0) close(fd);
    }
  }
  char Result() {
    char c = '?';
    EXPECT_EQ(read(report_[0], &c, 1), 1);
    return c;
  }
  void Release() {
    (void)!write(go_[1], "x", 1);
    EXPECT_EQ(waitpid(pid_, nullptr, 0), pid_);
    pid_ = -1;
  }
  void Kill() {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  int report_[2] = {-1, -1};
  int go_[2] = {-1, -1};
  pid_t pid_ = -1;
};
#endif

TEST_F(ProcessExports, OneInstanceUntilItsHolderEndsOrIsKilled) {
  if (ServeAsHolder()) return;
  EXPECT_EQ(_IsGlobalMutexExist(kInstance.c_str()), -1);

  Holder first(platform_, root_);
  EXPECT_EQ(first.Result(), '0') << "the first process gets the mutex";
  EXPECT_EQ(_IsGlobalMutexExist(kInstance.c_str()), 0);
  Holder second(platform_, root_);
  EXPECT_EQ(second.Result(), '1');
  first.Release();  // both exit normally
  second.Release();
  EXPECT_EQ(_IsGlobalMutexExist(kInstance.c_str()), -1);

  Holder third(platform_, root_);
  EXPECT_EQ(third.Result(), '0') << "free again once its holder ended";
  EXPECT_EQ(_IsAlreadyRun(kInstance.c_str()), 1) << "this process is the second one";
  third.Kill();
  EXPECT_EQ(_IsAlreadyRun(kInstance.c_str()), 0) << "a killed holder leaves the name free";
  EXPECT_EQ(_IsAlreadyRun(kInstance.c_str()), 1) << "and this process holds it now";

  Holder fourth(platform_, root_);
  EXPECT_EQ(fourth.Result(), '1');
  fourth.Release();
}

TEST_F(ProcessExports, AMutexOfAnotherUserCountsAsRunning) {
#ifdef _WIN32
  GTEST_SKIP() << "Wine runs every process as one user";
#else
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
#endif
}

#ifdef _WIN32
TEST_F(ProcessExports, AdministratorIsWhoeverAdministersTheMachine) {
  // An elevated token is one whose Administrators membership is in force.
  EXPECT_EQ(_IsRunningAsAdmin(), IsUserAnAdmin() ? 1 : 0);
  device_api::SetLibraryPlatform(platform::Platform{});
  EXPECT_EQ(_IsRunningAsAdmin(), 0) << "nobody to ask";
}
#else
TEST_F(ProcessExports, AdministratorIsWhoeverAdministersTheMachine) {
  EXPECT_EQ(_IsRunningAsAdmin(), 1);
  common::RegistryAccess reg(*platform_.registry);
  reg.CreateKey(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSim\\System");
  reg.WriteDword(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSim\\System", L"UserIsAdmin", 0);
  EXPECT_EQ(_IsRunningAsAdmin(), 0);
}
#endif

}  // namespace
}  // namespace oro::test
