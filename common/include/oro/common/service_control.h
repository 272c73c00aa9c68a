// Restart of a service together with the running services that depend on
// it, waiting for each one to stop and start within one time budget.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <utility>

#include "oro/platform/clock.h"
#include "oro/platform/service_manager.h"

namespace oro::common {

// One wide message; thrown by value, caught by reference.
class ServiceException {
 public:
  explicit ServiceException(std::wstring message) : message_(std::move(message)) {}
  const std::wstring& Message() const { return message_; }

 private:
  std::wstring message_;
};

enum class ServiceStep { kStopping, kStopped, kStarting, kStarted };

// Called as each step happens (for a tool that shows progress).
using ServiceProgress = std::function<void(ServiceStep step, const std::wstring& service)>;

class ServiceControl {
 public:
  static constexpr std::chrono::milliseconds kBudget{30000};
  static constexpr std::chrono::milliseconds kPollInterval{100};

  explicit ServiceControl(platform::ServiceManager& manager, platform::Clock& clock = platform::SystemClock())
      : manager_(manager), clock_(clock) {}

  void SetProgress(ServiceProgress progress) { progress_ = std::move(progress); }

  // Stops the running dependents of the service (those further away first)
  // and the service, then starts the service and the dependents in reverse.
  // A stopped service is only started. Throws ServiceException; services
  // already stopped when it throws stay stopped.
  void RestartServiceWithDependents(const std::wstring& name);

 private:
  platform::ServiceManager& manager_;
  platform::Clock& clock_;
  ServiceProgress progress_;
};

// With the machine's clock and no progress.
void RestartServiceWithDependents(platform::ServiceManager& manager, const std::wstring& name);

}  // namespace oro::common
