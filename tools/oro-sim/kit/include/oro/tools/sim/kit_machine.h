// The kit's demo machine, which `oro-sim create` builds and tests start from:
// the kit's headset and its wireless dongle (render and capture each), and an
// onboard sound device that the kit must leave alone. Defaults point at the
// headset. The simulated adapters know nothing of it; they read whatever
// machine the store holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "oro/platform/sim/sim_machine.h"

namespace oro::tools::sim {

using platform::ErrorCode;
using platform::sim::SimEndpointSpec;
using platform::sim::SimMachine;

// USB identities of the kit's devices; the supported-device list carries them.
constexpr std::uint16_t kKitVendorId = 0x040B;
constexpr std::uint16_t kHeadsetProductId = 0xF779;
constexpr std::uint16_t kDongleProductId = 0xF778;

// Aliases of the endpoints of the kit's machine.
constexpr const wchar_t* kHeadsetRender = L"headset-render";
constexpr const wchar_t* kHeadsetCapture = L"headset-capture";
constexpr const wchar_t* kDongleRender = L"dongle-render";
constexpr const wchar_t* kDongleCapture = L"dongle-capture";
constexpr const wchar_t* kOnboardRender = L"onboard-render";
constexpr const wchar_t* kOnboardCapture = L"onboard-capture";

// The endpoints as a system of that version (major << 16 | minor) has them
// before the kit arrives: from 8.1 on, effects in the stream, mode and
// endpoint slots and the newer property keys; before, effects in the pre-mix
// and post-mix slots only.
std::vector<SimEndpointSpec> KitEndpoints(std::uint32_t os_version);

constexpr std::uint32_t kKitOsVersion = 0x000A0000;  // 10.0

// Adds the kit's endpoints to an empty machine, makes the headset the default
// for every role and sets the system settings (the OS version, locale 1033,
// the given temporary folder).
ErrorCode CreateKitMachine(SimMachine& machine, const std::wstring& temp_folder,
                           std::uint32_t os_version = kKitOsVersion);

}  // namespace oro::tools::sim
