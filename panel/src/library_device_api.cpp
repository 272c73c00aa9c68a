#include "library_device_api.h"

#include "oro_ecd_api.h"

namespace oro::panel {

namespace {
// An empty string is passed as a null pointer: "no parameters", "the
// install folder".
const wchar_t* OrNull(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }
}  // namespace

int LibraryDeviceApi::IsRunningAsAdmin() { return _IsRunningAsAdmin(); }
int LibraryDeviceApi::RestartAsAdmin() { return _RestartAsAdmin(); }
int LibraryDeviceApi::IsAlreadyRun(const std::wstring& mutex_name) { return _IsAlreadyRun(mutex_name.c_str()); }
void LibraryDeviceApi::start_task(const std::wstring& name, const std::wstring& parameters, int show_command,
                                  const std::wstring& folder) {
  _start_task(name.c_str(), OrNull(parameters), show_command, OrNull(folder));
}
void LibraryDeviceApi::kill_task(const std::wstring& name) { _kill_task(name.c_str()); }
int LibraryDeviceApi::is_task_running(const std::wstring& name) { return _is_task_running(name.c_str()); }
int LibraryDeviceApi::getDeviceCount() { return ::getDeviceCount(); }
int LibraryDeviceApi::init() { return ::init(); }
int LibraryDeviceApi::getDeviceInfo(int index, common::DeviceInfo& record) { return ::getDeviceInfo(index, &record); }
int LibraryDeviceApi::setDeviceProperty(common::DeviceInfo& record, int type, const void* block) {
  return ::setDeviceProperty(&record, type, block);
}
int LibraryDeviceApi::releaseDeviceInfo(common::DeviceInfo& record) { return ::releaseDeviceInfo(&record); }
int LibraryDeviceApi::SetVolum(int volume, int flow) { return _SetVolum(volume, flow, 0); }
int LibraryDeviceApi::SetMasterMute(int mute, int flow) { return _SetMasterMute(mute, flow); }
int LibraryDeviceApi::find_usb_device(common::HidIdentity& id) {
  return _find_usb_device(&id.vendor_id, &id.product_id, &id.interface_number, &id.report_id);
}
int LibraryDeviceApi::hid_trans_data(const common::HidIdentity& id, const std::uint8_t* out, std::uint8_t* in) {
  return _hid_trans_data(id.vendor_id, id.product_id, id.interface_number, id.report_id, out, in);
}
int LibraryDeviceApi::update_3031_fw(FirmwareProgress progress, void* context, const std::uint8_t* image,
                                     std::int32_t length, std::int32_t mode) {
  return _update_3031_fw(progress, context, image, length, mode);
}

}  // namespace oro::panel
