// The library's HID exports over HidDevice: each call opens, transfers and
// closes; nothing stays open between calls.
#include <cstring>
#include <memory>

#include "oro/common/hid_device.h"
#include "oro/device_api/firmware_update.h"
#include "oro/device_api/library_context.h"
#include "oro_ecd_api.h"

namespace {

namespace err = oro::platform::err;
using oro::common::HidDevice;

constexpr int kReplyReads = 5;
constexpr int kReplyReadMs = 10;
constexpr std::size_t kCallerBuffer = 64;

std::shared_ptr<oro::platform::HidBus> Bus() { return oro::device_api::LibraryPlatform().hid; }

}  // namespace

extern "C" ORO_API int32_t _hid_trans_data(uint32_t vendor_id, uint32_t product_id, uint32_t interface_number,
                                           uint32_t report_id, const uint8_t* out, uint8_t* in) {
  try {
    HidDevice device(Bus());
    if (!device.open(vendor_id, product_id, interface_number, report_id)) return ORO_ERR_NO_DEVICE;
    // The write's own result does not decide the transfer: the reply does.
    if (out) device.write(out, kCallerBuffer, report_id, HidDevice::kDefaultWriteTimeoutMs);
    if (!in) return ORO_OK;
    for (int i = 0; i < kReplyReads; ++i) {
      const int got = device.read(in, kCallerBuffer, report_id, kReplyReadMs);
      if (got > 0 && got == device.inputReportLength()) return ORO_OK;
      // A device that went away will not answer the remaining reads.
      if (device.lastError() == err::kDeviceNotConnected) return ORO_ERR_NO_DEVICE;
    }
    return 0;
  } catch (...) {
    return ORO_ERR_NO_DEVICE;
  }
}

extern "C" ORO_API int32_t _is_usb_connected(uint32_t vendor_id, uint32_t product_id, uint32_t interface_number,
                                             uint32_t report_id) {
  try {
    HidDevice device(Bus());
    return device.open(vendor_id, product_id, interface_number, report_id) ? ORO_OK : ORO_ERR_NO_DEVICE;
  } catch (...) {
    return ORO_ERR_NO_DEVICE;
  }
}

extern "C" ORO_API int32_t _find_usb_device(uint32_t* vendor_id, uint32_t* product_id, uint32_t* interface_number,
                                            uint32_t* report_id) {
  try {
    auto bus = Bus();
    oro::common::HidIdentity id;
    if (!bus || !oro::common::FindSupportedDevice(*bus, &id)) return 0;
    if (vendor_id) *vendor_id = id.vendor_id;
    if (product_id) *product_id = id.product_id;
    if (interface_number) *interface_number = id.interface_number;
    if (report_id) *report_id = id.report_id;
    return ORO_OK;
  } catch (...) {
    return 0;
  }
}

ORO_API int32_t _update_3031_fw(oro_fw_progress callback, void* context, const uint8_t* image, int32_t length,
                                int32_t mode) {
  try {
    if (!image || length < 0) return ORO_ERR_INVALID_ARGUMENT;
    auto bus = Bus();
    if (!bus) {
      if (callback) callback(context, 0, 0);
      return 0;
    }
    return oro::device_api::RunFirmwareUpdate(*bus, callback, context, image, length, mode,
                                              oro::device_api::FirmwareBounds{});
  } catch (...) {
    return ORO_ERR_DEVICE_LOST;
  }
}
