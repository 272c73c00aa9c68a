#include "section_device_api.h"

#include "oro/device_api/library_context.h"
#include "oro/platform/make_platform.h"
#include "oro/tools/sim/kit_machine.h"
#include "oro_ecd_api.h"

namespace oro::test {

SectionDeviceApi::SectionDeviceApi(const std::string& state_dir)
    : platform_(platform::MakePlatform(platform::Profile::kSim, platform::ResolveStatePaths(state_dir.c_str()))) {
  platform::sim::SimMachine machine(*platform_.registry);
  tools::sim::CreateKitMachine(machine, L"/tmp/");
  device_api::SetLibraryPlatform(platform_);
}

int SectionDeviceApi::getDeviceInfo(int index, common::DeviceInfo& record) { return ::getDeviceInfo(index, &record); }
int SectionDeviceApi::setDeviceProperty(common::DeviceInfo& record, int type, const void* block) {
  return ::setDeviceProperty(&record, type, block);
}
int SectionDeviceApi::releaseDeviceInfo(common::DeviceInfo& record) { return ::releaseDeviceInfo(&record); }
int SectionDeviceApi::SetVolum(int volume, int flow) { return _SetVolum(volume, flow, 0); }
int SectionDeviceApi::SetMasterMute(int mute, int flow) { return _SetMasterMute(mute, flow); }
int SectionDeviceApi::find_usb_device(common::HidIdentity& id) {
  return _find_usb_device(&id.vendor_id, &id.product_id, &id.interface_number, &id.report_id);
}
int SectionDeviceApi::hid_trans_data(const common::HidIdentity& id, const std::uint8_t* out, std::uint8_t* in) {
  return _hid_trans_data(id.vendor_id, id.product_id, id.interface_number, id.report_id, out, in);
}
int SectionDeviceApi::update_3031_fw(FirmwareProgress progress, void* context, const std::uint8_t* image,
                                     std::int32_t length, std::int32_t mode) {
  return _update_3031_fw(progress, context, image, length, mode);
}

}  // namespace oro::test
