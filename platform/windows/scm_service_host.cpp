// The service program's side of the service control manager.
//
// StartServiceCtrlDispatcherW runs on a thread of its own and the manager's
// controls are handed over to the thread that called RunDispatcher: not
// every dispatcher calls the handler on the thread that joined it (Wine's
// uses a thread of its own), and the port promises one thread. The
// manager's handler call waits (a bounded while) for the control to be
// handled, so the status ControlService hands back is the one the handler
// reported.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "oro/platform/windows/windows_adapters.h"

namespace oro::platform::windows_host {
namespace {

// How long the manager's handler call waits for the service's thread.
constexpr auto kControlWait = std::chrono::seconds(20);
// How long the dispatcher gets to let go once the service's main has ended.
constexpr auto kDispatcherWait = std::chrono::seconds(30);

ErrorCode LastError(ErrorCode otherwise) {
  const DWORD e = GetLastError();
  return e ? static_cast<ErrorCode>(e) : otherwise;
}

// What the dispatcher's threads share with the service's thread. It lives as
// long as the dispatcher may call into it, which can outlast the host when
// the manager never lets go.
struct DispatchState {
  std::wstring name;
  std::function<void()> main;

  std::mutex mutex;
  std::condition_variable wake;
  std::condition_variable handled_cv;
  ServiceHost::ControlHandler handler;
  std::deque<std::uint32_t> controls;
  std::uint64_t handled = 0;
  SERVICE_STATUS_HANDLE status_handle = nullptr;
  std::uint32_t last_state = 0;
  bool main_started = false;
  bool main_done = false;
  bool dispatcher_done = false;
  bool abandoned = false;
  ErrorCode dispatcher_error = err::kSuccess;
  ErrorCode setup_error = err::kSuccess;

