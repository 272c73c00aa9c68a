// Service manager port: open a service by name, read its state, start and
// stop it, list the running services that depend on it, and register or
// remove a service. States and error
// codes carry the service control manager's numbers on every platform.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "oro/platform/win32_codes.h"

namespace oro::platform {

namespace svcstate {
constexpr std::uint32_t kStopped = 1;
constexpr std::uint32_t kStartPending = 2;
constexpr std::uint32_t kStopPending = 3;
constexpr std::uint32_t kRunning = 4;
constexpr std::uint32_t kContinuePending = 5;
constexpr std::uint32_t kPausePending = 6;
constexpr std::uint32_t kPaused = 7;
}  // namespace svcstate

class Service {
 public:
  virtual ~Service() = default;
  virtual const std::wstring& Name() const = 0;
  virtual ErrorCode GetState(std::uint32_t* state) = 0;
  // Asks the service to start and returns without waiting for it.
  // err::kServiceAlreadyRunning when it is not stopped.
  virtual ErrorCode Start() = 0;
  // Sends the stop control; *state is the state right after it.
  // err::kServiceNotActive when it is stopped, err::kServiceCannotAcceptCtrl
  // while it is starting or stopping.
  virtual ErrorCode Stop(std::uint32_t* state) = 0;
  // Running services that depend on this one, directly or through others,
  // those further away first (the order they have to stop in).
  virtual ErrorCode ActiveDependents(std::vector<std::wstring>* names) = 0;
  // Removes the service from the manager. A running service keeps running
  // until it stops; callers stop it and wait first.
  virtual ErrorCode Delete() = 0;
};

// A service to register: it starts with the system, under the system's own
// account. binary_path is the command line the manager runs, already quoted.
struct ServiceConfig {
  std::wstring name;
  std::wstring display_name;
  std::wstring binary_path;
};

class ServiceManager {
 public:
  virtual ~ServiceManager() = default;
  // Whether the manager can be reached at all.
  virtual ErrorCode Connect() = 0;
  // err::kServiceDoesNotExist for an unknown name.
  virtual ErrorCode Open(const std::wstring& name, std::unique_ptr<Service>* out) = 0;
  // err::kServiceExists when the name is taken, err::kInvalidName for a name
  // the manager cannot hold.
  virtual ErrorCode Create(const ServiceConfig& config) = 0;
};

}  // namespace oro::platform
