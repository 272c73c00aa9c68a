// Names the effect registration reads and writes: where endpoints live in the
// registry, the property keys of their "Properties" and "FxProperties" keys,
// the kit's class ids and the backup values under "Child APOs".
#pragma once

#include <cstddef>

namespace oro::common::apo {

// Endpoint trees. The previous-OS tree holds endpoints carried over from an
// earlier installation of the system.
inline constexpr const wchar_t* kMainTree =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio";
inline constexpr const wchar_t* kPreviousOsTree =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\PreviousOs";
inline constexpr const wchar_t* kRenderPart = L"\\Render\\";
inline constexpr const wchar_t* kCapturePart = L"\\Capture\\";
inline constexpr const wchar_t* kPropertiesPart = L"\\Properties";
inline constexpr const wchar_t* kFxPropertiesPart = L"\\FxProperties";
inline constexpr const wchar_t* kDeviceState = L"DeviceState";
inline constexpr unsigned kStateNotPresent = 0x4;

// The kit's key and the per-endpoint backups of what the slots held before.
inline constexpr const wchar_t* kKitKey = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit";
inline constexpr const wchar_t* kBackupRoot = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit\\Child APOs";
inline constexpr const wchar_t* kEnableAllDev = L"EnableAllDev";

// Values of the "Properties" key.
inline constexpr const wchar_t* kPkeyEndpointName = L"{a45c254e-df1c-4efd-8020-67d146a850e0},2";
inline constexpr const wchar_t* kPkeyAdapterName = L"{b3f8fa53-0004-438e-9003-51a46e139bfc},26";
inline constexpr const wchar_t* kPkeyAdapterNameOld = L"{b3f8fa53-0004-438e-9003-51a46e139bfc},6";
inline constexpr const wchar_t* kPkeyDevicePath = L"{b3f8fa53-0004-438e-9003-51a46e139bfc},39";
inline constexpr const wchar_t* kPkeyDevicePathOld = L"{b3f8fa53-0004-438e-9003-51a46e139bfc},2";
inline constexpr const wchar_t* kPkeyDeviceFormat = L"{f19f064d-082c-4e27-bc73-6882a1bb8e4c},0";
inline constexpr const wchar_t* kPkeyPhysicalSpeakers = L"{1da5d803-d492-4edd-8c23-e0c0ffee7f0e},3";
inline constexpr const wchar_t* kPkeyLayoutOne = L"{b3f8fa53-0004-438e-9003-51a46e139bfc},41";
inline constexpr const wchar_t* kPkeyCaptureInterface = L"{9c119480-ddc2-4954-a150-5bd240d454ad},1";

// The five effect slots, in slot order: pre-mix, post-mix, stream, mode, endpoint.
inline constexpr std::size_t kSlotCount = 5;
inline constexpr const wchar_t* kSlotNames[kSlotCount] = {
    L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},1", L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},2",
    L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},5", L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},6",
    L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},7"};
enum Slot : std::size_t { kPreMix = 0, kPostMix = 1, kStream = 2, kMode = 3, kEndpoint = 4 };
// Only tested for presence when the layout is chosen.
inline constexpr const wchar_t* kSlotNames13to15[3] = {L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},13",
                                                       L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},14",
                                                       L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},15"};
inline constexpr const wchar_t* kStreamModes = L"{d3993a3f-99c2-4402-b5ec-a92a0367664b},5";
inline constexpr const wchar_t* kEndpointModes = L"{d3993a3f-99c2-4402-b5ec-a92a0367664b},7";
inline constexpr const wchar_t* kSysFxDisabled = L"{1da5d803-d492-4edd-8c23-e0c0ffee7f0e},5";
inline constexpr const wchar_t* kDisplayName = L"{b725f130-47ef-101a-a5f1-02608c9eebac},10";
inline constexpr const wchar_t* kDisplayNameText = L"OroSound Kit";

// The kit's effect classes and the system's default processing mode.
inline constexpr const wchar_t* kStreamEffectClass = L"{7E473820-7159-4426-A7D7-123DD7EB697D}";
inline constexpr const wchar_t* kEndpointEffectClass = L"{D2C675CA-6F7D-446C-BE57-296224C134A6}";
inline constexpr const wchar_t* kDefaultModeClass = L"{C18E2F7E-933D-4965-B7D1-1EEF228D2AF3}";

// Backup markers and values.
inline constexpr const wchar_t* kNoKey = L"!KEY";
inline constexpr const wchar_t* kNoValue = L"!VALUE";
inline constexpr const wchar_t* kPreMixChild = L"PreMixChild";
inline constexpr const wchar_t* kPostMixChild = L"PostMixChild";
inline constexpr const wchar_t* kAllowSilent = L"AllowSilentBufferModification";
inline constexpr const wchar_t* kVersion = L"Version";
inline constexpr const wchar_t* kCurrentVersion = L"2";
inline constexpr const wchar_t* kUnsupportedVersion = L"Unsupported version of APO installation detected!";

// The capture interface path written on capture endpoints; %s is the endpoint id.
inline constexpr const wchar_t* kCaptureInterfaceFormat =
    L"\\\\?\\SWD#MMDEVAPI#{0.0.1.00000000}.%ls#{2eef81be-33fa-4800-9670-1cd474972c3f}";

// The processing object's file, beside the program that installs it.
inline constexpr const wchar_t* kApoModuleFile = L"OroSoundAPO.so";

// The audio service restarted after endpoints changed.
inline constexpr const wchar_t* kAudioService = L"AudioSrv";

}  // namespace oro::common::apo
