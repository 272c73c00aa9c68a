// Where the simulated machine keeps its state in the settings store. The
// adapters of the sim profile and oro-sim read and write these names only;
// docs/sim-machine.md describes the same layout for people.
//
// All keys are under HKEY_LOCAL_MACHINE.
//
//   SOFTWARE\Microsoft\Windows\CurrentVersion\MMDevices\Audio\Render\{guid}
//   SOFTWARE\Microsoft\Windows\CurrentVersion\MMDevices\Audio\Capture\{guid}
//       "DeviceState"      DWORD   1 active, 2 disabled, 4 not present, 8 unplugged
//       "SimMasterVolume"  BINARY  4 bytes, the master volume scalar as a
//                                  little-endian IEEE-754 float (absent: 1.0)
//       "SimMute"          DWORD   0 or 1 (absent: 0)
//       "SimAlias"         SZ      short name oro-sim accepts (headset-render, ...)
//     \Properties          the property-key values the audio system keeps
//       "{a45c254e-df1c-4efd-8020-67d146a850e0},2"   SZ  description ("Speakers")
//       "{a45c254e-df1c-4efd-8020-67d146a850e0},14"  SZ  friendly name
//       "{b3f8fa53-0004-438e-9003-51a46e139bfc},6"   SZ  adapter name
//       "{026e516e-b814-414b-83cd-856d6fef4822},2"   SZ  interface friendly name
//       "{b3f8fa53-0004-438e-9003-51a46e139bfc},2"   SZ  device instance path
//                                                       ("{1}.USB\VID_040B&PID_F779&MI_00\...")
//       "{f19f064d-082c-4e27-bc73-6882a1bb8e4c},0"   BINARY  device format: an
//                       8-byte blob header (type 0x41, size) and a WAVEFORMATEXTENSIBLE
//       "{1da5d803-d492-4edd-8c23-e0c0ffee7f0e},3"   DWORD  physical speakers (render)
//     \FxProperties        effect slots, only on endpoints that have effects
//
//   SOFTWARE\OroSim\Audio\Defaults
//       "Render.Console", "Render.Multimedia", "Render.Communications",
//       "Capture.Console", ...   SZ  the endpoint id that is default for the pair
//   SOFTWARE\OroSimBuilding    present while oro-sim create runs; a machine
//                               that still has it was left half-made
//   SOFTWARE\OroSim\System
//       "OsVersion"   DWORD  major << 16 | minor (absent: 10.0)
//       "LocaleId"    DWORD  Windows locale id (absent: 1033)
//       "TempFolder"  SZ     with a trailing separator (absent: the host's rule)
//
// Endpoint ids are "{0.0.0.00000000}.{guid}" (render) and
// "{0.0.1.00000000}.{guid}" (capture), the guid being the endpoint's key name.
#pragma once

#include <cstdint>
#include <string>

#include "oro/platform/audio_system.h"

namespace oro::platform::sim::layout {

constexpr const wchar_t* kAudioTree = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio";
constexpr const wchar_t* kRenderKey = L"Render";
constexpr const wchar_t* kCaptureKey = L"Capture";
constexpr const wchar_t* kPropertiesKey = L"Properties";
constexpr const wchar_t* kFxPropertiesKey = L"FxProperties";

// Values on the endpoint key.
constexpr const wchar_t* kDeviceState = L"DeviceState";
constexpr const wchar_t* kVolume = L"SimMasterVolume";
constexpr const wchar_t* kMute = L"SimMute";
constexpr const wchar_t* kAlias = L"SimAlias";

// Property-key values under "Properties".
constexpr const wchar_t* kPkeyDescription = L"{a45c254e-df1c-4efd-8020-67d146a850e0},2";
constexpr const wchar_t* kPkeyFriendlyName = L"{a45c254e-df1c-4efd-8020-67d146a850e0},14";
constexpr const wchar_t* kPkeyAdapterName = L"{b3f8fa53-0004-438e-9003-51a46e139bfc},6";
constexpr const wchar_t* kPkeyAdapterNameAlt = L"{b3f8fa53-0004-438e-9003-51a46e139bfc},26";
constexpr const wchar_t* kPkeyInterfaceName = L"{026e516e-b814-414b-83cd-856d6fef4822},2";
constexpr const wchar_t* kPkeyDevicePath = L"{b3f8fa53-0004-438e-9003-51a46e139bfc},2";
constexpr const wchar_t* kPkeyDevicePathAlt = L"{b3f8fa53-0004-438e-9003-51a46e139bfc},39";
constexpr const wchar_t* kPkeyDeviceFormat = L"{f19f064d-082c-4e27-bc73-6882a1bb8e4c},0";
constexpr const wchar_t* kPkeyPhysicalSpeakers = L"{1da5d803-d492-4edd-8c23-e0c0ffee7f0e},3";

// Effect slots under "FxProperties" (pre-mix, post-mix, stream, mode, endpoint).
constexpr const wchar_t* kFxPreMix = L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},1";
constexpr const wchar_t* kFxPostMix = L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},2";
constexpr const wchar_t* kFxStream = L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},5";
constexpr const wchar_t* kFxMode = L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},6";
constexpr const wchar_t* kFxEndpoint = L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},7";
constexpr const wchar_t* kFxStreamModes = L"{d3993a3f-99c2-4402-b5ec-a92a0367664b},5";
constexpr const wchar_t* kFxEndpointModes = L"{d3993a3f-99c2-4402-b5ec-a92a0367664b},7";
constexpr const wchar_t* kFxDisplayName = L"{b725f130-47ef-101a-a5f1-02608c9eebac},10";

// The simulator's own keys.
constexpr const wchar_t* kSimRoot = L"SOFTWARE\\OroSim";
// Present while a machine is being built: set before the old machine is
// cleared and removed only once the new one is whole.
constexpr const wchar_t* kBuildingKey = L"SOFTWARE\\OroSimBuilding";
constexpr const wchar_t* kDefaultsKey = L"SOFTWARE\\OroSim\\Audio\\Defaults";
constexpr const wchar_t* kSystemKey = L"SOFTWARE\\OroSim\\System";
constexpr const wchar_t* kOsVersion = L"OsVersion";
constexpr const wchar_t* kLocaleId = L"LocaleId";
constexpr const wchar_t* kTempFolder = L"TempFolder";

constexpr std::uint32_t kDefaultOsVersion = 0x000A0000;  // 10.0
constexpr std::uint32_t kDefaultLocaleId = 1033;

// "Render" or "Capture".
const wchar_t* FlowKeyName(Flow flow);
// kAudioTree + "\Render" or "\Capture".
std::wstring FlowTreePath(Flow flow);
// The endpoint key of an endpoint key name ("{guid}").
std::wstring EndpointKeyPath(Flow flow, const std::wstring& guid);
// "{0.0.0.00000000}.{guid}" or "{0.0.1.00000000}.{guid}".
std::wstring EndpointId(Flow flow, const std::wstring& guid);
// Splits an endpoint id; false when it has neither prefix or no key name.
bool ParseEndpointId(const std::wstring& id, Flow* flow, std::wstring* guid);
// "Render.Multimedia" and the like.
std::wstring DefaultValueName(Flow flow, Role role);

}  // namespace oro::platform::sim::layout
