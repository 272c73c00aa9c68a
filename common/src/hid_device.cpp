#include "oro/common/hid_device.h"

#include <algorithm>
#include <cwctype>
#include <vector>

#include "oro/platform/text.h"

namespace oro::common {

using platform::HidInterfaceInfo;
namespace err = platform::err;

bool InterfaceMatches(const HidInterfaceInfo& info, const HidIdentity& id, bool wildcards) {
  // Interface number and report ID both 0 leave the path pattern empty, and
  // an empty pattern matches nothing.
  if (id.interface_number == 0 && id.report_id == 0) return false;
  const bool vendor_ok = (wildcards && id.vendor_id == 0) || id.vendor_id == info.vendor_id;
  const bool product_ok = (wildcards && id.product_id == 0) || id.product_id == info.product_id;
  if (!vendor_ok || !product_ok) return false;
  // The class driver shows an interface number ("&mi_NN") only for composite
  // devices, so a device with one interface never matches.
  if (info.interface_number < 0 || static_cast<std::uint32_t>(info.interface_number) != id.interface_number) {
    return false;
  }
  if (id.report_id == 0) return true;
  return std::find(info.report_ids.begin(), info.report_ids.end(), id.report_id) != info.report_ids.end();
}

HidDevice::HidDevice(std::shared_ptr<platform::HidBus> bus) : bus_(std::move(bus)) {}

HidDevice::HidDevice(std::shared_ptr<platform::HidBus> bus, std::uint32_t vendor_id, std::uint32_t product_id,
                     std::uint32_t interface_number)
    : bus_(std::move(bus)) {
  if (vendor_id || product_id || interface_number) open(vendor_id, product_id, interface_number, 0);
}

HidDevice::~HidDevice() { close(); }

void HidDevice::close() {
  connection_.reset();
  input_length_ = output_length_ = feature_length_ = 0;
}

bool HidDevice::OpenFirstFitting(const HidIdentity& id, bool wildcards, HidInterfaceInfo* info,
                                 std::unique_ptr<platform::HidConnection>* connection) {
  close();
  last_error_ = err::kNotFound;
  if (!bus_) return false;
  std::vector<HidInterfaceInfo> interfaces;
  if (const auto rc = bus_->Enumerate(&interfaces)) {
    last_error_ = rc;
    return false;
  }
  for (auto& candidate : interfaces) {
    if (!InterfaceMatches(candidate, id, wildcards)) continue;
    // One that cannot be opened (gone, or not ours to open) is passed over.
    if (bus_->Open(candidate.path, connection) != err::kSuccess) continue;
    *info = std::move(candidate);
    return true;
  }
  return false;
}

bool HidDevice::open(std::uint32_t vendor_id, std::uint32_t product_id, std::uint32_t interface_number,
                     std::uint32_t report_id) {
  HidInterfaceInfo info;
  std::unique_ptr<platform::HidConnection> c;
  if (!OpenFirstFitting({vendor_id, product_id, interface_number, report_id}, true, &info, &c)) return false;
  c->Flush();
  connection_ = std::move(c);
  input_length_ = info.input_report_length;
  output_length_ = info.output_report_length;
  feature_length_ = info.feature_report_length;
  last_error_ = err::kSuccess;
  return true;
}

bool HidDevice::openFirst(std::uint32_t vendor_id, std::uint32_t product_id, std::uint32_t interface_number,
                          std::uint32_t report_id, OpenFirstCallback callback, void* context) {
  HidInterfaceInfo info;
  std::unique_ptr<platform::HidConnection> c;
  if (!OpenFirstFitting({vendor_id, product_id, interface_number, report_id}, false, &info, &c)) return false;
  c.reset();
  std::wstring path = platform::FromUtf8(info.path);
  std::transform(path.begin(), path.end(), path.begin(), [](wchar_t ch) { return std::towlower(ch); });
  if (callback) callback(context, path);
  last_error_ = err::kSuccess;
  return true;
}

bool HidDevice::write(const std::uint8_t* payload, std::size_t payload_size, std::uint32_t report_id, int timeout_ms) {
  if (!isOpen() || output_length_ < 1) {
    last_error_ = isOpen() ? err::kInvalidFunction : err::kInvalidHandle;
    return false;
  }
  std::vector<std::uint8_t> report(static_cast<std::size_t>(output_length_), 0);
  report[0] = static_cast<std::uint8_t>(report_id & 0xFF);
  if (payload) std::copy_n(payload, std::min(payload_size, report.size() - 1), report.begin() + 1);
  last_error_ = connection_->Write(report.data(), report.size(), timeout_ms > 0 ? timeout_ms : kDefaultWriteTimeoutMs);
  return last_error_ == err::kSuccess;
}

int HidDevice::read(std::uint8_t* payload, std::size_t capacity, std::uint32_t report_id, int timeout_ms) {
  if (!isOpen() || input_length_ < 1) {
    last_error_ = isOpen() ? err::kInvalidFunction : err::kInvalidHandle;
    return 0;
  }
  std::vector<std::uint8_t> report(static_cast<std::size_t>(input_length_), 0);
  report[0] = static_cast<std::uint8_t>(report_id & 0xFF);
  std::size_t received = 0;
  last_error_ = connection_->Read(report.data(), report.size(), timeout_ms > 0 ? timeout_ms : -1, &received);
  if (last_error_ != err::kSuccess || received == 0) return 0;
  if (payload) std::copy_n(report.begin() + 1, std::min(received - 1, capacity), payload);
  return static_cast<int>(received);
}

bool FindSupportedDevice(platform::HidBus& bus, HidIdentity* found) {
  std::vector<HidInterfaceInfo> interfaces;
  if (bus.Enumerate(&interfaces) != err::kSuccess) return false;
  HidIdentity id;
  for (std::size_t i = 0; SupportedDeviceAt(i, &id); ++i) {
    for (const auto& info : interfaces) {
      if (!InterfaceMatches(info, id, true)) continue;
      std::unique_ptr<platform::HidConnection> c;
      if (bus.Open(info.path, &c) != err::kSuccess) continue;
      if (found) *found = id;
      return true;
    }
  }
  return false;
}

}  // namespace oro::common
