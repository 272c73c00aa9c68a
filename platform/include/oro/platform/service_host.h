// The service's own side of the service manager: the process the manager
// started joins its dispatcher, reports the service's status and receives
// its controls. States and codes are the service control manager's.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "oro/platform/service_manager.h"
#include "oro/platform/win32_codes.h"

namespace oro::platform {

namespace svccontrol {
constexpr std::uint32_t kStop = 1;
constexpr std::uint32_t kInterrogate = 4;
constexpr std::uint32_t kShutdown = 5;
}  // namespace svccontrol

namespace svcaccept {
constexpr std::uint32_t kStop = 0x1;
constexpr std::uint32_t kShutdown = 0x4;
}  // namespace svcaccept

struct ServiceStatus {
  std::uint32_t state = svcstate::kStopped;
  std::uint32_t controls_accepted = 0;
  std::uint32_t win32_exit_code = 0;
};

class ServiceHost {
 public:
  // Called on the dispatcher's thread, one control at a time.
  using ControlHandler = std::function<void(std::uint32_t control)>;

  virtual ~ServiceHost() = default;

  // Joins the manager as the process of service `name`: runs `service_main`
  // on a thread of its own and hands the controls the manager sends to the
  // registered handler on the calling thread, until `service_main` has
  // returned. err::kFailedServiceControllerConnect, with nothing run, when
  // the manager did not start this process as that service.
  virtual ErrorCode RunDispatcher(const std::wstring& name, const std::function<void()>& service_main) = 0;
  // Where the controls go from now on (from inside service_main).
  virtual ErrorCode RegisterHandler(ControlHandler handler) = 0;
  // Tells the manager the service's status; the manager delivers only the
  // controls the last report accepted.
  virtual ErrorCode ReportStatus(const ServiceStatus& status) = 0;
};

}  // namespace oro::platform
