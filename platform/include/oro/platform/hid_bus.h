// HID bus port: the HID interfaces present, one entry per top-level collection
// as the Windows HID class driver presents them, and one report at a time to
// and from an opened collection.
//
// Reports always carry their report ID in byte 0; on a collection without
// numbered reports that byte is 0 (sent as such, and added in front of what
// the device sends), as the class driver does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "oro/platform/win32_codes.h"

namespace oro::platform {

struct HidInterfaceInfo {
  std::string path;  // what Open takes; opaque to callers
  std::uint16_t vendor_id = 0;
  std::uint16_t product_id = 0;
  std::uint16_t release = 0;
  // USB interface number of a composite device; -1 for a device with one
  // interface (the class driver then shows no "mi" part).
  int interface_number = -1;
  // 1-based top-level collection of an interface with several ("colNN"); 0
  // when the interface has one collection.
  int collection = 0;
  std::uint16_t usage_page = 0;
  std::uint16_t usage = 0;
  // Report IDs the collection declares (input, output or feature); empty when
  // its reports are unnumbered.
  std::vector<std::uint8_t> report_ids;
  // Longest report of each kind in bytes, the report ID byte included; 0 when
  // the collection has no report of that kind.
  std::uint16_t input_report_length = 0;
  std::uint16_t output_report_length = 0;
  std::uint16_t feature_report_length = 0;
  std::wstring manufacturer;
  std::wstring product;
  std::wstring serial_number;
};

class HidConnection {
 public:
  virtual ~HidConnection() = default;
  virtual const HidInterfaceInfo& Info() const = 0;
  // Sends one output report (report ID first). A shorter report is padded with
  // zeros to the output report length; an empty one, a longer one or one on a
  // collection without output reports is err::kInvalidParameter. Waits at most
  // timeout_ms for the device to take it (negative: no limit): err::kTimeout.
  virtual ErrorCode Write(const std::uint8_t* report, std::size_t size, int timeout_ms) = 0;
  // Receives one input report (report ID first) into buf, never more than
  // capacity bytes; *received is the number of bytes stored. Waits at most
  // timeout_ms (0: only what is pending, negative: no limit): err::kTimeout
  // when nothing came.
  virtual ErrorCode Read(std::uint8_t* buf, std::size_t capacity, int timeout_ms, std::size_t* received) = 0;
  // Drops input reports that arrived and were not read.
  virtual void Flush() = 0;
};

// Errors of every call: err::kDeviceNotConnected once the device went away
// (a connection never comes back; open the interface again), err::kFileNotFound
// for a path that names no present interface, err::kAccessDenied when the
// caller may not open it.
class HidBus {
 public:
  virtual ~HidBus() = default;
  // Present interfaces in a stable order.
  virtual ErrorCode Enumerate(std::vector<HidInterfaceInfo>* out) = 0;
  // Opens a collection for reading and writing, shared with other openers:
  // each connection sees every input report that arrives after it opened.
  virtual ErrorCode Open(const std::string& path, std::unique_ptr<HidConnection>* out) = 0;
};

}  // namespace oro::platform
