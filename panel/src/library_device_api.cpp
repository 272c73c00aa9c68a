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

}  // namespace oro::panel
