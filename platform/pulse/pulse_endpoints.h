// How sinks and sources become the kit's endpoints: which of them count, the
// endpoint id derived from the device's identity, and the properties the kit
// reads (friendly name, adapter name, a device path with the USB ids).
#pragma once

#include <string>

#include "oro/platform/audio_system.h"
#include "pulse_client.h"

namespace oro::platform::pulse {

// Properties the kit puts on its filter sinks: the sink they feed, and the
// default sink before the filter took the default over.
constexpr const char* kFilterMasterProperty = "oro.filter.master";
constexpr const char* kFilterPreviousProperty = "oro.filter.previous";

// The property keys of what an endpoint's info carries, as change
// notifications name them.
constexpr const wchar_t* kPkeyFriendlyName = L"{a45c254e-df1c-4efd-8020-67d146a850e0},14";
constexpr const wchar_t* kPkeyAdapterName = L"{b3f8fa53-0004-438e-9003-51a46e139bfc},6";
constexpr const wchar_t* kPkeyDevicePath = L"{b3f8fa53-0004-438e-9003-51a46e139bfc},2";

// Monitors and the kit's own filter sinks are not endpoints of their own.
bool IsEndpoint(const DeviceRecord& device);

Flow FlowOf(DeviceKind kind);
DeviceKind KindOf(Flow flow);

// "{0.0.0.00000000}.{guid}" (render) or "{0.0.1.00000000}.{guid}" (capture),
// the guid a hash of the device's name. The server names a device from its
// hardware identity (bus, serial, profile), so the id survives a restart of
// the server and a replug of the device.
std::wstring EndpointIdOf(DeviceKind kind, const std::string& device_name);

// "{1}.USB\VID_xxxx&PID_xxxx\serial" for USB devices, "{1}.BUS\name" for others.
std::wstring DevicePathOf(const DeviceRecord& device);

EndpointInfo EndpointInfoOf(const DeviceRecord& device);

}  // namespace oro::platform::pulse
