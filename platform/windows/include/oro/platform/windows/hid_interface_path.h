// What the HID class driver's interface paths and capabilities say, kept free
// of the system's headers so it is tested without a device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "oro/platform/win32_codes.h"

namespace oro::platform::windows_host {

struct HidPathParts {
  int interface_number = -1;  // "&mi_XX" of a composite device, else -1
  int collection = 0;         // "&colXX" of an interface with several, else 0
};

// Reads the hardware ID part of a path such as
// \\?\hid#vid_1234&pid_5678&mi_01&col02#7&1a2b&0&0001#{4d1e55b2-...}: only the
// segment after "hid#", so nothing in the instance part can pass for either.
// Both numbers are hexadecimal, as the driver writes them.
HidPathParts ParseHidInterfacePath(const std::string& path);

// The report IDs the capabilities name (input, output and feature alike),
// sorted and once each; empty for a collection whose reports are unnumbered
// (ID 0).
std::vector<std::uint8_t> DeclaredReportIds(std::vector<std::uint8_t> ids);

// The report as the driver takes it: exactly `output_length` bytes, zero
// padded. err::kInvalidParameter for an empty report, one longer than the
// collection's output reports, or a collection without output reports.
ErrorCode FrameOutputReport(const std::uint8_t* report, std::size_t size, std::uint16_t output_length,
                            std::vector<std::uint8_t>* framed);

// The kit's code for what a read or write on a HID handle ended with: every
// way the driver says the device went away is err::kDeviceNotConnected.
ErrorCode HidIoError(std::uint32_t win32_error);

}  // namespace oro::platform::windows_host
