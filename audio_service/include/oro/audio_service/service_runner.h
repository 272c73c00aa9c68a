// The audio service as the service manager runs it: joins the dispatcher,
// reports starting, registers the endpoint monitor, reports running and
// waits for a stop or shutdown control, then unregisters and reports
// stopped (exit code 31 when the start failed).
#pragma once

#include "oro/platform/platform.h"

namespace oro::audio_service {

// err::kFailedServiceControllerConnect when the program was not started by
// the manager as the service; then nothing else happens.
platform::ErrorCode RunService(platform::Platform& platform);

}  // namespace oro::audio_service
