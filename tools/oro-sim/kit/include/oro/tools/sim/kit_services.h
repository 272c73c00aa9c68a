// The services of the kit's demo machine: "AudioSrv" running, with the
// endpoint builder it depends on and two running services that depend on it.
#pragma once

#include "oro/platform/sim/sim_services.h"

namespace oro::tools::sim {

// Adds the services, or resets their settings when they exist.
platform::ErrorCode CreateKitServices(platform::sim::SimServices& services);

}  // namespace oro::tools::sim
