// DeviceApi bound to the device library's exports.
#pragma once

#include "device_api.h"

namespace oro::panel {

class LibraryDeviceApi : public DeviceApi {
 public:
  int IsRunningAsAdmin() override;
  int RestartAsAdmin() override;
  int IsAlreadyRun(const std::wstring& mutex_name) override;
  void start_task(const std::wstring& name, const std::wstring& parameters, int show_command,
                  const std::wstring& folder) override;
  void kill_task(const std::wstring& name) override;
  int is_task_running(const std::wstring& name) override;
  int getDeviceCount() override;
  int init() override;
  int getDeviceInfo(int index, common::DeviceInfo& record) override;
  int setDeviceProperty(common::DeviceInfo& record, int type, const void* block) override;
  int releaseDeviceInfo(common::DeviceInfo& record) override;
  int SetVolum(int volume, int flow) override;
  int SetMasterMute(int mute, int flow) override;
  int find_usb_device(common::HidIdentity& identity) override;
  int hid_trans_data(const common::HidIdentity& identity, const std::uint8_t* out, std::uint8_t* in) override;
  int update_3031_fw(FirmwareProgress progress, void* context, const std::uint8_t* image, std::int32_t length,
                     std::int32_t mode) override;
};

}  // namespace oro::panel
