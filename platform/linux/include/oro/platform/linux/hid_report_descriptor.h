// What the Windows HID class driver derives from a report descriptor, per
// top-level collection: usage, report IDs and report lengths (report ID byte
// included, as the driver counts them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace oro::platform::linux_host {

struct HidTopCollection {
  std::uint16_t usage_page = 0;
  std::uint16_t usage = 0;
  std::vector<std::uint8_t> report_ids;        // all kinds, in order of appearance
  std::vector<std::uint8_t> input_report_ids;  // for filtering what a collection reads
  std::uint16_t input_report_length = 0;
  std::uint16_t output_report_length = 0;
  std::uint16_t feature_report_length = 0;
};

// False for a descriptor that is truncated or unbalanced; *out then holds
// nothing.
bool ParseReportDescriptor(const std::uint8_t* data, std::size_t size, std::vector<HidTopCollection>* out);

}  // namespace oro::platform::linux_host