  ErrorCode Report(const ServiceStatus& status) {
    SERVICE_STATUS_HANDLE h;
    {
      std::lock_guard<std::mutex> lock(mutex);
      h = status_handle;
      if (h) last_state = status.state;
    }
    if (!h) return err::kInvalidHandle;
    SERVICE_STATUS s = {};
    s.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    s.dwCurrentState = status.state;
    s.dwControlsAccepted = status.controls_accepted;
    s.dwWin32ExitCode = status.win32_exit_code;
    return SetServiceStatus(h, &s) ? err::kSuccess : LastError(err::kGenFailure);
  }
};

// The dispatcher's table carries no context: one dispatcher per process.
std::mutex g_current_mutex;
std::shared_ptr<DispatchState> g_current;

DWORD WINAPI HandlerEntry(DWORD control, DWORD, LPVOID, LPVOID context) {
  auto* state = static_cast<DispatchState*>(context);
  std::unique_lock<std::mutex> lock(state->mutex);
  if (state->abandoned) return NO_ERROR;
  state->controls.push_back(control);
  const std::uint64_t ticket = state->handled + state->controls.size();
  state->wake.notify_all();
  state->handled_cv.wait_for(lock, kControlWait, [&] { return state->handled >= ticket || state->abandoned; });
  return NO_ERROR;
}

void WINAPI ServiceMainEntry(DWORD, LPWSTR*) {
  std::shared_ptr<DispatchState> state;
  {
    std::lock_guard<std::mutex> lock(g_current_mutex);
    state = g_current;
  }
  if (!state) return;
  SERVICE_STATUS_HANDLE h = RegisterServiceCtrlHandlerExW(state->name.c_str(), &HandlerEntry, state.get());
  const ErrorCode registered = h ? err::kSuccess : LastError(err::kGenFailure);
  {
    std::lock_guard<std::mutex> lock(state->mutex);
    state->main_started = true;
    state->status_handle = h;
    if (!h) {
      state->setup_error = registered;
      state->main_done = true;
      state->wake.notify_all();
      return;
    }
  }
  state->main();
  // A main function that ended without saying so would leave the manager
  // waiting on a service that no longer runs.
  bool said_stopped;
  {
    std::lock_guard<std::mutex> lock(state->mutex);
    said_stopped = state->last_state == svcstate::kStopped;
  }
  if (!said_stopped) state->Report({svcstate::kStopped, 0, 0});
  std::lock_guard<std::mutex> lock(state->mutex);
  state->main_done = true;
  state->wake.notify_all();
}

class ScmServiceHost final : public ServiceHost {
 public:
  ErrorCode RunDispatcher(const std::wstring& name, const std::function<void()>& service_main) override {
    if (name.empty() || !service_main) return err::kInvalidParameter;
    auto state = std::make_shared<DispatchState>();
    state->name = name;
    state->main = service_main;
    {
      std::lock_guard<std::mutex> lock(g_current_mutex);
      if (g_current) return err::kServiceAlreadyRunning;
      g_current = state;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      state_ = state;
    }

    std::thread dispatcher([state] {
      std::wstring name = state->name;
      SERVICE_TABLE_ENTRYW table[] = {{name.data(), &ServiceMainEntry}, {nullptr, nullptr}};
      const BOOL ok = StartServiceCtrlDispatcherW(table);
      const ErrorCode rc = ok ? err::kSuccess : LastError(err::kFailedServiceControllerConnect);
      std::lock_guard<std::mutex> lock(state->mutex);
      state->dispatcher_done = true;
      state->dispatcher_error = rc;
      state->wake.notify_all();
    });

    // Controls are handled here until the service's main function has ended
    // and the dispatcher has let go (it does once the service says stopped).
    ErrorCode result = err::kSuccess;
    std::unique_lock<std::mutex> lock(state->mutex);
    const auto finished = [&] {
      return (state->dispatcher_done && !state->main_started) ||
             (state->main_done && (state->dispatcher_done || state->setup_error));
    };
    for (;;) {
      const bool woken = state->wake.wait_for(
          lock, kDispatcherWait, [&] { return (state->handler && !state->controls.empty()) || finished(); });
      while (state->handler && !state->controls.empty()) {
        const std::uint32_t control = state->controls.front();
        ControlHandler handler = state->handler;
        lock.unlock();
        handler(control);
        lock.lock();
        state->controls.pop_front();
        ++state->handled;
        state->handled_cv.notify_all();
      }
      if (state->dispatcher_done && !state->main_started) {
        result = state->dispatcher_error;
        break;
      }
      if (state->main_done && (state->dispatcher_done || state->setup_error)) {
        result = state->setup_error ? state->setup_error : state->dispatcher_error;
        break;
      }
      if (!woken && state->main_done) {
        // The manager never let go after the service stopped.
        result = err::kServiceRequestTimeout;
        break;
      }
    }
    // Controls still waiting get no handler any more; release their callers.
    state->abandoned = true;
    state->handled_cv.notify_all();
    const bool joinable = state->dispatcher_done;
    lock.unlock();
    if (joinable) {
      dispatcher.join();
      std::lock_guard<std::mutex> current(g_current_mutex);
      g_current.reset();
    } else {
      // The dispatcher keeps its state and ends with the process.
      dispatcher.detach();
    }
    return result;
  }

  ErrorCode RegisterHandler(ControlHandler handler) override {
    auto state = State();
    if (!state) return err::kInvalidHandle;
    std::lock_guard<std::mutex> lock(state->mutex);
    state->handler = std::move(handler);
    state->wake.notify_all();
    return err::kSuccess;
  }

  ErrorCode ReportStatus(const ServiceStatus& status) override {
    auto state = State();
    return state ? state->Report(status) : err::kInvalidHandle;
  }

 private:
  std::shared_ptr<DispatchState> State() {
    std::lock_guard<std::mutex> lock(mutex_);
    return state_;
  }

  std::mutex mutex_;
  std::shared_ptr<DispatchState> state_;
};

}  // namespace

std::unique_ptr<ServiceHost> MakeScmServiceHost() { return std::make_unique<ScmServiceHost>(); }

}  // namespace oro::platform::windows_host
