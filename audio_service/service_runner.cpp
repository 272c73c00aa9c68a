#include "oro/audio_service/service_runner.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>

#include "oro/audio_service/device_monitor.h"
#include "oro/audio_service/plug_handling.h"
#include "oro/audio_service/service_setup.h"
#include "oro/common/debug_print.h"

namespace oro::audio_service {
namespace {

namespace svcstate = platform::svcstate;
constexpr std::uint32_t kAccepted = platform::svcaccept::kStop | platform::svcaccept::kShutdown;

// The one place the service's status is kept and reported. The control
// handler and the service's main thread both go through it, so a stop that
// arrives while the service is still starting is kept, and the status never
// moves back from stopping to running.
class ServiceStatusKeeper {
 public:
  explicit ServiceStatusKeeper(platform::ServiceHost& host) : host_(host) {}

  void Starting() { Report(svcstate::kStartPending, 0); }

  // False when a stop came first: the service goes straight on to stopping.
  bool Running() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stop_requested_) return false;
    SetLocked(svcstate::kRunning, 0);
    return true;
  }

  // Said once, whoever says it first: the handler or the stopping service.
  void Stopping() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (status_.state == svcstate::kStartPending || status_.state == svcstate::kRunning) {
      SetLocked(svcstate::kStopPending, 0);
    }
  }

  void Stopped(std::uint32_t exit_code) { Report(svcstate::kStopped, exit_code); }

  void OnControl(std::uint32_t control) {
    if (control == platform::svccontrol::kStop || control == platform::svccontrol::kShutdown) {
      // Set before waiting for the lock, which a report in progress holds:
      // a service still starting sees it as soon as its start-up ends.
      stop_requested_ = true;
      Stopping();
      stop_cv_.notify_all();
    } else {
      std::lock_guard<std::mutex> lock(mutex_);
      host_.ReportStatus(status_);  // interrogate: the status as it stands
    }
  }

  void WaitForStop() {
    std::unique_lock<std::mutex> lock(mutex_);
    stop_cv_.wait(lock, [this] { return stop_requested_.load(); });
  }

 private:
  void Report(std::uint32_t state, std::uint32_t exit_code) {
    std::lock_guard<std::mutex> lock(mutex_);
    SetLocked(state, exit_code);
  }
  void SetLocked(std::uint32_t state, std::uint32_t exit_code) {
    status_.state = state;
    status_.controls_accepted = state == svcstate::kStopped ? 0 : kAccepted;
    status_.win32_exit_code = exit_code;
    host_.ReportStatus(status_);
  }

  platform::ServiceHost& host_;
  std::mutex mutex_;
  std::condition_variable stop_cv_;
  platform::ServiceStatus status_;
  std::atomic<bool> stop_requested_{false};
};

void ServiceMain(platform::Platform& platform, ServiceStatusKeeper& status) {
  platform.service_host->RegisterHandler([&status](std::uint32_t control) { status.OnControl(control); });
  status.Starting();
  try {
    std::wstring self;
    if (platform.processes) platform.processes->OwnExecutablePath(&self);
    PlugHandler handler(platform, self);
    CAudioDeviceMonitor monitor(handler, platform.debug);
    if (!platform.audio || monitor.Register(*platform.audio) != platform::err::kSuccess) {
      status.Stopped(platform::err::kGenFailure);
      return;
    }
    if (status.Running()) status.WaitForStop();
    status.Stopping();
    monitor.Unregister();
    handler.Shutdown();
  } catch (const std::exception& e) {
    if (platform.debug) common::DebugPrint(*platform.debug, "[quenta]service failed: %s", e.what());
    status.Stopped(platform::err::kGenFailure);
    return;
  }
  status.Stopped(0);
}

}  // namespace

platform::ErrorCode RunService(platform::Platform& platform) {
  if (!platform.service_host) return platform::err::kFailedServiceControllerConnect;
  ServiceStatusKeeper status(*platform.service_host);
  return platform.service_host->RunDispatcher(kServiceName, [&] { ServiceMain(platform, status); });
}

}  // namespace oro::audio_service
