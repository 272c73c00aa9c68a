// Loading an endpoint's description and the state of its effect slots.
#include <cstring>

#include "oro/common/device_apo_info.h"
#include "oro/platform/little_endian.h"
#include "oro/platform/text.h"

namespace oro::common {
namespace {

std::uint32_t U16At(const std::vector<std::uint8_t>& b, std::size_t at) {
  return platform::LoadLe<std::uint16_t>(b.data() + at);
}

std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t at) {
  return platform::LoadLe<std::uint32_t>(b.data() + at);
}

constexpr std::uint32_t kExtensibleTag = 0xFFFE;
constexpr std::size_t kMaskOffset = 28;

}  // namespace

bool ApoConfiguration::operator==(const ApoConfiguration& o) const {
  return use_pre_mix == o.use_pre_mix && use_post_mix == o.use_post_mix && keep_pre_mix_child == o.keep_pre_mix_child &&
         keep_post_mix_child == o.keep_post_mix_child && layout == o.layout &&
         allow_silent_buffer_modification == o.allow_silent_buffer_modification;
}

bool IsKitClassId(const std::wstring& value) {
  const std::wstring upper = platform::FoldCase(value);
  return upper == apo::kStreamEffectClass || upper == apo::kEndpointEffectClass;
}

DeviceAPOInfo::DeviceAPOInfo(RegistryAccess& reg, ApoBackupFiles files, BluetoothNames bluetooth)
    : reg_(reg), files_(std::move(files)), bluetooth_(std::move(bluetooth)) {}

std::wstring DeviceAPOInfo::EndpointKey() const {
  return std::wstring(previous_os_ ? apo::kPreviousOsTree : apo::kMainTree) +
         (capture_ ? apo::kCapturePart : apo::kRenderPart) + endpoint_id_;
}

std::wstring DeviceAPOInfo::GetDescription() const {
  return endpoint_name_ + L" " + adapter_name_ + L" " + endpoint_id_;
}

void DeviceAPOInfo::Reset() {
  const bool previous_os = previous_os_;
  adapter_name_.clear();
  endpoint_name_.clear();
  device_path_.clear();
  channel_count_ = sample_rate_ = channel_mask_ = 0;
  reserved_ = false;
  sys_fx_disabled_ = false;
  kit_slots_ = {};
  previous_os_ = previous_os;
}

bool DeviceAPOInfo::LoadEndpoint(const std::wstring& id) {
  Reset();
  const std::wstring tree = previous_os_ ? apo::kPreviousOsTree : apo::kMainTree;
  // An id is one key name: anything that would reach another key is no endpoint.
  if (id.empty() || id.find(L'\\') != std::wstring::npos) return false;
  if (reg_.KeyExists(tree + apo::kRenderPart + id)) {
    capture_ = false;
  } else if (reg_.KeyExists(tree + apo::kCapturePart + id)) {
    capture_ = true;
  } else {
    return false;
  }
  endpoint_id_ = id;

  ReadDescription();
  ReadFormat();

  const std::wstring fx = EffectKey();
  const bool has_fx = reg_.KeyExists(fx);
  if (has_fx && reg_.ValueExists(fx, apo::kSysFxDisabled)) {
    sys_fx_disabled_ = reg_.ReadDword(fx, apo::kSysFxDisabled) != 0;
  }

  installed_ = false;
  installed_version_ = L"0";
  pre_mix_child_.clear();
  post_mix_child_.clear();
  desired_ = ApoConfiguration{};
  desired_.use_pre_mix = true;
  desired_.use_post_mix = !capture_;
  desired_.keep_pre_mix_child = true;
  desired_.keep_post_mix_child = !capture_;
  applied_ = ApoConfiguration{};

  if (!has_fx) {
    slots_.fill(apo::kNoKey);
    return true;
  }
  bool any_kit = false;
  for (std::size_t i = 0; i < apo::kSlotCount; ++i) {
    slots_[i] = reg_.ValueExists(fx, apo::kSlotNames[i]) ? reg_.ReadString(fx, apo::kSlotNames[i]) : apo::kNoValue;
    kit_slots_[i] = IsKitClassId(slots_[i]);
    any_kit = any_kit || kit_slots_[i];
  }
  if (!any_kit) {
    ChooseLayout();
    return true;
  }
  installed_ = true;
  ReadBackup();
  return true;
}

void DeviceAPOInfo::ReadDescription() {
  const std::wstring props = PropertyKey();
  if (!reg_.KeyExists(props)) return;
  auto first = [&](const wchar_t* a, const wchar_t* b) -> std::wstring {
    if (reg_.ValueExists(props, a)) return reg_.ReadString(props, a);
    if (b && reg_.ValueExists(props, b)) return reg_.ReadString(props, b);
    return {};
  };
  endpoint_name_ = first(apo::kPkeyEndpointName, nullptr);
  adapter_name_ = first(apo::kPkeyAdapterName, apo::kPkeyAdapterNameOld);
  device_path_ = first(apo::kPkeyDevicePath, apo::kPkeyDevicePathOld);
}

