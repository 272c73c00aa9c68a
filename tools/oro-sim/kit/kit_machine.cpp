#include "oro/tools/sim/kit_machine.h"

#include "oro/platform/sim/sim_layout.h"

namespace oro::tools::sim {

using platform::Flow;
using platform::Role;
using platform::sim::SimEndpoint;
using platform::sim::SimFormat;
namespace err = platform::err;
namespace layout = platform::sim::layout;
namespace {

constexpr const wchar_t* kHeadsetName = L"OroSound Gaming Headset";
constexpr const wchar_t* kDongleName = L"OroSound Wireless Dongle";
constexpr const wchar_t* kOnboardName = L"High Definition Audio Device";
constexpr const wchar_t* kHeadsetPath = L"{1}.USB\\VID_040B&PID_F779&MI_00\\7&1F3A2C5D&0&0000";
constexpr const wchar_t* kDonglePath = L"{1}.USB\\VID_040B&PID_F778&MI_00\\7&2B4C6D8E&0&0000";
constexpr const wchar_t* kOnboardPath =
    L"{1}.HDAUDIO\\FUNC_01&VEN_0000&DEV_0001&SUBSYS_00000001&REV_1000\\4&3A5B7C9D&0&0001";

// Effects another vendor placed on the onboard device: the kit must keep them.
constexpr const wchar_t* kVendorStreamFx = L"{5c7b1f2e-8a3d-4e6f-9b0c-1d2e3f4a5b6c}";
constexpr const wchar_t* kVendorEndpointFx = L"{6d8c2a3f-9b4e-4f70-8c1d-2e3f4a5b6c7d}";
// Older pre-mix and post-mix effects on the dongle's render endpoint.
constexpr const wchar_t* kLegacyPreMixFx = L"{7e9d3b40-ac5f-4081-9d2e-3f4a5b6c7d8e}";
constexpr const wchar_t* kLegacyPostMixFx = L"{8fae4c51-bd60-4192-ae3f-4a5b6c7d8e9f}";
constexpr const wchar_t* kDefaultMode = L"{C18E2F7E-933D-4965-B7D1-1EEF228D2AF3}";
// The onboard microphone's vendor effects on a current system (stream and mode slots).
constexpr const wchar_t* kVendorCaptureStreamFx = L"{9abf5d62-ce71-42a3-bf40-5b6c7d8e9fa0}";
constexpr const wchar_t* kVendorCaptureModeFx = L"{a1c06e73-df82-43b4-8051-6c7d8e9fa0b1}";
// Property keys a current system adds: adapter name and device path in their
// newer places, and the flag that puts stream and mode effects in use.
constexpr const wchar_t* kPkeyLayoutOne = L"{b3f8fa53-0004-438e-9003-51a46e139bfc},41";
constexpr std::uint32_t kWindows81 = 0x00060003;

SimEndpointSpec Render(const wchar_t* guid, const wchar_t* alias, const wchar_t* adapter, const wchar_t* path,
                       float volume, bool mute) {
  SimEndpointSpec s;
  s.flow = Flow::kRender;
  s.guid = guid;
  s.alias = alias;
  s.description = L"Speakers";
  s.adapter_name = adapter;
  s.device_path = path;
  s.format = SimFormat{2, 48000, 16, 0x3};
  s.volume = volume;
  s.mute = mute;
  return s;
}

SimEndpointSpec Capture(const wchar_t* guid, const wchar_t* alias, const wchar_t* adapter, const wchar_t* path,
                        float volume, bool mute) {
  SimEndpointSpec s = Render(guid, alias, adapter, path, volume, mute);
  s.flow = Flow::kCapture;
  s.description = L"Microphone";
  s.format = SimFormat{1, 48000, 16, 0x4};
  return s;
}

}  // namespace

std::vector<SimEndpointSpec> KitEndpoints(std::uint32_t os_version) {
  const bool current = os_version >= kWindows81;
  std::vector<SimEndpointSpec> all;
  SimEndpointSpec headset_render =
      Render(L"{1c6d8a52-3f4e-4b9a-8d21-5e7f90a1b2c3}", kHeadsetRender, kHeadsetName, kHeadsetPath, 0.75f, false);
  SimEndpointSpec headset_capture =
      Capture(L"{2f9e4b13-7a6c-4d58-9e30-a1b2c3d4e5f6}", kHeadsetCapture, kHeadsetName, kHeadsetPath, 0.80f, false);
  if (current) {
    // The headset carries the newer keys; the dongle only the older ones, so
    // both ways of reading them are used.
    for (SimEndpointSpec* e : {&headset_render, &headset_capture}) {
      e->extra_properties = {{layout::kPkeyAdapterNameAlt, kHeadsetName}, {layout::kPkeyDevicePathAlt, kHeadsetPath}};
    }
  }
  all.push_back(headset_render);
  all.push_back(headset_capture);

  SimEndpointSpec dongle =
      Render(L"{5a3b5c74-1d2e-4f60-a7b8-c9d0e1f2a3b4}", kDongleRender, kDongleName, kDonglePath, 0.60f, false);
  dongle.effects = {{layout::kFxPreMix, kLegacyPreMixFx}, {layout::kFxPostMix, kLegacyPostMixFx}};
  all.push_back(dongle);
  all.push_back(
      Capture(L"{6e7f9a15-2b3c-4d4e-8f5a-6b7c8d9e0f1a}", kDongleCapture, kDongleName, kDonglePath, 0.70f, false));

  SimEndpointSpec onboard =
      Render(L"{ad2c4e86-5f7a-4b1c-9d3e-0f1a2b3c4d5e}", kOnboardRender, kOnboardName, kOnboardPath, 0.50f, false);
  SimEndpointSpec onboard_capture =
      Capture(L"{bb3d5f97-6a8c-4e2f-b0d1-e2f3a4b5c6d7}", kOnboardCapture, kOnboardName, kOnboardPath, 0.50f, true);
  if (current) {
    onboard.effects = {{layout::kFxStream, kVendorStreamFx}, {layout::kFxEndpoint, kVendorEndpointFx}};
    onboard.effect_modes = {{layout::kFxStreamModes, {kDefaultMode}}, {layout::kFxEndpointModes, {kDefaultMode}}};
    onboard_capture.effects = {{layout::kFxStream, kVendorCaptureStreamFx}, {layout::kFxMode, kVendorCaptureModeFx}};
    onboard_capture.effect_modes = {{layout::kFxStreamModes, {kDefaultMode}}};
    onboard_capture.extra_numbers = {{kPkeyLayoutOne, 1}};
  } else {
    // Before 8.1 effects sit in the pre-mix and post-mix slots.
    onboard.effects = {{layout::kFxPreMix, kVendorStreamFx}, {layout::kFxPostMix, kVendorEndpointFx}};
    onboard_capture.effects = {{layout::kFxPreMix, kVendorCaptureStreamFx}};
  }
  all.push_back(onboard);
  all.push_back(onboard_capture);
  return all;
}

ErrorCode CreateKitMachine(SimMachine& machine, const std::wstring& temp_folder, std::uint32_t os_version) {
  SimEndpoint headset_render;
  SimEndpoint headset_capture;
  for (const auto& def : KitEndpoints(os_version)) {
    if (ErrorCode rc = machine.AddEndpoint(def)) return rc;
  }
  if (ErrorCode rc = machine.Find(kHeadsetRender, &headset_render)) return rc;
  if (ErrorCode rc = machine.Find(kHeadsetCapture, &headset_capture)) return rc;
  for (Role role : {Role::kConsole, Role::kMultimedia, Role::kCommunications}) {
    if (ErrorCode rc = machine.SetDefault(Flow::kRender, role, headset_render.info.id)) return rc;
    if (ErrorCode rc = machine.SetDefault(Flow::kCapture, role, headset_capture.info.id)) return rc;
  }
  if (ErrorCode rc = machine.SetOsVersion(os_version)) return rc;
  if (ErrorCode rc = machine.SetLocaleId(layout::kDefaultLocaleId)) return rc;
  return machine.SetTempFolder(temp_folder);
}

}  // namespace oro::tools::sim
