// The words both tools print for an endpoint's flow, role and state.
#pragma once

#include <cstdint>

#include "oro/platform/audio_system.h"

namespace oro::tools::cli {

// "render" or "capture".
const char* FlowName(platform::Flow flow);
// "console", "multimedia" or "communications".
const char* RoleName(platform::Role role);
// "active", "disabled", "notpresent", "unplugged"; "unknown" for anything else.
const char* StateName(std::uint32_t state);

}  // namespace oro::tools::cli
