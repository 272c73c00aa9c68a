#include "oro/tools/sim/kit_services.h"

#include "oro/platform/service_manager.h"

namespace oro::tools::sim {

using platform::ErrorCode;
using platform::sim::SimService;
using platform::sim::SimServices;
namespace svcstate = platform::svcstate;
namespace err = platform::err;

namespace {

// A running service of the machine that starts and stops in `delay_ms`.
SimService Running(const wchar_t* name, std::vector<std::wstring> depends_on, std::uint32_t delay_ms) {
  SimService s;
  s.name = name;
  s.state = svcstate::kRunning;
  s.depends_on = std::move(depends_on);
  s.start_delay_ms = delay_ms;
  s.stop_delay_ms = delay_ms;
  return s;
}

}  // namespace

ErrorCode CreateKitServices(SimServices& services) {
  const SimService builder = Running(L"AudioEndpointBuilder", {}, 0);
  const SimService audio = Running(L"AudioSrv", {L"AudioEndpointBuilder"}, 300);
  const SimService hands_free = Running(L"BthHFSrv", {L"AudioSrv"}, 100);
  const SimService qos = Running(L"QWAVE", {L"AudioSrv"}, 100);
  for (const auto* s : {&builder, &audio, &hands_free, &qos}) {
    ErrorCode rc = services.Add(*s);
    if (rc == err::kServiceExists) rc = services.Configure(*s);
    if (rc) return rc;
  }
  return err::kSuccess;
}

}  // namespace oro::tools::sim
