// A service for the Windows suites, run by the service control manager as
// the service its first argument names: it says it starts and runs, answers
// an interrogation with its status, and on a stop or shutdown says it stops
// and stops. It runs on the ServiceHost adapter, so every start the suites
// ask of the manager goes through that adapter as well.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "oro/platform/text.h"
#include "oro/platform/windows/windows_adapters.h"

namespace p = oro::platform;

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::wstring name = p::FromUtf8(argv[1]);
  auto host = p::windows_host::MakeScmServiceHost();
  constexpr std::uint32_t kAccepts = p::svcaccept::kStop | p::svcaccept::kShutdown;
  std::mutex mutex;
  std::condition_variable cv;
  bool stop = false;
  const p::ErrorCode rc = host->RunDispatcher(name, [&] {
    host->RegisterHandler([&](std::uint32_t control) {
      std::lock_guard<std::mutex> lock(mutex);
      if (control == p::svccontrol::kStop || control == p::svccontrol::kShutdown) {
        if (!stop) host->ReportStatus({p::svcstate::kStopPending, kAccepts, 0});
        stop = true;
        cv.notify_all();
      } else if (!stop) {
        host->ReportStatus({p::svcstate::kRunning, kAccepts, 0});
      }
    });
    host->ReportStatus({p::svcstate::kStartPending, 0, 0});
    // Long enough for a caller to see the pending state.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    host->ReportStatus({p::svcstate::kRunning, kAccepts, 0});
    std::unique_lock<std::mutex> lock(mutex);
    cv.wait(lock, [&] { return stop; });
    lock.unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    host->ReportStatus({p::svcstate::kStopped, 0, 0});
  });
  return rc == p::err::kSuccess ? 0 : 1;
}
