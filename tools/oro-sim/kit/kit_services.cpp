#include "oro/tools/sim/kit_services.h"

#include "oro/platform/service_manager.h"

namespace oro::tools::sim {

using platform::ErrorCode;
using platform::sim::SimService;
using platform::sim::SimServices;
namespace svcstate = platform::svcstate;
namespace err = platform::err;

ErrorCode CreateKitServices(SimServices& services) {
  SimService builder;
  builder.name = L"AudioEndpointBuilder";
  builder.state = svcstate::kRunning;
  SimService audio;
  audio.name = L"AudioSrv";
  audio.state = svcstate::kRunning;
  audio.depends_on = {L"AudioEndpointBuilder"};
  audio.start_delay_ms = 300;
  audio.stop_delay_ms = 300;
  SimService hands_free;
  hands_free.name = L"BthHFSrv";
  hands_free.state = svcstate::kRunning;
  hands_free.depends_on = {L"AudioSrv"};
  hands_free.start_delay_ms = 100;
  hands_free.stop_delay_ms = 100;
  SimService qos;
  qos.name = L"QWAVE";
  qos.state = svcstate::kRunning;
  qos.depends_on = {L"AudioSrv"};
  qos.start_delay_ms = 100;
  qos.stop_delay_ms = 100;
  for (const auto* s : {&builder, &audio, &hands_free, &qos}) {
    ErrorCode rc = services.Add(*s);
    if (rc == err::kServiceExists) rc = services.Configure(*s);
    if (rc) return rc;
  }
  return err::kSuccess;
}

}  // namespace oro::tools::sim
