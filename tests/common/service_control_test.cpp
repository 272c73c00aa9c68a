// Restart of a service with its dependents on the simulated service manager,
// with a clock that only moves when the restart waits, so the thirty-second
// budget is exercised exactly and at once. On Windows the same restart runs
// against the system's own manager, on a service of win_contract_service.exe.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <thread>

#include "oro/common/service_control.h"
#include "temp_root.h"
#ifdef _WIN32
#include "oro/platform/text.h"
#include "oro/platform/windows/windows_adapters.h"
#else
#include "oro/platform/sim/sim_adapters.h"
#include "oro/platform/sim/sim_services.h"
#include "oro/platform/sqlite/sqlite_registry_store.h"
#endif

namespace oro::common {
namespace {

namespace svcstate = platform::svcstate;
using std::chrono::milliseconds;

class StepClock final : public platform::Clock {
 public:
  Duration Now() override { return now_; }
  void Sleep(Duration d) override { now_ += d; }
  Duration now_{1000000};
};

// The restart's progress as text, and its message ("" when it succeeded).
std::wstring RestartLogged(platform::ServiceManager& manager, platform::Clock& clock, const std::wstring& name,
                           std::vector<std::wstring>* steps) {
  ServiceControl control(manager, clock);
  control.SetProgress([steps](ServiceStep step, const std::wstring& n) {
    static const wchar_t* const kNames[] = {L"stopping ", L"stopped ", L"starting ", L"started "};
    steps->push_back(kNames[static_cast<int>(step)] + n);
  });
  try {
    control.RestartServiceWithDependents(name);
  } catch (const ServiceException& e) {
    return e.Message();
  }
  return L"";
}

TEST(ServiceControl, UnreachableManagerIsReported) {
  struct Down final : platform::ServiceManager {
    platform::ErrorCode Connect() override { return platform::err::kRpcServerUnavailable; }
    platform::ErrorCode Open(const std::wstring&, std::unique_ptr<platform::Service>*) override { return 0; }
    platform::ErrorCode Create(const platform::ServiceConfig&) override { return platform::err::kRpcServerUnavailable; }
  } down;
  StepClock clock;
  try {
    ServiceControl(down, clock).RestartServiceWithDependents(L"AudioSrv");
    FAIL() << "no exception";
  } catch (const ServiceException& e) {
    EXPECT_EQ(e.Message(), L"OpenSCManager failed (The RPC server is unavailable.)");
  }
}

#ifdef _WIN32
// A service of this program's own on the system's manager, made for each
// case and removed after it (a running one is stopped first).
class ScmServiceControlTest : public ::testing::Test {
 protected:
  static constexpr const wchar_t* kName = L"OroServiceControlTest";

  void SetUp() override {
    Remove();
    ASSERT_EQ(manager_->Connect(), 0u);
    const std::wstring program = platform::FromUtf8(
        std::filesystem::path(test::BuiltFile("win_contract_service.exe")).make_preferred().string());
    ASSERT_EQ(manager_->Create({kName, L"Oro service control test", L"\"" + program + L"\" " + kName}), 0u);
  }
  void TearDown() override { Remove(); }

