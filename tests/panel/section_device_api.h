// The panel's library interface bound to the device library's block and
// volume exports, on a state folder of the simulated machine: what a slider
// sends reaches the real settings store and the real shared section. The
// helper-program calls are recorded only; they are not what this checks.
#pragma once

#include <memory>
#include <string>

#include "device_api.h"
#include "oro/platform/platform.h"

namespace oro::test {

class SectionDeviceApi : public panel::DeviceApi {
 public:
  // Builds the simulated machine in `state_dir` and hands its adapters to
  // the library.
  explicit SectionDeviceApi(const std::string& state_dir);

  int IsRunningAsAdmin() override { return 1; }
  int RestartAsAdmin() override { return 0; }
  int IsAlreadyRun(const std::wstring&) override { return 0; }
  void start_task(const std::wstring&, const std::wstring&, int, const std::wstring&) override {}
  void kill_task(const std::wstring&) override {}
  int is_task_running(const std::wstring&) override { return 0; }
  int getDeviceCount() override { return 1; }
  int init() override { return 1; }
  int getDeviceInfo(int index, common::DeviceInfo& record) override;
  int setDeviceProperty(common::DeviceInfo& record, int type, const void* block) override;
  int releaseDeviceInfo(common::DeviceInfo& record) override;
  int SetVolum(int volume, int flow) override;
  int SetMasterMute(int mute, int flow) override;
  // The headset link through the library, on the machine's HID bus.
  int find_usb_device(common::HidIdentity& identity) override;
  int hid_trans_data(const common::HidIdentity& identity, const std::uint8_t* out, std::uint8_t* in) override;
  int update_3031_fw(FirmwareProgress progress, void* context, const std::uint8_t* image, std::int32_t length,
                     std::int32_t mode) override;

  platform::Platform& Platform() { return platform_; }

 private:
  platform::Platform platform_;
};

}  // namespace oro::test
