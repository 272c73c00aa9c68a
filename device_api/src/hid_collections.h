// Opening one collection of an interface, as hid_open_intf_col does and the
// firmware update needs.
#pragma once

#include <cstdint>
#include <memory>

#include "oro/platform/hid_bus.h"

namespace oro::device_api {

// The first present collection of vendor:product whose interface and
// collection numbers are the given ones; interface and collection both 0 take
// the device's first collection. err::kNotFound when none fits.
platform::ErrorCode OpenInterfaceCollection(platform::HidBus& bus, std::uint16_t vendor_id, std::uint16_t product_id,
                                            std::uint16_t interface_number, std::uint16_t collection,
                                            std::unique_ptr<platform::HidConnection>* out);

}  // namespace oro::device_api
