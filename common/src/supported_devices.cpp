// The supported-device list: configuration, kept as the fixed-width record
// the other deliverables walk (vendor and product 32-bit, interface and
// report ID 16-bit). Unused entries stay zero, which matches no interface.
#include <cstdint>

#include "oro/common/hid_identity.h"

namespace oro::common {
namespace {

struct SupportedEntry {
  std::uint32_t vendor_id;
  std::uint32_t product_id;
  std::uint16_t interface_number;
  std::uint16_t report_id;
};

constexpr SupportedEntry kSupportedDevices[kSupportedDeviceCount] = {
    {0x040B, 0xF779, 3, 2},  // the headset on its own cable
    {0x040B, 0xF778, 3, 2},  // the wireless dongle
};

}  // namespace

bool SupportedDeviceAt(std::size_t index, HidIdentity* out) {
  if (index >= kSupportedDeviceCount || !out) return false;
  const SupportedEntry& e = kSupportedDevices[index];
  *out = HidIdentity{e.vendor_id, e.product_id, e.interface_number, e.report_id};
  return true;
}

}  // namespace oro::common
