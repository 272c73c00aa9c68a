// The panel's view of the device library: one method per export the panel
// calls, named after the export (without its leading underscore). The program
// binds it to oro_ecd_api; tests bind it to a recorder that sees every call.
#pragma once

#include <cstdint>
#include <string>

#include "oro/common/hid_identity.h"
#include "oro/common/property_blocks.h"

namespace oro::panel {

// Failures of the headset exports beyond the plain ones: the device did not
// answer in time; it went away or refused a report.
inline constexpr int kDeviceTimeout = -8;
inline constexpr int kDeviceLost = -9;

class DeviceApi {
 public:
  virtual ~DeviceApi() = default;

  // Elevation and single instance.
  virtual int IsRunningAsAdmin() = 0;
  virtual int RestartAsAdmin() = 0;
  virtual int IsAlreadyRun(const std::wstring& mutex_name) = 0;

  // Helper programs, matched by executable name.
  virtual void start_task(const std::wstring& name, const std::wstring& parameters, int show_command,
                          const std::wstring& folder) = 0;
  virtual void kill_task(const std::wstring& name) = 0;
  virtual int is_task_running(const std::wstring& name) = 0;

  // Library set-up.
  virtual int getDeviceCount() = 0;
  virtual int init() = 0;

  // The device record and its blocks.
  virtual int getDeviceInfo(int index, common::DeviceInfo& record) = 0;
  virtual int setDeviceProperty(common::DeviceInfo& record, int type, const void* block) = 0;
  virtual int releaseDeviceInfo(common::DeviceInfo& record) = 0;

  // Endpoint volume and mute; flow 0 render, 1 capture.
  virtual int SetVolum(int volume, int flow) = 0;
  virtual int SetMasterMute(int mute, int flow) = 0;

  // The headset link. The first supported device present: 1, else 0 and the
  // identity untouched. Payloads are 64 bytes, report ID not included; each
  // may be null. These three may be called from any thread.
  virtual int find_usb_device(common::HidIdentity& identity) = 0;
  virtual int hid_trans_data(const common::HidIdentity& identity, const std::uint8_t* out, std::uint8_t* in) = 0;
  // Runs the whole firmware update on the caller's thread; progress comes
  // back on that thread as (context, value, stage).
  using FirmwareProgress = void (*)(void* context, std::int32_t value, std::int32_t stage);
  virtual int update_3031_fw(FirmwareProgress progress, void* context, const std::uint8_t* image, std::int32_t length,
                             std::int32_t mode) = 0;
};

}  // namespace oro::panel
