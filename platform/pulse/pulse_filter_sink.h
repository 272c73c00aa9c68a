// The kit's processing on a Linux desktop: the sound server's LADSPA filter
// sink running the processing object's plugin in front of a sink. The filter
// sink carries the name of the sink it feeds and of the default it replaced,
// so any process can remove it and give the default back.
#pragma once

#include <string>

#include "pulse_client.h"

namespace oro::platform::pulse {

// The processing object's plugin beside the module this code is part of, or
// in the installed plugin folder when the module is installed.
std::string PluginBesideThisModule();

// The filter sink in front of `master`; err::kNotFound when there is none.
ErrorCode FindFilterSink(PulseClient& client, const std::string& master, DeviceRecord* out);

// Loads the filter sink in front of `master` (unless it is there already) and
// makes it the default sink. err::kFileNotFound when the plugin is missing.
ErrorCode InstallFilterSink(PulseClient& client, const DeviceRecord& master, const std::string& plugin_path);

// Unloads the filter sink in front of `master`; when it was the default, the
// sink that was default before (or else `master`) becomes the default again.
// Nothing to remove is success.
ErrorCode RemoveFilterSink(PulseClient& client, const std::string& master);

}  // namespace oro::platform::pulse
