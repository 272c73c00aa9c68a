// One HID interface of a supported device, and the kit's list of them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oro::common {

// Vendor and product 0 are wildcards for HidDevice::open; report ID 0 skips
// the test that the interface declares it. The report ID is also the first
// byte of every report exchanged through HidDevice.
struct HidIdentity {
  std::uint32_t vendor_id = 0;
  std::uint32_t product_id = 0;
  std::uint32_t interface_number = 0;
  std::uint32_t report_id = 0;
};

inline bool operator==(const HidIdentity& a, const HidIdentity& b) {
  return a.vendor_id == b.vendor_id && a.product_id == b.product_id && a.interface_number == b.interface_number &&
         a.report_id == b.report_id;
}

constexpr std::size_t kSupportedDeviceCount = 24;

// Entry index of the supported-device list (0 to 23); false past its end.
bool SupportedDeviceAt(std::size_t index, HidIdentity* out);

// An entry whose vendor field has a bit of its top byte set names a Bluetooth
// headset; it never matches a USB interface.
inline bool IsBluetoothEntry(const HidIdentity& id) { return (id.vendor_id & 0xFF000000u) != 0; }

}  // namespace oro::common
