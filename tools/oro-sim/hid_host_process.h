// The process that serves the simulated HID bus of a state folder: started
// in the background by `oro-sim create`, stopped by `oro-sim hid stop` or by
// the removal of the state folder.
#pragma once

#include <string>

#include "oro/platform/win32_codes.h"

namespace oro::tools::sim {

// Replaces a host already serving the bus (its devices start afresh), starts
// `oro-sim hid serve` detached from this process and waits until it answers.
platform::ErrorCode StartHidHost(const std::string& bus_dir, std::string* message);
// Asks a running host to stop; success also when none runs.
platform::ErrorCode StopHidHost(const std::string& bus_dir);

}  // namespace oro::tools::sim
