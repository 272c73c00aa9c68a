// The service host's adapters run the port's contract: the simulated one
// against a service entry in a fresh machine, systemd's against a notify
// socket of the test's own, with SIGTERM as systemd sends it.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "oro/platform/linux/host_adapters.h"
#include "oro/platform/sim/sim_adapters.h"
#include "oro/platform/sim/sim_services.h"
#include "oro/platform/sqlite/sqlite_registry_store.h"
#include "oro/platform/text.h"
#include "service_host_contract.h"

namespace oro::platform {
namespace {

class SimHost {
 public:
  explicit SimHost(const test::TempRoot& root)
      : root_(root), store_(std::make_shared<sqlite::SqliteRegistryStore>(root.RegistryDb())) {
    sim::SimServices services(*store_, SystemClock());
    sim::SimService s;
    s.name = contract::kContractService;
    EXPECT_EQ(services.Add(s), err::kSuccess);
    // A service that names a program is one the manager runs and that reports
    // for itself; this test's process plays the program.
    KeyHandle h;
    EXPECT_EQ(
        store_->CreateKey(RootKey::kLocalMachine, std::wstring(sim::kServicesKey) + L"\\" + contract::kContractService,
                          keyaccess::kWrite, nullptr, &h, nullptr),
        err::kSuccess);
    const auto path = ToUtf16Le(std::wstring(L"\"/bin/true\"") + L'\0');
    EXPECT_EQ(store_->SetValue(h, L"ImagePath", regtype::kSz, path.data(), path.size()), err::kSuccess);
    setenv("ORO_SIM_SERVICE", "OroContract", 1);
  }
  ~SimHost() { unsetenv("ORO_SIM_SERVICE"); }

  std::unique_ptr<ServiceHost> Make() { return sim::MakeSimServiceHost(store_, root_.RegistryDb()); }
  void Unmark() { unsetenv("ORO_SIM_SERVICE"); }
  ErrorCode SendStop() {
    std::uint32_t state = 0;
    return sim::SimServices(*store_, SystemClock()).Stop(contract::kContractService, &state);
  }
  std::vector<std::uint32_t> ReportedStates() {
    std::vector<std::wstring> reports;
    EXPECT_EQ(sim::SimServices(*store_, SystemClock()).Reports(contract::kContractService, &reports), err::kSuccess);
    std::vector<std::uint32_t> states;
    for (const auto& r : reports) states.push_back(static_cast<std::uint32_t>(std::stoul(r)));
    return states;
  }

 private:
  const test::TempRoot& root_;
  std::shared_ptr<RegistryStore> store_;
};

class SystemdHost {
 public:
  explicit SystemdHost(const test::TempRoot& root) : path_(root.Path() + "/notify") {
    fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un addr = {};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path_.c_str(), sizeof addr.sun_path - 1);
    EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0) << path_;
    setenv("NOTIFY_SOCKET", path_.c_str(), 1);
  }
  ~SystemdHost() {
    unsetenv("NOTIFY_SOCKET");
    close(fd_);
  }

  std::unique_ptr<ServiceHost> Make() { return linux_host::MakeSystemdServiceHost(); }
  void Unmark() { unsetenv("NOTIFY_SOCKET"); }
  ErrorCode SendStop() { return kill(getpid(), SIGTERM) == 0 ? err::kSuccess : err::kAccessDenied; }
  // What systemd makes of the messages, in the manager's states.
  std::vector<std::uint32_t> ReportedStates() {
    std::vector<std::uint32_t> states;
    char buf[512];
    for (ssize_t n; (n = recv(fd_, buf, sizeof buf, 0)) > 0;) {
      const std::string m(buf, static_cast<std::size_t>(n));
      if (m.find("READY=1") != std::string::npos) {
        states.push_back(svcstate::kRunning);
      } else if (m.find("STOPPING=1") != std::string::npos) {
        states.push_back(svcstate::kStopPending);
      } else if (m.rfind("STATUS=starting", 0) == 0) {
        states.push_back(svcstate::kStartPending);
      } else if (m.rfind("STATUS=stopped", 0) == 0) {
        states.push_back(svcstate::kStopped);
      } else {
        ADD_FAILURE() << "unexpected message: " << m;
      }
    }
    return states;
  }

 private:
  std::string path_;
  int fd_ = -1;
};

using namespace contract;
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, ServiceHostContract, SimHost);
INSTANTIATE_TYPED_TEST_SUITE_P(Systemd, ServiceHostContract, SystemdHost);

}  // namespace
}  // namespace oro::platform
