// The service's side of the simulated service manager. The program started
// by SimServices finds its service name in ORO_SIM_SERVICE, reports its
// status into the service's key and picks up controls from "SimControl",
// which it polls; when its state folder disappears the machine is gone, and
// the service is sent a shutdown.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "oro/platform/linux/procfs.h"
#include "oro/platform/service_host.h"
#include "oro/platform/sim/sim_adapters.h"
#include "oro/platform/sim/sim_services.h"
#include "oro/platform/text.h"
#include "store_values.h"

namespace oro::platform::sim {
namespace {

constexpr const char* kServiceVar = "ORO_SIM_SERVICE";
constexpr auto kPoll = std::chrono::milliseconds(20);
constexpr std::size_t kMaxReports = 64;

class SimServiceHost final : public ServiceHost {
 public:
  SimServiceHost(std::shared_ptr<RegistryStore> store, std::string registry_db)
      : store_(std::move(store)), registry_db_(std::move(registry_db)) {}

  ErrorCode RunDispatcher(const std::wstring& name, const std::function<void()>& service_main) override {
    const char* started_as = std::getenv(kServiceVar);
    if (!started_as || FromUtf8(started_as) != name || !SimServices::ValidName(name)) {
      return err::kFailedServiceControllerConnect;
    }
    key_ = std::wstring(kServicesKey) + L"\\" + name;
    if (!KeyExists(*store_, key_)) return err::kFailedServiceControllerConnect;
    std::uint64_t seen = 0;
    ReadQword(*store_, key_, L"SimControl", &seen);
    // The manager wrote our id when it started us; a program started by hand
    // with the variable set records itself.
    const pid_t self = getpid();
    WriteQword(*store_, key_, L"SimProcessMark", linux_host::ProcessStartMark(self));
    WriteQword(*store_, key_, L"SimProcessId", static_cast<std::uint64_t>(self));

    // The machine is the store file this program started with; a file
    // created again at the same path is somebody else's machine.
    struct stat first;
    if (stat(registry_db_.c_str(), &first) != 0) return err::kFailedServiceControllerConnect;

    std::atomic<bool> done{false};
    std::thread main_thread([&] {
      service_main();
      done = true;
    });
    while (!done) {
      std::this_thread::sleep_for(kPoll);
      std::uint64_t control = 0;
      struct stat st;
      if (!machine_gone_ &&
          (stat(registry_db_.c_str(), &st) != 0 || st.st_ino != first.st_ino || st.st_dev != first.st_dev)) {
        machine_gone_ = true;
        Deliver(svccontrol::kShutdown);
      } else if (!machine_gone_ && ReadQword(*store_, key_, L"SimControl", &control) == err::kSuccess &&
                 control != seen) {
        seen = control;
        Deliver(static_cast<std::uint32_t>(control & 0xFF));
      }
    }
    main_thread.join();
    return err::kSuccess;
  }

  ErrorCode RegisterHandler(ControlHandler handler) override {
    std::lock_guard<std::mutex> lock(mutex_);
    handler_ = std::move(handler);
    return err::kSuccess;
  }

  ErrorCode ReportStatus(const ServiceStatus& status) override {
    std::uint32_t delay = 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (key_.empty()) return err::kInvalidHandle;
      // Nothing is written into a machine that is gone: it would come back.
      if (machine_gone_) return err::kSuccess;
      std::vector<std::wstring> reports;
      ReadMultiString(*store_, key_, L"SimReports", &reports);
      reports.erase(std::remove(reports.begin(), reports.end(), std::wstring()), reports.end());
      if (reports.size() >= kMaxReports) reports.erase(reports.begin());
      reports.push_back(std::to_wstring(status.state) + L":" + std::to_wstring(status.win32_exit_code));
      ErrorCode rc = WriteDword(*store_, key_, L"SimAccepts", status.controls_accepted);
      if (!rc) rc = WriteDword(*store_, key_, L"SimExitCode", status.win32_exit_code);
      if (!rc) rc = WriteMultiString(*store_, key_, L"SimReports", reports);
      if (!rc) rc = WriteDword(*store_, key_, L"SimState", status.state);
      if (rc) return rc;
      const bool starting = status.state == svcstate::kStartPending && !start_stretched_;
      const bool stopping = status.state == svcstate::kStopPending && !stop_stretched_;
      if (starting || stopping) {
        ReadDword(*store_, key_, starting ? L"SimStartDelay" : L"SimStopDelay", &delay);
        (starting ? start_stretched_ : stop_stretched_) = true;
      }
    }
    // The machine's configured start-up or stop time, spent after the report
    // so that controls can arrive meanwhile.
    if (delay) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    return err::kSuccess;
  }

 private:
  void Deliver(std::uint32_t control) {
    ControlHandler handler;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      handler = handler_;
    }
    if (handler) handler(control);
  }

  std::shared_ptr<RegistryStore> store_;
  std::string registry_db_;
  std::mutex mutex_;
  std::wstring key_;
  ControlHandler handler_;
  std::atomic<bool> machine_gone_{false};
  bool start_stretched_ = false;
  bool stop_stretched_ = false;
};

}  // namespace

std::unique_ptr<ServiceHost> MakeSimServiceHost(std::shared_ptr<RegistryStore> store, const std::string& registry_db) {
  return std::make_unique<SimServiceHost>(std::move(store), registry_db);
}

}  // namespace oro::platform::sim
