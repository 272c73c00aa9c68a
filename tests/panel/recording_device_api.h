// A stand-in for the device library that records every call in order and
// keeps the record as the library would: each send lands in the record, and
// a type-3 send rebuilds block 2's band table and filters from block 3, as the library does.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "device_api.h"

namespace oro::test {

struct ApiCall {
  std::string name;
  std::vector<int> args;
  std::wstring text;
  std::vector<std::uint8_t> block;  // the block as sent
  std::wstring folder;              // start_task's folder
};

class RecordingDeviceApi : public panel::DeviceApi {
 public:
  // What getDeviceInfo hands out, and the results of the set-up calls.
  common::DeviceInfo stored{};
  int device_count = 1;
  int init_result = 0;
  int device_info_result = 1;
  int already_run = 0;
  int task_running = 0;

  std::vector<ApiCall> calls;

  // The headset link, which the panel calls from other threads as well: the
  // identity find_usb_device hands out (none when all 0), the result and
  // reply of every transfer, and the firmware update's behaviour (none:
  // no device, 0).
  common::HidIdentity headset{0x040B, 0xF779, 3, 2};
  void SetTransfer(int result, std::vector<std::uint8_t> reply);
  // Every payload hid_trans_data wrote, in order.
  std::vector<std::vector<std::uint8_t>> HidWrites();
  std::function<int(FirmwareProgress, void*, const std::uint8_t*, std::int32_t, std::int32_t)> firmware;

  std::vector<ApiCall> Calls(const std::string& name) const;
  // The names of the calls in order.
  std::vector<std::string> Names() const;
  void Clear() { calls.clear(); }

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

 private:
  std::mutex hid_mutex_;
  int trans_result_ = 0;
  std::vector<std::uint8_t> trans_reply_;
  std::vector<std::vector<std::uint8_t>> hid_writes_;
};

}  // namespace oro::test
