// The kit's HID device class: finds an interface by vendor, product,
// interface number and report ID on a HidBus and moves one report at a time.
// Callers pass payloads without the report ID byte; the class puts the report
// ID in front on writes and strips it on reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "oro/common/hid_identity.h"
#include "oro/platform/hid_bus.h"

namespace oro::common {

class HidDevice {
 public:
  // Writes wait this long for the device when the caller gives no bound.
  static constexpr int kDefaultWriteTimeoutMs = 1000;

  // The callback of openFirst: context and the interface's lower-cased path;
  // a positive result means the caller accepted the device.
  using OpenFirstCallback = int (*)(void* context, const std::wstring& path);

  explicit HidDevice(std::shared_ptr<platform::HidBus> bus);
  // All three 0: a closed object; otherwise open() with report ID 0.
  HidDevice(std::shared_ptr<platform::HidBus> bus, std::uint32_t vendor_id, std::uint32_t product_id,
            std::uint32_t interface_number);
  // Closes the interface: a forgotten close() never leaks a handle.
  ~HidDevice();
  HidDevice(const HidDevice&) = delete;
  HidDevice& operator=(const HidDevice&) = delete;

  // Vendor or product 0 match any. Interface number and report ID both 0 match
  // nothing; an interface of a single-interface device never matches (it has
  // no interface number), and a report ID other than 0 must be declared by the
  // collection. Closes what the object held before.
  bool open(std::uint32_t vendor_id, std::uint32_t product_id, std::uint32_t interface_number, std::uint32_t report_id);
  // Whether a matching interface exists (vendor and product exact, no
  // wildcard); hands its lower-cased path to the callback. Never leaves the
  // object open.
  bool openFirst(std::uint32_t vendor_id, std::uint32_t product_id, std::uint32_t interface_number,
                 std::uint32_t report_id, OpenFirstCallback callback, void* context);
  void close();
  bool isOpen() const { return connection_ != nullptr; }
  int inputReportLength() const { return isOpen() ? input_length_ : 0; }
  int outputReportLength() const { return isOpen() ? output_length_ : 0; }

  // Sends the report ID and the first outputReportLength() - 1 payload bytes
  // (zeros past payload_size). Waits at most timeout_ms (0 or less: the
  // default bound). True when the device took the report.
  bool write(const std::uint8_t* payload, std::size_t payload_size, std::uint32_t report_id, int timeout_ms);
  // Receives one report and copies the bytes after its report ID into the
  // payload, never more than were received or fit. Waits at most timeout_ms
  // (0: no limit). The number of bytes received, report ID included; 0 on a
  // time-out or a failure (lastError() says which).
  int read(std::uint8_t* payload, std::size_t capacity, std::uint32_t report_id, int timeout_ms);

  // Why the last open, write or read failed: err::kTimeout,
  // err::kDeviceNotConnected, err::kNotFound (no matching interface), ...
  platform::ErrorCode lastError() const { return last_error_; }

 private:
  // Closes, then opens the first present interface that fits `id` (with the
  // wildcards of open() when `wildcards`); false with last_error_ set when
  // none does.
  bool OpenFirstFitting(const HidIdentity& id, bool wildcards, platform::HidInterfaceInfo* info,
                        std::unique_ptr<platform::HidConnection>* connection);

  std::shared_ptr<platform::HidBus> bus_;
  std::unique_ptr<platform::HidConnection> connection_;
  int input_length_ = 0;
  int output_length_ = 0;
  int feature_length_ = 0;
  platform::ErrorCode last_error_ = platform::err::kSuccess;
};

// The first entry of the supported-device list that opens on the bus. False,
// and *found untouched, when none does.
bool FindSupportedDevice(platform::HidBus& bus, HidIdentity* found);

// Whether an interface fits an identity as HidDevice::open matches it.
bool InterfaceMatches(const platform::HidInterfaceInfo& info, const HidIdentity& id, bool wildcards);

}  // namespace oro::common
