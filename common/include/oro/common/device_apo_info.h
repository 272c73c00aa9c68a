// One audio endpoint as the effect registration sees it: its description,
// loaded from the endpoint's registry keys, what its effect slots hold (with
// the values from before the kit when the kit is installed), and the install
// and removal of the kit's effect classes with their backup.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "oro/common/apo_keys.h"
#include "oro/common/registry_access.h"

namespace oro::common {

class AbstractAPOInfo {
 public:
  virtual ~AbstractAPOInfo() = default;
  virtual std::wstring GetEndpointName() const = 0;
  virtual std::wstring GetAdapterName() const = 0;
  virtual std::wstring GetEndpointId() const = 0;
  virtual std::wstring GetDescription() const = 0;
  virtual std::uint32_t GetChannelCount() const = 0;
  virtual std::uint32_t GetSampleRate() const = 0;
  virtual std::uint32_t GetChannelMask() const = 0;
  virtual bool IsCapture() const = 0;
  virtual bool IsInstalled() const = 0;
  virtual bool MatchesDevice(std::uint32_t vendor, std::uint32_t product, std::uint32_t unused) const = 0;
  virtual bool NeedsUpgrade() const = 0;
  virtual bool IsConfigurationChanged() const = 0;
  virtual bool HadNoFxProperties() const = 0;
  virtual bool IsSysFxDisabled() const = 0;
  virtual bool IsReservedFlagSet() const = 0;
  virtual void Install() = 0;
  virtual void Uninstall() = 0;
  virtual void Reinstall() = 0;
};

// How the kit's object sits in an endpoint's slots. Compared as a whole.
struct ApoConfiguration {
  bool use_pre_mix = false;
  bool use_post_mix = false;
  bool keep_pre_mix_child = false;
  bool keep_post_mix_child = false;
  std::uint32_t layout = 0;  // 0 pre/post-mix slots, 1 stream/mode, 2 stream/endpoint
  bool allow_silent_buffer_modification = false;
  bool operator==(const ApoConfiguration& o) const;
  bool operator!=(const ApoConfiguration& o) const { return !(*this == o); }
};

// What an install needs besides the registry: where the ".reg" copy of the
// replaced slots goes, and where a warning goes when it cannot be written
// (the backup key is the copy that counts, so that never stops an install).
struct ApoBackupFiles {
  std::wstring folder;  // empty: no file is written
  std::function<void(const std::wstring&)> warn;
};

// The names of the Bluetooth devices the system knows, for MatchesDevice.
using BluetoothNames = std::function<std::vector<std::wstring>()>;

class DeviceAPOInfo : public AbstractAPOInfo {
 public:
  explicit DeviceAPOInfo(RegistryAccess& reg, ApoBackupFiles files = {}, BluetoothNames bluetooth = {});

  // Selects the tree LoadEndpoint looks in.
  void SetPreviousOs(bool previous_os) { previous_os_ = previous_os; }
  bool PreviousOs() const { return previous_os_; }

  // False when the endpoint key exists in neither flow. Throws
  // RegistryException for a value it cannot read and kUnsupportedVersion for
  // a backup of an unknown installation format.
  bool LoadEndpoint(const std::wstring& id);

  std::wstring GetEndpointName() const override { return endpoint_name_; }
  std::wstring GetAdapterName() const override { return adapter_name_; }
  std::wstring GetEndpointId() const override { return endpoint_id_; }
  std::wstring GetDescription() const override;
  std::uint32_t GetChannelCount() const override { return channel_count_; }
  std::uint32_t GetSampleRate() const override { return sample_rate_; }
  std::uint32_t GetChannelMask() const override { return channel_mask_; }
  bool IsCapture() const override { return capture_; }
  bool IsInstalled() const override { return installed_; }
  bool MatchesDevice(std::uint32_t vendor, std::uint32_t product, std::uint32_t unused) const override;
  bool NeedsUpgrade() const override;
  bool IsConfigurationChanged() const override;
  bool HadNoFxProperties() const override;
  bool IsSysFxDisabled() const override { return sys_fx_disabled_; }
  bool IsReservedFlagSet() const override { return reserved_; }
  void Install() override;
  void Uninstall() override;
  void Reinstall() override;

  const std::wstring& DevicePath() const { return device_path_; }
  // Slot values: what each slot held before the kit ("!VALUE" for none,
  // "!KEY" when the endpoint had no effect key).
  const std::array<std::wstring, apo::kSlotCount>& SlotValues() const { return slots_; }
  const std::wstring& PreMixChild() const { return pre_mix_child_; }
  const std::wstring& PostMixChild() const { return post_mix_child_; }
  const std::wstring& InstalledVersion() const { return installed_version_; }
  const ApoConfiguration& Desired() const { return desired_; }
  const ApoConfiguration& Applied() const { return applied_; }

  // Key paths of the loaded endpoint.
  std::wstring EndpointKey() const;
  std::wstring PropertyKey() const { return EndpointKey() + apo::kPropertiesPart; }
  std::wstring EffectKey() const { return EndpointKey() + apo::kFxPropertiesPart; }
  std::wstring BackupKey() const { return std::wstring(apo::kBackupRoot) + L"\\" + endpoint_id_; }

  // The ".reg" copy's file name for this endpoint.
  std::wstring BackupFileName() const;

 private:
  void Reset();
  void ReadDescription();
  void ReadFormat();
  void ChooseLayout();
  void ReadBackup();
  std::wstring ChildFor(bool pre_mix) const;
  void BackUpSlots();
  void WriteKitSlots();
  void TakeOverEndpointKeys();

  RegistryAccess& reg_;
  ApoBackupFiles files_;
  BluetoothNames bluetooth_;

  bool previous_os_ = false;
  std::wstring adapter_name_;
  std::wstring endpoint_name_;
  std::wstring endpoint_id_;
  std::wstring device_path_;
  std::uint32_t channel_count_ = 0;
  std::uint32_t sample_rate_ = 0;
  std::uint32_t channel_mask_ = 0;
  bool reserved_ = false;
  bool sys_fx_disabled_ = false;
  std::wstring pre_mix_child_;
  std::wstring post_mix_child_;
  std::array<std::wstring, apo::kSlotCount> slots_;
  std::array<bool, apo::kSlotCount> kit_slots_{};
  bool capture_ = false;
  bool installed_ = false;
  std::wstring installed_version_ = L"0";
  ApoConfiguration desired_;
  ApoConfiguration applied_;
};

// True when a slot value parses as one of the kit's two effect class ids
// (any letter case, with or without braces).
bool IsKitClassId(const std::wstring& value);

// Bluetooth test of MatchesDevice: the path names a Bluetooth device and the
// adapter name (cut before " Hands-Free") is one of `known`.
bool MatchesBluetoothDevice(const std::wstring& device_path, const std::wstring& adapter_name,
                            const std::vector<std::wstring>& known);

}  // namespace oro::common
