#include "oro/common/service_control.h"

#include <memory>
#include <vector>

#include "oro/common/error_text.h"

namespace oro::common {
namespace {

namespace svcstate = platform::svcstate;
namespace err = platform::err;
using ServicePtr = std::shared_ptr<platform::Service>;

[[noreturn]] void ThrowServiceError(const wchar_t* operation, const std::wstring& service, platform::ErrorCode code) {
  throw ServiceException(std::wstring(operation) + L" failed for service \"" + service + L"\" (" + ErrorText(code) +
                         L")");
}

[[noreturn]] void ThrowOn(const wchar_t* what, const std::wstring& service) {
  throw ServiceException(std::wstring(what) + L" on service \"" + service + L"\"");
}

ServicePtr OpenService(platform::ServiceManager& manager, const std::wstring& name) {
  std::unique_ptr<platform::Service> s;
  if (platform::ErrorCode rc = manager.Open(name, &s)) ThrowServiceError(L"OpenService", name, rc);
  return ServicePtr(std::move(s));
}

std::uint32_t StateOf(platform::Service& s, const std::wstring& name) {
  std::uint32_t state = 0;
  if (platform::ErrorCode rc = s.GetState(&state)) ThrowServiceError(L"QueryServiceStatusEx", name, rc);
  return state;
}

}  // namespace

void ServiceControl::RestartServiceWithDependents(const std::wstring& name) {
  if (platform::ErrorCode rc = manager_.Connect()) {
    throw ServiceException(L"OpenSCManager failed (" + ErrorText(rc) + L")");
  }
  std::vector<ServicePtr> list{OpenService(manager_, name)};
  std::vector<std::wstring> names{name};
  // A service that is anything but stopped may have dependents running on
  // it, which must stop first or its own stop is refused.
  if (StateOf(*list.back(), name) != svcstate::kStopped) {
    std::vector<std::wstring> dependents;
    if (platform::ErrorCode rc = list.back()->ActiveDependents(&dependents)) {
      ThrowServiceError(L"EnumDependentServices", name, rc);
    }
    for (const auto& d : dependents) {
      list.insert(list.end() - 1, OpenService(manager_, d));
      names.insert(names.end() - 1, d);
    }
  }

  const auto start = clock_.Now();
  const auto over_budget = [&] { return clock_.Now() - start > kBudget; };
  const auto report = [&](ServiceStep step, const std::wstring& n) {
    if (progress_) progress_(step, n);
  };

  for (std::size_t i = 0; i < list.size(); ++i) {
    auto& s = *list[i];
    const std::wstring& n = names[i];
    bool stop_sent = false;
    bool stopping = false;
    bool stop_reported = false;  // a control the service cannot take yet is sent again
    std::uint32_t state = StateOf(s, n);
    while (state != svcstate::kStopped) {
      // Running or paused services take the stop control; one that is still
      // starting (or pausing, continuing) takes it once it settles.
      if (!stop_sent && (state == svcstate::kRunning || state == svcstate::kPaused)) {
        if (!stop_reported) report(ServiceStep::kStopping, n);
        stop_reported = true;
        const platform::ErrorCode rc = s.Stop(&state);
        if (rc == err::kServiceNotActive) break;
        if (rc && rc != err::kServiceCannotAcceptCtrl) ThrowServiceError(L"ControlService", n, rc);
        stop_sent = rc == err::kSuccess;
        if (state == svcstate::kStopped) break;
      }
      if (state == svcstate::kStopPending) stopping = true;
      // Back to running after it began to stop: the stop failed, and waiting
      // out the budget would not change that.
      if (stop_sent && stopping && state == svcstate::kRunning) ThrowOn(L"Service stop failed", n);
      if (over_budget()) ThrowOn(L"Service stop timed out", n);
      clock_.Sleep(kPollInterval);
      state = StateOf(s, n);
    }
    if (stop_sent || stopping) report(ServiceStep::kStopped, n);
  }

  for (std::size_t i = list.size(); i-- > 0;) {
    auto& s = *list[i];
    const std::wstring& n = names[i];
    report(ServiceStep::kStarting, n);
    const platform::ErrorCode rc = s.Start();
    if (rc && rc != err::kServiceAlreadyRunning) ThrowServiceError(L"StartService", n, rc);
    const bool start_sent = rc == err::kSuccess;
    std::uint32_t state = StateOf(s, n);
    while (state != svcstate::kRunning) {
      // Stopped again after the start was accepted: it failed to start.
      if (start_sent && state == svcstate::kStopped) ThrowOn(L"Service start failed", n);
      if (over_budget()) ThrowOn(L"Service start timed out", n);
      clock_.Sleep(kPollInterval);
      state = StateOf(s, n);
    }
    report(ServiceStep::kStarted, n);
  }
}

void RestartServiceWithDependents(platform::ServiceManager& manager, const std::wstring& name) {
  ServiceControl(manager).RestartServiceWithDependents(name);
}

}  // namespace oro::common
