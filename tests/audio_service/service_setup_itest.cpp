// oro_raduri --install and --uninstall run as their own processes against a
// fresh simulated machine; the store shows what they did to the service.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "oro/audio_service/service_setup.h"
#include "oro/platform/sim/sim_adapters.h"
#include "oro/platform/sim/sim_services.h"
#include "oro/platform/sqlite/sqlite_registry_store.h"
#include "oro/platform/text.h"
#include "temp_root.h"

namespace oro::test {
namespace {

namespace svcstate = platform::svcstate;
using platform::sim::SimService;

std::string Quote(const std::string& arg) {
  std::string out = "'";
  for (char c : arg) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

class ServiceSetupTest : public ::testing::Test {
 protected:
  // Runs the program with one argument; its exit status, output in out_.
  int Run(const std::string& arg, const std::string& program = BuiltFile("oro_raduri")) {
    out_.clear();
    return RunCommand("ORO_PLATFORM=sim ORO_ROOT=" + Quote(root_.Path()) + " " + Quote(program) + " " + arg +
                          " </dev/null 2>/dev/null",
                      &out_);
  }
  bool Exists() {
    SimService s;
    return services_.Load(audio_service::kServiceName, &s) == platform::err::kSuccess;
  }
  std::uint32_t State() {
    std::uint32_t s = 0;
    EXPECT_EQ(services_.GetState(audio_service::kServiceName, &s), 0u);
    return s;
  }
  std::wstring ImagePath() {
    platform::KeyHandle h;
    platform::RegValue v;
    const std::wstring key = std::wstring(platform::sim::kServicesKey) + L"\\" + audio_service::kServiceName;
    if (store_->OpenKey(platform::RootKey::kLocalMachine, key, platform::keyaccess::kRead, &h) ||
        store_->QueryValue(h, L"ImagePath", &v)) {
      return L"";
    }
    std::wstring text = platform::FromUtf16Le(v.data.data(), v.data.size());
    if (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
  }
  // The program reports running on its own, a moment after the install.
  std::uint32_t StateOnceSettled() {
    std::uint32_t s = State();
    for (int i = 0; i < 500 && s == svcstate::kStartPending; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      s = State();
    }
    return s;
  }
  void Configure(void (*edit)(SimService&)) {
    SimService s;
    ASSERT_EQ(services_.Load(audio_service::kServiceName, &s), 0u);
    edit(s);
    ASSERT_EQ(services_.Configure(s), 0u);
  }

  TempRoot root_;
  std::shared_ptr<platform::RegistryStore> store_ =
      std::make_shared<platform::sqlite::SqliteRegistryStore>(root_.RegistryDb());
  platform::sim::SimServices services_{*store_, platform::SystemClock(), root_.Path()};
  std::string out_;
};

TEST_F(ServiceSetupTest, InstallRegistersTheQuotedProgramAndStartsItOnceOnly) {
  ASSERT_EQ(Run("--install"), 0);
  EXPECT_EQ(out_, "Service installed.\n");
  ASSERT_TRUE(Exists());
  const std::string self = std::filesystem::canonical(BuiltFile("oro_raduri")).string();
  EXPECT_EQ(ImagePath(), L"\"" + platform::FromUtf8(self) + L"\"");
  EXPECT_EQ(StateOnceSettled(), svcstate::kRunning);

  // The second install is refused with its code and leaves the first alone.
  ASSERT_EQ(services_.ForceState(audio_service::kServiceName, svcstate::kStopped), 0u);
  ASSERT_EQ(Run("--install"), 0);
  EXPECT_EQ(out_, "Install failed: 1073\n");
  EXPECT_EQ(State(), svcstate::kStopped) << "not started again";
  EXPECT_EQ(ImagePath(), L"\"" + platform::FromUtf8(self) + L"\"");
}

TEST_F(ServiceSetupTest, APathWithSpacesLongerThan260CharactersIsKeptWholeAndQuoted) {
  const std::filesystem::path dir =
      std::filesystem::path(root_.Path()) / "Program Files" / std::string(150, 'o') / std::string(120, 'k');
  std::filesystem::create_directories(dir);
  const std::filesystem::path copy = dir / "oro raduri";
  std::filesystem::copy_file(BuiltFile("oro_raduri"), copy);
  ASSERT_GT(copy.string().size(), 260u);
  ASSERT_EQ(Run("--install", copy.string()), 0);
  EXPECT_EQ(out_, "Service installed.\n");
  EXPECT_EQ(ImagePath(), L"\"" + platform::FromUtf8(copy.string()) + L"\"");
}

TEST_F(ServiceSetupTest, UninstallWaitsForTheServiceToStopThenRemovesIt) {
  ASSERT_EQ(Run("--uninstall"), 0);
  EXPECT_EQ(out_, "Uninstall failed: 1060\n");

  ASSERT_EQ(Run("--install"), 0);
  Configure([](SimService& s) { s.stop_delay_ms = 300; });
  ASSERT_EQ(Run("--uninstall"), 0);
  EXPECT_EQ(out_, "Service uninstalled.\n");
  EXPECT_FALSE(Exists());

  // Still starting: the stop is refused at first and asked again.
  ASSERT_EQ(Run("--install"), 0);
  Configure([](SimService& s) { s.start_delay_ms = 300; });
  ASSERT_EQ(services_.ForceState(audio_service::kServiceName, svcstate::kStopped), 0u);
  ASSERT_EQ(services_.Start(audio_service::kServiceName), 0u);
  ASSERT_EQ(State(), svcstate::kStartPending);
  ASSERT_EQ(Run("--uninstall"), 0);
  EXPECT_EQ(out_, "Service uninstalled.\n");
  EXPECT_FALSE(Exists());
}

TEST_F(ServiceSetupTest, UninstallRemovesOnlyAStoppedServiceAndGivesUpAfterItsBudget) {
  // In process, on a clock that only moves while the uninstall waits.
  struct StepClock final : platform::Clock {
    Duration Now() override { return now; }
    void Sleep(Duration d) override { now += d; }
    Duration now{1000000};
  } clock;
  auto manager = platform::sim::MakeSimServiceManager(store_, clock);
  platform::sim::SimServices services{*store_, clock};
  // A plain simulated entry, without a program, so its stop runs on this
  // test's clock alone.
  const auto add_running = [&](std::uint32_t stop_delay_ms, std::uint32_t stop_failure) {
    SimService s;
    s.name = audio_service::kServiceName;
    s.state = svcstate::kRunning;
    s.stop_delay_ms = stop_delay_ms;
    s.stop_failure = stop_failure;
    ASSERT_EQ(services.Add(s), 0u);
  };
  add_running(300, 0);
  EXPECT_EQ(audio_service::Uninstall(*manager, clock), "Service uninstalled.\n");
  EXPECT_GE(clock.now, platform::Clock::Duration(1000000 + 300)) << "removed before it had stopped";
  EXPECT_FALSE(Exists());

  add_running(0, platform::err::kServiceCannotAcceptCtrl);
  const auto before = clock.now;
  EXPECT_EQ(audio_service::Uninstall(*manager, clock), "Uninstall failed: 1053\n");
  EXPECT_GE(clock.now, before + std::chrono::seconds(30));
  EXPECT_TRUE(Exists());
  std::uint32_t state = 0;
  ASSERT_EQ(services.GetState(audio_service::kServiceName, &state), 0u);
  EXPECT_EQ(state, svcstate::kRunning);
}

TEST_F(ServiceSetupTest, AnyOtherStartPrintsNothingAndChangesNothing) {
  for (const char* arg : {"", "--INSTALL", "install", "--uninstall-now"}) {
    EXPECT_EQ(Run(arg), 0) << arg;
    EXPECT_EQ(out_, "") << arg;
  }
  EXPECT_FALSE(Exists());
}

}  // namespace
}  // namespace oro::test
