// Install, removal and reinstall of the kit's effect classes on one endpoint.
#include <cwchar>
#include <vector>

#include "oro/common/device_apo_info.h"
#include "oro/platform/text.h"

namespace oro::common {
namespace {

bool IsMarker(const std::wstring& v) { return v == apo::kNoKey || v == apo::kNoValue; }

// The nine characters a file name cannot hold become "_".
std::wstring FileSafe(const std::wstring& text) {
  std::wstring out = text;
  for (auto& c : out) {
    if (std::wcschr(L"<>:\"/\\|?*", c) && c != L'\0') c = L'_';
  }
  return out;
}

}  // namespace

std::wstring DeviceAPOInfo::BackupFileName() const {
  return L"backup_" + FileSafe(adapter_name_) + L"_" + FileSafe(endpoint_name_) + L".reg";
}

bool DeviceAPOInfo::MatchesDevice(std::uint32_t vendor, std::uint32_t product, std::uint32_t) const {
  if ((vendor & 0xFF000000u) == 0) {
    wchar_t pattern[32];
    std::swprintf(pattern, sizeof pattern / sizeof pattern[0], L"VID_%.4X&PID_%.4X", vendor, product);
    return device_path_.find(pattern) != std::wstring::npos;
  }
  return MatchesBluetoothDevice(device_path_, adapter_name_, bluetooth_ ? bluetooth_() : std::vector<std::wstring>());
}

bool MatchesBluetoothDevice(const std::wstring& device_path, const std::wstring& adapter_name,
                            const std::vector<std::wstring>& known) {
  if (device_path.find(L"BTHHFENUM\\") == std::wstring::npos && device_path.find(L"BTHENUM\\") == std::wstring::npos) {
    return false;
  }
  std::wstring name = adapter_name;
  const auto cut = name.find(L" Hands-Free");
  if (cut != std::wstring::npos) name.erase(cut);
  for (const auto& k : known) {
    if (k == name) return true;
  }
  return false;
}

std::wstring DeviceAPOInfo::ChildFor(bool pre_mix) const {
  const auto& s = slots_;
  auto both_missing = [&](std::size_t a, std::size_t b) { return s[a] == apo::kNoValue && s[b] == apo::kNoValue; };
  std::wstring child;
  switch (applied_.layout) {
    case 0:
      if (reg_.IsWindows81OrLater() && both_missing(apo::kPreMix, apo::kPostMix)) {
        child = pre_mix ? s[apo::kStream] : s[apo::kMode];
      } else {
        child = pre_mix ? s[apo::kPreMix] : s[apo::kPostMix];
      }
      break;
    case 1:
      if (both_missing(apo::kStream, apo::kMode)) {
        child = pre_mix ? s[apo::kPreMix] : s[apo::kPostMix];
      } else {
        child = pre_mix ? s[apo::kStream] : s[apo::kMode];
      }
      break;
    default:
      if (both_missing(apo::kStream, apo::kEndpoint)) {
        child = pre_mix ? s[apo::kPreMix] : s[apo::kPostMix];
      } else {
        child = pre_mix ? s[apo::kStream] : s[apo::kEndpoint];
      }
      break;
  }
  return IsMarker(child) ? std::wstring() : child;
}

void DeviceAPOInfo::BackUpSlots() {
  const std::wstring fx = EffectKey();
  const std::wstring backup = BackupKey();
  std::vector<std::wstring> present;
  for (std::size_t i = 0; i < apo::kSlotCount; ++i) {
    const bool exists = reg_.ValueExists(fx, apo::kSlotNames[i]);
    reg_.WriteString(backup, apo::kSlotNames[i], exists ? reg_.ReadString(fx, apo::kSlotNames[i]) : apo::kNoValue);
    if (exists) present.push_back(apo::kSlotNames[i]);
  }
  if (present.empty() || files_.folder.empty()) return;
  const std::wstring path = files_.folder + L"/" + BackupFileName();
  try {
    reg_.ExportToRegFile(fx, present, path);
  } catch (const RegistryException& e) {
    if (files_.warn) files_.warn(L"The backup file of endpoint " + endpoint_id_ + L" was not written: " + e.Message());
  }
}

void DeviceAPOInfo::WriteKitSlots() {
  const std::wstring fx = EffectKey();
  for (std::size_t i : {apo::kPreMix, apo::kPostMix}) {
    if (reg_.ValueExists(fx, apo::kSlotNames[i])) reg_.DeleteValue(fx, apo::kSlotNames[i]);
  }
  reg_.WriteString(fx, apo::kSlotNames[apo::kStream], apo::kStreamEffectClass);
  if (!reg_.ValueExists(fx, apo::kStreamModes))
    reg_.WriteMultiStringList(fx, apo::kStreamModes, {apo::kDefaultModeClass});
  if (!capture_) {
    reg_.WriteString(fx, apo::kSlotNames[apo::kEndpoint], apo::kEndpointEffectClass);
    if (!reg_.ValueExists(fx, apo::kEndpointModes)) {
      reg_.WriteMultiStringList(fx, apo::kEndpointModes, {apo::kDefaultModeClass});
    }
  } else {
    reg_.WriteString(fx, apo::kSlotNames[apo::kEndpoint], apo::kDefaultModeClass);
    const std::wstring props = PropertyKey();
    if (reg_.KeyExists(props) && !reg_.ValueExists(props, apo::kPkeyCaptureInterface)) {
      wchar_t path[256];
      std::swprintf(path, sizeof path / sizeof path[0], apo::kCaptureInterfaceFormat, endpoint_id_.c_str());
      reg_.WriteString(props, apo::kPkeyCaptureInterface, path);
    }
  }
  if (reg_.ValueExists(fx, apo::kSysFxDisabled)) reg_.DeleteValue(fx, apo::kSysFxDisabled);
}

// The system owns the endpoint keys. Administrators get full control of the
// endpoint key and of the keys the kit changes below it (an existing key does
// not take up what its parent newly grants); a key whose access list the
// kit may not change is taken over first.
void DeviceAPOInfo::TakeOverEndpointKeys() {
  std::vector<std::wstring> keys = {EndpointKey(), EffectKey()};
  if (capture_) keys.push_back(PropertyKey());
  for (const auto& key : keys) {
    if (!reg_.KeyExists(key)) continue;
    try {
      reg_.EnsureWritable(key);
    } catch (const RegistryException&) {
      reg_.TakeOwnership(key);
      reg_.EnsureWritable(key);
    }
  }
}

void DeviceAPOInfo::Install() {
  applied_ = desired_;
  if (!applied_.use_pre_mix && !applied_.use_post_mix) return;
  const std::wstring fx = EffectKey();
  const std::wstring backup = BackupKey();
  reg_.CreateKey(apo::kBackupRoot);
  reg_.CreateKey(backup);
  TakeOverEndpointKeys();
  if (!reg_.KeyExists(fx)) {
    reg_.CreateKey(fx);
    reg_.WriteString(fx, apo::kDisplayName, apo::kDisplayNameText);
    for (const wchar_t* name : apo::kSlotNames) reg_.WriteString(backup, name, apo::kNoKey);
  } else {
    BackUpSlots();
  }
  pre_mix_child_ = applied_.keep_pre_mix_child ? ChildFor(true) : std::wstring();
  post_mix_child_ = applied_.keep_post_mix_child ? ChildFor(false) : std::wstring();
  reg_.WriteString(backup, apo::kPreMixChild, pre_mix_child_);
  reg_.WriteString(backup, apo::kPostMixChild, post_mix_child_);
  reg_.WriteString(backup, apo::kAllowSilent, applied_.allow_silent_buffer_modification ? L"true" : L"false");
  reg_.WriteString(backup, apo::kVersion, apo::kCurrentVersion);
  WriteKitSlots();
}

void DeviceAPOInfo::Uninstall() {
  const std::wstring fx = EffectKey();
  if (reg_.KeyExists(fx)) TakeOverEndpointKeys();
  if (slots_[apo::kPreMix] != apo::kNoKey) {
    if (reg_.KeyExists(fx)) {
      for (std::size_t i = 0; i < apo::kSlotCount; ++i) {
        const wchar_t* name = apo::kSlotNames[i];
        const std::wstring& before = slots_[i];
        // A slot must never keep one of the kit's classes after removal, even
        // when its backup is missing or empty or itself names the kit.
        if (before != apo::kNoValue && !before.empty() && !IsKitClassId(before)) {
          reg_.WriteString(fx, name, before);
        } else if (before == apo::kNoValue || IsKitClassId(before) ||
                   (reg_.ValueExists(fx, name) && IsKitClassId(reg_.ReadString(fx, name)))) {
          if (reg_.ValueExists(fx, name)) reg_.DeleteValue(fx, name);
        }
      }
    }
  } else if (reg_.KeyExists(fx)) {
    reg_.DeleteKey(fx);
  }
  if (reg_.KeyExists(apo::kBackupRoot)) {
    if (reg_.ValueExists(apo::kBackupRoot, endpoint_id_)) reg_.DeleteValue(apo::kBackupRoot, endpoint_id_);
    if (reg_.KeyExists(BackupKey())) reg_.DeleteKey(BackupKey());
    if (reg_.IsKeyEmpty(apo::kBackupRoot)) reg_.DeleteKey(apo::kBackupRoot);
  }
}

void DeviceAPOInfo::Reinstall() {
  Uninstall();
  const std::wstring id = endpoint_id_;
  previous_os_ = false;
  if (!LoadEndpoint(id)) return;
  const std::wstring key = EndpointKey();
  if (reg_.ValueExists(key, apo::kDeviceState) && (reg_.ReadDword(key, apo::kDeviceState) & apo::kStateNotPresent)) {
    return;
  }
  Install();
}

}  // namespace oro::common
