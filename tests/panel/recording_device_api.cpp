#include "recording_device_api.h"

#include "oro/common/eq_coefficients.h"

#include <algorithm>
#include <cstring>

namespace oro::test {

std::vector<ApiCall> RecordingDeviceApi::Calls(const std::string& name) const {
  std::vector<ApiCall> found;
  for (const ApiCall& call : calls) {
    if (call.name == name) found.push_back(call);
  }
  return found;
}

std::vector<std::string> RecordingDeviceApi::Names() const {
  std::vector<std::string> names;
  for (const ApiCall& call : calls) names.push_back(call.name);
  return names;
}

int RecordingDeviceApi::IsRunningAsAdmin() {
  calls.push_back({"IsRunningAsAdmin", {}, {}, {}});
  return 1;
}
int RecordingDeviceApi::RestartAsAdmin() {
  calls.push_back({"RestartAsAdmin", {}, {}, {}});
  return 0;
}
int RecordingDeviceApi::IsAlreadyRun(const std::wstring& mutex_name) {
  calls.push_back({"IsAlreadyRun", {}, mutex_name, {}});
  return already_run;
}
void RecordingDeviceApi::start_task(const std::wstring& name, const std::wstring&, int show,
                                    const std::wstring& folder) {
  calls.push_back({"start_task", {show}, name, {}, folder});
}
void RecordingDeviceApi::kill_task(const std::wstring& name) { calls.push_back({"kill_task", {}, name, {}}); }
int RecordingDeviceApi::is_task_running(const std::wstring& name) {
  calls.push_back({"is_task_running", {}, name, {}});
  return task_running;
}
int RecordingDeviceApi::getDeviceCount() {
  calls.push_back({"getDeviceCount", {}, {}, {}});
  return device_count;
}
int RecordingDeviceApi::init() {
  calls.push_back({"init", {}, {}, {}});
  return init_result;
}
int RecordingDeviceApi::getDeviceInfo(int index, common::DeviceInfo& record) {
  calls.push_back({"getDeviceInfo", {index}, {}, {}});
  if (device_info_result < 0) return device_info_result;
  record = stored;
  return device_info_result;
}
int RecordingDeviceApi::setDeviceProperty(common::DeviceInfo& record, int type, const void* block) {
  const std::size_t size = type == 2 ? common::PropertyBlock2::kSize : common::PropertyBlock1::kSize;
  const auto* bytes = static_cast<const std::uint8_t*>(block);
  calls.push_back({"setDeviceProperty", {type}, {}, std::vector<std::uint8_t>(bytes, bytes + size)});
  if (type == 1) std::memcpy(&record.Block1(), block, size);
  if (type == 2) std::memcpy(&record.Block2(), block, size);
  if (type == 3) {
    std::memcpy(&record.Block3(), block, size);
    common::ComputeEqCoefficients(record.Block2(), record.Block3());
  }
  return type >= 1 && type <= 3 ? 1 : -2;
}
int RecordingDeviceApi::releaseDeviceInfo(common::DeviceInfo&) {
  calls.push_back({"releaseDeviceInfo", {}, {}, {}});
  return 1;
}
int RecordingDeviceApi::SetVolum(int volume, int flow) {
  calls.push_back({"SetVolum", {volume, flow}, {}, {}});
  return 1;
}
int RecordingDeviceApi::SetMasterMute(int mute, int flow) {
  calls.push_back({"SetMasterMute", {mute, flow}, {}, {}});
  return 1;
}

int RecordingDeviceApi::find_usb_device(common::HidIdentity& identity) {
  std::lock_guard<std::mutex> lock(hid_mutex_);
  if (headset == common::HidIdentity{}) return 0;
  identity = headset;
  return 1;
}
void RecordingDeviceApi::SetTransfer(int result, std::vector<std::uint8_t> reply) {
  std::lock_guard<std::mutex> lock(hid_mutex_);
  trans_result_ = result;
  trans_reply_ = std::move(reply);
}
std::vector<std::vector<std::uint8_t>> RecordingDeviceApi::HidWrites() {
  std::lock_guard<std::mutex> lock(hid_mutex_);
  return hid_writes_;
}
int RecordingDeviceApi::hid_trans_data(const common::HidIdentity& identity, const std::uint8_t* out, std::uint8_t* in) {
  std::lock_guard<std::mutex> lock(hid_mutex_);
  if (identity.interface_number == 0 && identity.report_id == 0) return -1;
  if (out != nullptr) hid_writes_.emplace_back(out, out + 64);
  if (in != nullptr && trans_result_ > 0)
    std::memcpy(in, trans_reply_.data(), std::min<std::size_t>(64, trans_reply_.size()));
  return trans_result_;
}
int RecordingDeviceApi::update_3031_fw(FirmwareProgress progress, void* context, const std::uint8_t* image,
                                       std::int32_t length, std::int32_t mode) {
  return firmware ? firmware(progress, context, image, length, mode) : 0;
}

}  // namespace oro::test
