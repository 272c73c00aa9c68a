// The service manager's adapters run the port's contract: the simulated one
// here, systemd where it runs as the machine's manager (it does not on the
// machines the tests run on, and creating units needs a system of its own).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "oro/platform/linux/host_adapters.h"
#include "oro/platform/sim/sim_adapters.h"
#include "oro/platform/sim/sim_services.h"
#include "oro/platform/sqlite/sqlite_registry_store.h"
#include "service_manager_contract.h"

namespace oro::platform {
namespace {

struct SimManager {
  static std::unique_ptr<ServiceManager> Make(const test::TempRoot& root) {
    auto store = std::make_shared<sqlite::SqliteRegistryStore>(root.RegistryDb());
    sim::SimServices services(*store, SystemClock());
    sim::SimService s;
    s.name = L"OroBase";
    s.start_delay_ms = 30;
    s.stop_delay_ms = 30;
    EXPECT_EQ(services.Add(s), err::kSuccess);
    s.name = L"OroMid";
    s.depends_on = {L"OroBase"};
    EXPECT_EQ(services.Add(s), err::kSuccess);
    s.name = L"OroTop";
    s.depends_on = {L"OroMid"};
    EXPECT_EQ(services.Add(s), err::kSuccess);
    return sim::MakeSimServiceManager(store);
  }
};

void Skip(const char* why) { GTEST_SKIP() << why; }

struct SystemdManager {
  static std::unique_ptr<ServiceManager> Make(const test::TempRoot&) {
    if (linux_host::MakeSystemdServiceManager(nullptr)->Connect() != err::kSuccess) {
      Skip("systemd does not run on this machine");
    } else {
      Skip("the contract's units would have to be installed into the machine's systemd");
    }
    return nullptr;
  }
};

using namespace contract;  // NOLINT: the suite's registration names live there
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, ServiceManagerContract, SimManager);
INSTANTIATE_TYPED_TEST_SUITE_P(Systemd, ServiceManagerContract, SystemdManager);

TEST(SystemdManager, WithoutSystemdTheManagerCannotBeReached) {
  struct stat st {};
  if (stat("/run/systemd/system", &st) == 0) GTEST_SKIP() << "systemd runs here";
  EXPECT_EQ(linux_host::MakeSystemdServiceManager(nullptr)->Connect(), err::kRpcServerUnavailable);
}

}  // namespace
}  // namespace oro::platform
