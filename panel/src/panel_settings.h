// The panel's preferences in the settings store, one typed accessor each.
// A value that is absent, of the wrong type or unreadable (the kit's key not
// created yet, a store that cannot be opened) reads as its default; nothing
// here throws.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "oro/common/property_blocks.h"
#include "oro/common/registry_access.h"
#include "oro/platform/system_info.h"

namespace oro::panel {

inline constexpr const wchar_t* kKitKey = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit";
inline constexpr const wchar_t* kUserKitKey = L"HKEY_CURRENT_USER\\SOFTWARE\\OroSoundKit";
inline constexpr const wchar_t* kDefaultDisplayName = L"OroSound Kit";
constexpr std::uint32_t kChineseLocaleId = 2052;

class PanelSettings {
 public:
  // system may be null; the locale then counts as not Chinese.
  PanelSettings(platform::RegistryStore& store, platform::SystemInfo* system);

  std::uint32_t exitCmd();
  bool SetExitCmd(std::uint32_t value);
  // The exact stored string, or nothing when absent or not a string.
  std::optional<std::wstring> EnableAllDev();
  // True only for exactly "true".
  bool ExitPollDisabled();
  bool isAddSysicon();
  bool SetAddSysicon(bool on);
  bool isStartShow();
  bool SetStartShow(bool on);
  // 0 Chinese, 1..127 English, 128..255 no translation; the low byte of the
  // stored value, or the system locale's choice when absent.
  std::uint8_t language();
  bool SetLanguage(std::uint8_t flag);
  bool vol_locked();
  bool SetVolLocked(bool on);
  std::wstring DisplayName();

  // The three working blocks under their persisted names, as the library
  // keeps them. False when the store refused a write.
  bool PersistBlocks(const common::PropertyBlock1& b1, const common::PropertyBlock2& b2,
                     const common::PropertyBlock3& b3);

  // Creates the per-user key when missing.
  bool EnsureUserKey();

  std::uint8_t SystemLanguage();

 private:
  std::optional<std::uint32_t> Dword(const wchar_t* name);
  std::optional<std::wstring> String(const wchar_t* name);
  bool WriteDword(const wchar_t* name, std::uint32_t value);

  common::RegistryAccess reg_;
  platform::SystemInfo* system_;
};

}  // namespace oro::panel
