// Placing the kit's effect classes on audio endpoints and taking them away:
// on the endpoints of one USB device, of a Bluetooth headset, of every
// supported device, or of every endpoint; then the audio service restart so
// the engine picks the change up.
//
// Results are signed counts: the number of endpoints changed, or minus the
// number that failed where a routine says so; kRestartFailed when the audio
// service could not be restarted.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "oro/common/device_apo_info.h"
#include "oro/common/registry_access.h"
#include "oro/platform/audio_system.h"
#include "oro/platform/module_loader.h"
#include "oro/platform/named_objects.h"

namespace oro::common {

inline constexpr int kRestartFailed = -5;
enum class ApoFlow : int { kRender = 0, kCapture = 1 };

// One entry of the supported-device list as the installation walks it.
struct ApoSupportedEntry {
  std::uint32_t vendor = 0;  // a top byte set marks a Bluetooth headset
  std::uint32_t product = 0;
  // True when an interface matching the entry's identity is connected.
  std::function<bool()> connected;
};

// Everything an installation needs besides the registry. Every member but
// `reg` may be left empty: the step it serves is then skipped.
struct ApoEnvironment {
  RegistryAccess* reg = nullptr;
  ApoBackupFiles files;
  BluetoothNames bluetooth;
  std::vector<ApoSupportedEntry> supported;
  // The host program's executable; its folder holds the processing object and
  // the path is the caption of the error message.
  std::wstring program_path;
  // Registers (true) or unregisters the processing object at `path`.
  std::function<bool(const std::wstring& path, bool do_register)> register_dll;
  // Restarts the audio service with its dependents; the failure's message,
  // or nothing when it restarted.
  std::function<std::optional<std::wstring>()> restart_audio_service;
  // An error message for the user. Must not block a process without a user.
  std::function<void(const std::wstring& text, const std::wstring& caption)> show_error;
  // One diagnostic line.
  std::function<void(const std::wstring&)> log;
  // Where the audio system runs the processing itself (the sound server of a
  // desktop): its endpoints are copied into the tree before each run, every
  // endpoint a run installs on or removes from gets the processing put in or
  // taken out there too, and the audio service is not restarted (that would
  // drop what was just put in). Null: the slots in the tree are all there is.
  platform::AudioSystem* live_audio = nullptr;
  // Serialises installations across processes; null: no serialisation.
  platform::NamedObjects* objects = nullptr;
  // How long to wait for another process's installation to end.
  std::uint32_t lock_timeout_ms = 60000;
};

// Copies the audio system's endpoints into the main endpoint tree (state,
// names, adapter, device path); endpoints of the tree it no longer has are
// marked not present, keeping their slots. Writes only what differs. The
// audio system's error when it cannot list its endpoints (nothing is written
// then); store failures throw RegistryException.
platform::ErrorCode MirrorAudioEndpoints(platform::AudioSystem& audio, RegistryAccess& reg);
// The key name of an endpoint id ("{guid}" of "{0.0.0.00000000}.{guid}"), or
// empty when the id is not one; and back.
std::wstring EndpointKeyName(const std::wstring& endpoint_id);
std::wstring EndpointIdOfKey(ApoFlow flow, const std::wstring& key_name);

// (previous-OS flag, endpoint id) pairs of the endpoints of a USB device.
std::vector<std::pair<bool, std::wstring>> FindDeviceEndpoints(RegistryAccess& reg, std::uint32_t vendor,
                                                               std::uint32_t product, ApoFlow flow);
// The endpoint key in the main tree (render tried first), or empty.
std::wstring EndpointKeyPath(RegistryAccess& reg, const std::wstring& id);
// Clears the system-effects-disabled flag of the endpoint (writes 0).
void EnableSystemEffects(RegistryAccess& reg, const std::wstring& id);

int InstallOnDeviceEndpoints(ApoEnvironment& env, ApoFlow flow, bool install, std::uint32_t vendor,
                             std::uint32_t product);
// -1 no such endpoint, -2 not loadable, else the number changed (0 or 1).
int InstallOnBluetoothEndpoint(ApoEnvironment& env, ApoFlow flow, bool install);
int InstallOnAllEndpoints(ApoEnvironment& env, bool install);
int InstallOnSupportedDevices(ApoEnvironment& env, ApoFlow first_flow, bool install, bool both_flows,
                              bool honour_enable_all);

// Loads the processing object and calls its DllRegisterServer (true) or
// DllUnregisterServer; true when the entry point ran and reported success.
// A file that fails the loader's checks is never run.
bool RegisterApoDll(platform::ModuleLoader& modules, const std::wstring& path, bool do_register);

// The processing object's file for a program: beside it (the program's
// folder as InstallFolder gives it), or in the installed plugin folder for an
// installed program (oro/platform/install_layout.h).
std::wstring ApoModulePath(const std::wstring& program_path);
// The folder of a program path, cut before its last separator; a path of 3
// characters or fewer, or one without a separator, gives an empty folder.
std::wstring InstallFolder(const std::wstring& program_path);

}  // namespace oro::common
