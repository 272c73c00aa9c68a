#include "panel_settings.h"

namespace oro::panel {

PanelSettings::PanelSettings(platform::RegistryStore& store, platform::SystemInfo* system)
    : reg_(store), system_(system) {}

std::optional<std::uint32_t> PanelSettings::Dword(const wchar_t* name) {
  try {
    if (!reg_.ValueExists(kKitKey, name)) return std::nullopt;
    return reg_.ReadDword(kKitKey, name);
  } catch (const common::RegistryException&) {
    return std::nullopt;
  }
}

std::optional<std::wstring> PanelSettings::String(const wchar_t* name) {
  try {
    if (!reg_.ValueExists(kKitKey, name)) return std::nullopt;
    return reg_.ReadString(kKitKey, name);
  } catch (const common::RegistryException&) {
    return std::nullopt;
  }
}

bool PanelSettings::WriteDword(const wchar_t* name, std::uint32_t value) {
  try {
    if (!reg_.KeyExists(kKitKey)) reg_.CreateKey(kKitKey);
    reg_.WriteDword(kKitKey, name, value);
    return true;
  } catch (const common::RegistryException&) {
    return false;
  }
}

std::uint32_t PanelSettings::exitCmd() { return Dword(L"exitCmd").value_or(0); }
bool PanelSettings::SetExitCmd(std::uint32_t value) { return WriteDword(L"exitCmd", value); }

std::optional<std::wstring> PanelSettings::EnableAllDev() { return String(L"EnableAllDev"); }
bool PanelSettings::ExitPollDisabled() { return EnableAllDev().value_or(L"") == L"true"; }

bool PanelSettings::isAddSysicon() { return Dword(L"isAddSysicon").value_or(1) != 0; }
bool PanelSettings::SetAddSysicon(bool on) { return WriteDword(L"isAddSysicon", on ? 1 : 0); }

bool PanelSettings::isStartShow() { return Dword(L"isStartShow").value_or(0) != 0; }
bool PanelSettings::SetStartShow(bool on) { return WriteDword(L"isStartShow", on ? 1 : 0); }

std::uint8_t PanelSettings::SystemLanguage() {
  return system_ != nullptr && system_->DefaultLocaleId() == kChineseLocaleId ? 0 : 1;
}

std::uint8_t PanelSettings::language() {
  const auto stored = Dword(L"language");
  return stored ? static_cast<std::uint8_t>(*stored & 0xFF) : SystemLanguage();
}
bool PanelSettings::SetLanguage(std::uint8_t flag) { return WriteDword(L"language", flag); }

bool PanelSettings::vol_locked() { return (Dword(L"vol_locked").value_or(0) & 0xFF) != 0; }
bool PanelSettings::SetVolLocked(bool on) { return WriteDword(L"vol_locked", on ? 1 : 0); }

std::wstring PanelSettings::DisplayName() { return String(L"DisplayName").value_or(kDefaultDisplayName); }

bool PanelSettings::PersistBlocks(const common::PropertyBlock1& b1, const common::PropertyBlock2& b2,
                                  const common::PropertyBlock3& b3) {
  try {
    if (!reg_.KeyExists(kKitKey)) reg_.CreateKey(kKitKey);
    reg_.WriteBinary(kKitKey, common::kBlock2ValueName, common::BytesOf(b2), sizeof b2);
    reg_.WriteBinary(kKitKey, common::kBlock3ValueName, common::BytesOf(b3), sizeof b3);
    reg_.WriteBinary(kKitKey, common::kBlock1ValueName, common::BytesOf(b1), sizeof b1);
    return true;
  } catch (const common::RegistryException&) {
    return false;
  }
}

bool PanelSettings::EnsureUserKey() {
  try {
    if (!reg_.KeyExists(kUserKitKey)) reg_.CreateKey(kUserKitKey);
    return true;
  } catch (const common::RegistryException&) {
    return false;
  }
}

}  // namespace oro::panel