  void Remove() {
    std::unique_ptr<platform::Service> s;
    if (manager_->Open(kName, &s) != 0) return;
    std::uint32_t state = 0;
    s->Stop(&state);
    WaitFor(svcstate::kStopped);
    s->Delete();
  }
  std::uint32_t State() {
    std::unique_ptr<platform::Service> s;
    std::uint32_t state = 0;
    if (manager_->Open(kName, &s) != 0 || s->GetState(&state) != 0) return 0;
    return state;
  }
  bool WaitFor(std::uint32_t state) {
    for (int i = 0; i < 1000; ++i) {
      if (State() == state) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  std::wstring Restart(const std::wstring& name) {
    return RestartLogged(*manager_, platform::SystemClock(), name, &steps_);
  }

  std::unique_ptr<platform::ServiceManager> manager_ = platform::windows_host::MakeScmServiceManager();
  std::vector<std::wstring> steps_;
};

TEST_F(ScmServiceControlTest, ARunningServiceIsStoppedAndStartedAgain) {
  std::unique_ptr<platform::Service> s;
  ASSERT_EQ(manager_->Open(kName, &s), 0u);
  ASSERT_EQ(s->Start(), 0u);
  ASSERT_TRUE(WaitFor(svcstate::kRunning));
  EXPECT_EQ(Restart(kName), L"");
  const std::wstring name = kName;
  EXPECT_EQ(steps_, (std::vector<std::wstring>{L"stopping " + name, L"stopped " + name, L"starting " + name,
                                               L"started " + name}));
  EXPECT_EQ(State(), svcstate::kRunning);
}

TEST_F(ScmServiceControlTest, StoppedServiceIsOnlyStarted) {
  ASSERT_EQ(State(), svcstate::kStopped);
  EXPECT_EQ(Restart(kName), L"");
  const std::wstring name = kName;
  EXPECT_EQ(steps_, (std::vector<std::wstring>{L"starting " + name, L"started " + name}));
  EXPECT_EQ(State(), svcstate::kRunning);
}

TEST_F(ScmServiceControlTest, AServiceWhoseProgramCannotRunReportsTheManagersReason) {
  Remove();
  ASSERT_EQ(manager_->Create({kName, L"Oro service control test", L"C:\\no\\such\\program.exe"}), 0u);
  EXPECT_EQ(Restart(kName),
            L"StartService failed for service \"OroServiceControlTest\" (The system cannot find the "
            L"file specified.)");
  EXPECT_EQ(steps_, std::vector<std::wstring>{L"starting OroServiceControlTest"});
  EXPECT_EQ(State(), svcstate::kStopped);
}

TEST_F(ScmServiceControlTest, UnknownNamesGiveTheOpenServiceMessage) {
  EXPECT_EQ(Restart(L"OroNoSuchService"),
            L"OpenService failed for service \"OroNoSuchService\" (The specified service does not exist as an "
            L"installed service.)");
  EXPECT_TRUE(steps_.empty());
}

#else
using platform::sim::SimService;

class ServiceControlTest : public ::testing::Test {
 protected:
  void Add(const std::wstring& name, std::uint32_t state, std::vector<std::wstring> depends_on = {},
           std::uint32_t start_ms = 0, std::uint32_t stop_ms = 0) {
    SimService s;
    s.name = name;
    s.state = state;
    s.depends_on = std::move(depends_on);
    s.start_delay_ms = start_ms;
    s.stop_delay_ms = stop_ms;
    ASSERT_EQ(services_.Add(s), 0u);
  }
  void Change(const std::wstring& name, void (*edit)(SimService&)) {
    SimService s;
    ASSERT_EQ(services_.Load(name, &s), 0u);
    edit(s);
    ASSERT_EQ(services_.Configure(s), 0u);
  }
  std::uint32_t State(const std::wstring& name) {
    std::uint32_t s = 0;
    EXPECT_EQ(services_.GetState(name, &s), 0u);
    return s;
  }
  // Runs the restart and gives its message, or "" when it succeeded.
  std::wstring Restart(const std::wstring& name) { return RestartLogged(*manager_, clock_, name, &steps_); }
  milliseconds Elapsed() const { return clock_.now_ - milliseconds(1000000); }

  test::TempRoot root_;
  std::shared_ptr<platform::RegistryStore> store_ =
      std::make_shared<platform::sqlite::SqliteRegistryStore>(root_.RegistryDb());
  StepClock clock_;
  platform::sim::SimServices services_{*store_, clock_};
  std::unique_ptr<platform::ServiceManager> manager_ = platform::sim::MakeSimServiceManager(store_, clock_);
  std::vector<std::wstring> steps_;
};

TEST_F(ServiceControlTest, DependentsStopBeforeTheServiceAndStartAfterItInReverse) {
  Add(L"AudioSrv", svcstate::kRunning, {}, 300, 300);
  Add(L"A", svcstate::kRunning, {L"AudioSrv"}, 100, 200);
  Add(L"B", svcstate::kRunning, {L"AudioSrv"}, 100, 200);
  Add(L"C", svcstate::kRunning, {L"A"}, 100, 100);  // depends on a dependent
  Add(L"Idle", svcstate::kStopped, {L"AudioSrv"});  // not running: left alone
  Add(L"Other", svcstate::kRunning);                // unrelated

  EXPECT_EQ(Restart(L"AudioSrv"), L"");
  const std::vector<std::wstring> expected = {
      L"stopping C",        L"stopped C",        L"stopping A",        L"stopped A",        L"stopping B", L"stopped B",
      L"stopping AudioSrv", L"stopped AudioSrv", L"starting AudioSrv", L"started AudioSrv", L"starting B", L"started B",
      L"starting A",        L"started A",        L"starting C",        L"started C"};
  EXPECT_EQ(steps_, expected);
  for (const wchar_t* n : {L"AudioSrv", L"A", L"B", L"C", L"Other"}) EXPECT_EQ(State(n), svcstate::kRunning) << n;
  EXPECT_EQ(State(L"Idle"), svcstate::kStopped);
}

TEST_F(ServiceControlTest, StoppedServiceIsOnlyStarted) {
  Add(L"AudioSrv", svcstate::kStopped, {}, 500);
  Add(L"A", svcstate::kStopped, {L"AudioSrv"});
  EXPECT_EQ(Restart(L"AudioSrv"), L"");
  EXPECT_EQ(steps_, (std::vector<std::wstring>{L"starting AudioSrv", L"started AudioSrv"}));
  EXPECT_EQ(State(L"A"), svcstate::kStopped);
}

TEST_F(ServiceControlTest, UnknownOrMalformedNamesGiveTheOpenServiceMessage) {
  EXPECT_EQ(Restart(L"NoSuchService"),
            L"OpenService failed for service \"NoSuchService\" (The specified service does not exist as an installed "
            L"service.)");
  EXPECT_EQ(Restart(L"..\\AudioSrv"),
            L"OpenService failed for service \"..\\AudioSrv\" (The filename, directory name, or volume label syntax "
            L"is incorrect.)");
  EXPECT_TRUE(steps_.empty());
}

TEST_F(ServiceControlTest, TheBudgetCoversStopsAndStartsTogether) {
  // A stop of 20 s leaves 10 s for the starts: 11 s is too long.
  Add(L"Slow", svcstate::kRunning, {}, 11000, 20000);
  EXPECT_EQ(Restart(L"Slow"), L"Service start timed out on service \"Slow\"");
  EXPECT_LE(Elapsed(), ServiceControl::kBudget + ServiceControl::kPollInterval);
  EXPECT_GT(Elapsed(), ServiceControl::kBudget);

  clock_.now_ += milliseconds(60000);  // let the failed start settle
  Add(L"Fits", svcstate::kRunning, {}, 9000, 20000);
  const auto before = clock_.now_;
  EXPECT_EQ(Restart(L"Fits"), L"");
  EXPECT_LE(clock_.now_ - before, ServiceControl::kBudget);

  Add(L"Stuck", svcstate::kRunning, {}, 0, 45000);
  EXPECT_EQ(Restart(L"Stuck"), L"Service stop timed out on service \"Stuck\"");
}

TEST_F(ServiceControlTest, StartingOrPausedServicesAreStoppedOnceTheyCanBe) {
  Add(L"Starting", svcstate::kStopped, {}, 2000, 500);
  ASSERT_EQ(services_.Start(L"Starting"), 0u);
  ASSERT_EQ(State(L"Starting"), svcstate::kStartPending);
  const auto before = clock_.now_;
  EXPECT_EQ(Restart(L"Starting"), L"");
  EXPECT_EQ(State(L"Starting"), svcstate::kRunning);
  EXPECT_LT(clock_.now_ - before, milliseconds(5000)) << "waited for the start, then stopped and started it";
  EXPECT_EQ(steps_.front(), L"stopping Starting");

  Add(L"Paused", svcstate::kPaused, {}, 100, 100);
  steps_.clear();
  EXPECT_EQ(Restart(L"Paused"), L"");
  EXPECT_EQ(State(L"Paused"), svcstate::kRunning);
  EXPECT_EQ(steps_.size(), 4u);
}

TEST_F(ServiceControlTest, FailedStartsAndStopsAreReportedAtOnceAndStoppedServicesStayStopped) {
  Add(L"AudioSrv", svcstate::kRunning, {}, 300, 300);
  Add(L"A", svcstate::kRunning, {L"AudioSrv"}, 100, 100);
  Change(L"AudioSrv", [](SimService& s) { s.start_aborts = true; });
  EXPECT_EQ(Restart(L"AudioSrv"), L"Service start failed on service \"AudioSrv\"");
  EXPECT_LT(Elapsed(), milliseconds(2000));
  EXPECT_EQ(State(L"A"), svcstate::kStopped);
  EXPECT_EQ(State(L"AudioSrv"), svcstate::kStopped);

  Change(L"AudioSrv", [](SimService& s) {
    s.start_aborts = false;
    s.start_failure = 1058;
  });
  EXPECT_EQ(Restart(L"AudioSrv"),
            L"StartService failed for service \"AudioSrv\" (The service cannot be started, either because it is "
            L"disabled or because it has no enabled devices associated with it.)");

  Add(L"Stubborn", svcstate::kRunning, {}, 0, 400);
  Change(L"Stubborn", [](SimService& s) { s.stop_aborts = true; });
  const auto before = clock_.now_;
  EXPECT_EQ(Restart(L"Stubborn"), L"Service stop failed on service \"Stubborn\"");
  EXPECT_LT(clock_.now_ - before, milliseconds(1000));

  Change(L"Stubborn", [](SimService& s) {
    s.stop_aborts = false;
    s.stop_failure = 1052;
  });
  EXPECT_EQ(Restart(L"Stubborn"),
            L"ControlService failed for service \"Stubborn\" (The requested control is not valid for this service.)");

  // A service that cannot take the control yet is asked again each poll
  // until the budget runs out; the stop is shown once.
  Change(L"Stubborn", [](SimService& s) { s.stop_failure = 1061; });
  steps_.clear();
  EXPECT_EQ(Restart(L"Stubborn"), L"Service stop timed out on service \"Stubborn\"");
  EXPECT_EQ(steps_, std::vector<std::wstring>{L"stopping Stubborn"});
}

#endif

}  // namespace
}  // namespace oro::common
