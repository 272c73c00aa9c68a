// The panel's view of the device library: one method per export the panel
// calls, named after the export (without its leading underscore). The program
// binds it to oro_ecd_api; tests bind it to a recorder that sees every call.
#pragma once

#include <cstdint>
#include <string>

#include "oro/common/property_blocks.h"

namespace oro::panel {

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
};

}  // namespace oro::panel
