#include "recording_device_api.h"

#include "oro/common/eq_coefficients.h"

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
void RecordingDeviceApi::start_task(const std::wstring& name, const std::wstring&, int show, const std::wstring&) {
  calls.push_back({"start_task", {show}, name, {}});
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

}  // namespace oro::test
