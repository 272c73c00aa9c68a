// The installation routines over sets of endpoints.
#include "oro/common/apo_installer.h"

#include <memory>

#include "apo_install_lock.h"
#include "oro/common/error_text.h"

namespace oro::common {
namespace {

// What a run over endpoints did. Counted apart so one endpoint that fails
// never hides the ones that changed (they still need the restart).
struct Tally {
  int changed = 0;
  int failed = 0;
};

void Log(ApoEnvironment& env, const std::wstring& line) {
  if (env.log) env.log(L"[quenta]" + line);
}

DeviceAPOInfo MakeInfo(ApoEnvironment& env) { return DeviceAPOInfo(*env.reg, env.files, env.bluetooth); }

std::wstring FlowTree(ApoFlow flow) {
  std::wstring tree = std::wstring(apo::kMainTree) + (flow == ApoFlow::kRender ? apo::kRenderPart : apo::kCapturePart);
  tree.pop_back();
  return tree;
}

// Installs or removes on one loaded endpoint; true when it changed.
bool Apply(ApoEnvironment& env, DeviceAPOInfo& info, bool install) {
  bool changed = false;
  if (install && !info.IsInstalled()) {
    info.Install();
    changed = true;
  } else if (!install && info.IsInstalled()) {
    info.Uninstall();
    changed = true;
  }
  if (install) EnableSystemEffects(*env.reg, info.GetEndpointId());
  return changed;
}

// Puts the processing in or takes it out where the audio system runs it;
// false when that failed. An endpoint the audio system does not have now
// (not present) or cannot process (a microphone) keeps its slots only.
bool ApplyLive(ApoEnvironment& env, DeviceAPOInfo& info, bool install) {
  if (!env.live_audio) return true;
  const std::wstring id =
      EndpointIdOfKey(info.IsCapture() ? ApoFlow::kCapture : ApoFlow::kRender, info.GetEndpointId());
  const platform::ErrorCode rc = install ? env.live_audio->InstallProcessing(id) : env.live_audio->RemoveProcessing(id);
  if (rc == platform::err::kSuccess || rc == platform::err::kNotSupported || rc == platform::err::kNotFound) {
    return true;
  }
  Log(env, L"processing on " + id + L": " + ErrorText(rc));
  return false;
}

// Loads and installs or removes one endpoint of the main tree; failures are
// logged and counted, never thrown, so the other endpoints still get done.
void ApplyToEndpoint(ApoEnvironment& env, const std::wstring& id, bool install, Tally* tally) {
  try {
    DeviceAPOInfo info = MakeInfo(env);
    if (id.empty() || !info.LoadEndpoint(id)) {
      ++tally->failed;
      Log(env, L"endpoint not found: " + id);
      return;
    }
    if (Apply(env, info, install)) ++tally->changed;
    if (!ApplyLive(env, info, install)) ++tally->failed;
  } catch (const RegistryException& e) {
    ++tally->failed;
    Log(env, L"endpoint " + id + L": " + e.Message());
  }
}

Tally DeviceEndpoints(ApoEnvironment& env, ApoFlow flow, bool install, std::uint32_t vendor, std::uint32_t product) {
  Tally tally;
  std::vector<std::pair<bool, std::wstring>> endpoints;
  try {
    endpoints = FindDeviceEndpoints(*env.reg, vendor, product, flow);
  } catch (const RegistryException& e) {
    ++tally.failed;
    Log(env, e.Message());
    return tally;
  }
  for (const auto& endpoint : endpoints) ApplyToEndpoint(env, endpoint.second, install, &tally);
  return tally;
}

int Summary(const Tally& t) { return t.failed > 0 ? -t.failed : t.changed; }

int BluetoothEndpoint(ApoEnvironment& env, ApoFlow flow, bool install) {
  const std::vector<std::wstring> known = env.bluetooth ? env.bluetooth() : std::vector<std::wstring>();
  for (bool previous_os : {false, true}) {
    std::wstring tree = std::wstring(previous_os ? apo::kPreviousOsTree : apo::kMainTree) +
                        (flow == ApoFlow::kRender ? apo::kRenderPart : apo::kCapturePart);
    tree.pop_back();
    if (!env.reg->KeyExists(tree)) continue;
    for (const auto& id : env.reg->EnumerateSubKeys(tree)) {
      const std::wstring props = tree + L"\\" + id + apo::kPropertiesPart;
      if (!env.reg->KeyExists(props) || !env.reg->ValueExists(props, apo::kPkeyAdapterName) ||
          !env.reg->ValueExists(props, apo::kPkeyDevicePathOld)) {
        continue;
      }
      const std::wstring name = env.reg->ReadString(props, apo::kPkeyAdapterName);
      const std::wstring path = env.reg->ReadString(props, apo::kPkeyDevicePathOld);
      if (!MatchesBluetoothDevice(path, name, known)) continue;
      DeviceAPOInfo info = MakeInfo(env);
      info.SetPreviousOs(previous_os);
      if (!info.LoadEndpoint(id)) return -2;
      if (install) {
        const int result = info.IsInstalled() ? 0 : (info.Install(), 1);
        EnableSystemEffects(*env.reg, id);
        return result;
      }
      if (!info.IsInstalled()) return 0;
      info.Uninstall();
      return 1;
    }
  }
  return -1;
}

Tally AllEndpoints(ApoEnvironment& env, bool install) {
  Tally tally;
  for (ApoFlow flow : {ApoFlow::kRender, ApoFlow::kCapture}) {
    std::vector<std::wstring> ids;
    try {
      if (env.reg->KeyExists(FlowTree(flow))) ids = env.reg->EnumerateSubKeys(FlowTree(flow));
    } catch (const RegistryException& e) {
      ++tally.failed;
      Log(env, e.Message());
    }
    for (const auto& id : ids) ApplyToEndpoint(env, id, install, &tally);
  }
  return tally;
}

// Restarts the audio service; on failure tells the user and gives kRestartFailed.
int RestartAudioService(ApoEnvironment& env, int result) {
  if (!env.restart_audio_service) return result;
  const std::optional<std::wstring> failure = env.restart_audio_service();
  if (!failure) return result;
  Log(env, *failure);
  if (env.show_error) env.show_error(*failure, env.program_path);
  return kRestartFailed;
}

bool EnableAllDevices(ApoEnvironment& env) {
  try {
    const platform::RegValue value = env.reg->ReadValue(apo::kKitKey, apo::kEnableAllDev);
    if (value.type != platform::regtype::kSz) return false;
    return env.reg->ReadString(apo::kKitKey, apo::kEnableAllDev) == L"true";
  } catch (const RegistryException&) {
    return false;  // absent or unreadable: the supported devices only
  }
}

template <typename Work>
auto Locked(ApoEnvironment& env, Work&& work) {
  std::unique_ptr<platform::NamedMutex> lock = detail::HoldInstallLock(env.objects, env.lock_timeout_ms);
  if (env.live_audio) {
    const platform::ErrorCode rc = MirrorAudioEndpoints(*env.live_audio, *env.reg);
    if (rc) Log(env, L"the audio endpoints could not be listed: " + ErrorText(rc));
  }
  return work();
}

}  // namespace

int InstallOnDeviceEndpoints(ApoEnvironment& env, ApoFlow flow, bool install, std::uint32_t vendor,
                             std::uint32_t product) {
  try {
    return Summary(Locked(env, [&] { return DeviceEndpoints(env, flow, install, vendor, product); }));
  } catch (const RegistryException& e) {
    Log(env, e.Message());
    return -1;
  }
}

int InstallOnBluetoothEndpoint(ApoEnvironment& env, ApoFlow flow, bool install) {
  try {
    return Locked(env, [&] { return BluetoothEndpoint(env, flow, install); });
  } catch (const RegistryException& e) {
    Log(env, e.Message());
    return -2;
  }
}

int InstallOnAllEndpoints(ApoEnvironment& env, bool install) {
  Tally tally;
  try {
    tally = Locked(env, [&] { return AllEndpoints(env, install); });
  } catch (const RegistryException& e) {
    Log(env, e.Message());
    return -1;
  }
  return tally.changed > 0 ? RestartAudioService(env, tally.changed) : tally.changed;
}

int InstallOnSupportedDevices(ApoEnvironment& env, ApoFlow first_flow, bool install, bool both_flows,
                              bool honour_enable_all) {
  if (honour_enable_all && EnableAllDevices(env)) return InstallOnAllEndpoints(env, install);
  const ApoFlow other = first_flow == ApoFlow::kRender ? ApoFlow::kCapture : ApoFlow::kRender;
  int changed = 0;
  try {
    changed = Locked(env, [&] {
      int sum = 0;
      for (const auto& entry : env.supported) {
        if (entry.vendor & 0xFF000000u) {
          try {
            const int r = BluetoothEndpoint(env, first_flow, install);
            if (r > 0) sum += r;
          } catch (const RegistryException& e) {
            Log(env, e.Message());
          }
          continue;
        }
        if (install && !(entry.connected && entry.connected())) continue;
        sum += DeviceEndpoints(env, first_flow, install, entry.vendor, entry.product).changed;
        if (both_flows) sum += DeviceEndpoints(env, other, install, entry.vendor, entry.product).changed;
      }
      return sum;
    });
  } catch (const RegistryException& e) {
    Log(env, e.Message());
    return -1;
  }
  if (changed <= 0) return changed;

  const std::wstring module = ApoModulePath(env.program_path);
  if (install && env.register_dll) env.register_dll(module, true);
  const int result = RestartAudioService(env, changed);
  if (!install && env.register_dll) env.register_dll(module, false);
  return result;
}

}  // namespace oro::common