void DeviceAPOInfo::ReadFormat() {
  const std::wstring props = PropertyKey();
  if (!reg_.KeyExists(props)) return;
  if (reg_.ValueExists(props, apo::kPkeyDeviceFormat)) {
    const std::vector<std::uint8_t> f = reg_.ReadBinary(props, apo::kPkeyDeviceFormat);
    if (f.size() > 25) {
      channel_count_ = U16At(f, 10);
      sample_rate_ = U32At(f, 12);
      // A blob cut short after the common header holds no mask: reading it
      // anyway would run past the stored bytes.
      if (U16At(f, 8) == kExtensibleTag && f.size() >= kMaskOffset + 4) channel_mask_ = U32At(f, kMaskOffset);
    }
  }
  if (channel_mask_ == 0 && reg_.ValueExists(props, apo::kPkeyPhysicalSpeakers)) {
    channel_mask_ = reg_.ReadDword(props, apo::kPkeyPhysicalSpeakers);
  }
}

void DeviceAPOInfo::ChooseLayout() {
  if (!reg_.IsWindows81OrLater()) return;
  const std::wstring fx = EffectKey();
  const bool pre_or_post =
      reg_.ValueExists(fx, apo::kSlotNames[apo::kPreMix]) || reg_.ValueExists(fx, apo::kSlotNames[apo::kPostMix]);
  bool newer = false;
  for (std::size_t i : {apo::kStream, apo::kMode, apo::kEndpoint})
    newer = newer || reg_.ValueExists(fx, apo::kSlotNames[i]);
  for (const wchar_t* name : apo::kSlotNames13to15) newer = newer || reg_.ValueExists(fx, name);
  if (pre_or_post && !newer) {
    desired_.layout = 0;
    return;
  }
  const std::wstring props = PropertyKey();
  desired_.layout = reg_.KeyExists(props) && reg_.ValueExists(props, apo::kPkeyLayoutOne) ? 1 : 2;
}

void DeviceAPOInfo::ReadBackup() {
  const std::wstring backup = BackupKey();
  if (!reg_.KeyExists(backup)) return;
  installed_version_ = reg_.ValueExists(backup, apo::kVersion) ? reg_.ReadString(backup, apo::kVersion) : L"1";
  if (installed_version_ != L"1" && installed_version_ != apo::kCurrentVersion) {
    throw RegistryException(apo::kUnsupportedVersion);
  }
  for (std::size_t i = 0; i < apo::kSlotCount; ++i) {
    if (reg_.ValueExists(backup, apo::kSlotNames[i])) slots_[i] = reg_.ReadString(backup, apo::kSlotNames[i]);
  }
  auto backed_up = [&](std::size_t slot) -> std::wstring {
    return reg_.ValueExists(backup, apo::kSlotNames[slot]) ? reg_.ReadString(backup, apo::kSlotNames[slot])
                                                           : std::wstring();
  };
  if (installed_version_ == L"1") {
    if (reg_.ValueExists(backup, apo::kSlotNames[apo::kPreMix])) {
      pre_mix_child_ = backed_up(apo::kPreMix);
      post_mix_child_ = backed_up(apo::kPostMix);
    } else {
      pre_mix_child_ = backed_up(apo::kStream);
      post_mix_child_ = backed_up(apo::kMode);
    }
    return;
  }
  if (reg_.ValueExists(backup, apo::kPreMixChild)) pre_mix_child_ = reg_.ReadString(backup, apo::kPreMixChild);
  if (reg_.ValueExists(backup, apo::kPostMixChild)) post_mix_child_ = reg_.ReadString(backup, apo::kPostMixChild);
  const auto& k = kit_slots_;
  applied_.use_pre_mix = k[apo::kPreMix] || k[apo::kStream];
  applied_.use_post_mix = k[apo::kPostMix] || k[apo::kMode] || k[apo::kEndpoint];
  applied_.keep_pre_mix_child = !pre_mix_child_.empty();
  applied_.keep_post_mix_child = !post_mix_child_.empty();
  if (k[apo::kPreMix] || k[apo::kPostMix]) {
    applied_.layout = 0;
  } else if (k[apo::kEndpoint]) {
    applied_.layout = 2;
  } else {
    applied_.layout = 1;
  }
  if (reg_.ValueExists(backup, apo::kAllowSilent)) {
    applied_.allow_silent_buffer_modification = reg_.ReadString(backup, apo::kAllowSilent) != L"false";
  }
}

bool DeviceAPOInfo::NeedsUpgrade() const { return installed_ && installed_version_ != apo::kCurrentVersion; }

bool DeviceAPOInfo::IsConfigurationChanged() const { return installed_ && applied_ != desired_; }

bool DeviceAPOInfo::HadNoFxProperties() const { return !installed_ && slots_[apo::kPreMix] == apo::kNoKey; }

}  // namespace oro::common
