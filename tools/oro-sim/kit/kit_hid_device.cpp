// The simulated headset and dongle. The report layouts are written out here
// byte by byte, independently of the kit's own protocol module, so that the
// tests that drive the kit against this device compare two separate readings
// of the same wire format.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "oro/tools/sim/kit_hid_devices.h"

namespace oro::tools::sim {
namespace {

constexpr std::uint8_t kControlReport = 0x02;
constexpr std::uint8_t kUpdateControlReport = 0x55;
constexpr std::uint8_t kUpdateDataReport = 0x41;
constexpr std::size_t kControlLength = 65;
constexpr std::size_t kUpdateLength = 64;
constexpr std::size_t kDataBytesPerPacket = 63;

HidInterfaceInfo Collection(std::uint16_t pid, int col, std::uint16_t page, std::uint8_t report, std::uint16_t in,
                            std::uint16_t out) {
  HidInterfaceInfo c;
  c.vendor_id = kKitVendorId;
  c.product_id = pid;
  c.release = 0x0100;
  c.interface_number = kKitInterface;
  c.collection = col;
  c.usage_page = page;
  c.usage = 0x0001;
  c.report_ids = {report};
  c.input_report_length = in;
  c.output_report_length = out;
  c.manufacturer = L"OroSound";
  c.product = pid == kHeadsetProductId ? L"OroSound Gaming Headset" : L"OroSound Wireless Dongle";
  c.serial_number = pid == kHeadsetProductId ? L"HS0001" : L"DG0001";
  return c;
}

bool Number(const std::string& text, long min, long max, int* out) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < min || v > max) return false;
  *out = static_cast<int>(v);
  return true;
}

std::string Hex(const HidReport& r) {
  std::string s;
  char buf[4];
  for (std::size_t i = 0; i < r.size(); ++i) {
    std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", r[i]);
    s += buf;
  }
  return s;
}

}  // namespace

std::vector<HidInterfaceInfo> KitCollections(std::uint16_t pid) {
  return {Collection(pid, kControlCollection, 0xFF00, kControlReport, kControlLength, kControlLength),
          Collection(pid, kKeysCollection, 0x000C, 0x01, 3, 0),
          Collection(pid, kUpdateControlCollection, 0xFF02, kUpdateControlReport, kUpdateLength, kUpdateLength),
          Collection(pid, kUpdateDataCollection, 0xFF03, kUpdateDataReport, 0, kUpdateLength)};
}

KitHidDevice::KitHidDevice(std::string name, std::uint16_t product_id, std::string record_dir)
    : name_(std::move(name)), product_id_(product_id), record_dir_(std::move(record_dir)) {}

void KitHidDevice::Reply(std::size_t collection, HidReport report) {
  if (state_.silent || !port_) return;
  port_->Send(collection, std::move(report), state_.slow_ms);
}

void KitHidDevice::OnOutput(std::size_t collection, const HidReport& report) {
  switch (collection + 1) {
    case kControlCollection:
      OnControlReport(report);
      break;
    case kUpdateControlCollection:
      OnUpdateControl(report);
      break;
    case kUpdateDataCollection:
      OnUpdateData(report);
      break;
    default:
      break;
  }
}

void KitHidDevice::OnControlReport(const HidReport& r) {
  if (r.size() < 7 || r[0] != kControlReport) return;
  if (r[1] == 0x0A) {  // lighting: mode, speed, red, green, blue
    state_.lighting.push_back(r);
  } else if (r[1] == 0x0B && r[2] == 0x01) {  // status query
    HidReport reply(kControlLength, 0);
    reply[0] = kControlReport;
    reply[1] = 0x0B;
    reply[2] = static_cast<std::uint8_t>(state_.link);
    reply[3] = static_cast<std::uint8_t>(state_.charging);
    reply[4] = static_cast<std::uint8_t>(state_.battery_step);
    Reply(kControlCollection - 1, std::move(reply));
  } else if (r[1] == 0xFF && r[2] == 0xFF && r[3] == 0xFF && r[4] == 0xFF && r[5] == 0x01) {  // key acknowledged
    state_.virtual71 = r[6];
    ++state_.acknowledgements;
  } else if (r[1] == 0xFF && r[2] == 0x00 && r[3] == 0x00 && r[4] == 0x0A) {  // 7.1 state from the host
    state_.virtual71 = r[5];
  }
}

void KitHidDevice::OnUpdateControl(const HidReport& r) {
  if (r.size() < 3 || r[0] != kUpdateControlReport || r[1] != 0x55) return;
  state_.updating = true;
  state_.update_mode = r[2];
  state_.packets = 0;
  state_.image.clear();
  awaiting_resume_ = false;
  HidReport ack(kUpdateLength, 0);
  ack[0] = kUpdateControlReport;
  ack[1] = 0x02;
  ack[2] = 0x01;
  Reply(kUpdateControlCollection - 1, ack);
  // Ready to take data at full speed until the flash needs a pause; a device
  // that paces every packet lets the sender's first packet come unasked.
  if (state_.pace_every != 1) {
    HidReport stream(kUpdateLength, 0);
    stream[0] = kUpdateControlReport;
    stream[1] = 0x60;
    stream[2] = 0x00;
    Reply(kUpdateControlCollection - 1, stream);
  }
  ArmEndTimer();
}

void KitHidDevice::OnUpdateData(const HidReport& r) {
  if (!state_.updating || r.empty() || r[0] != kUpdateDataReport) return;
  ++state_.packets;
  const std::size_t n = std::min(r.size() - 1, kDataBytesPerPacket);
  state_.image.insert(state_.image.end(), r.begin() + 1, r.begin() + 1 + static_cast<std::ptrdiff_t>(n));
  if (state_.unplug_after_packets >= 0 && state_.packets >= state_.unplug_after_packets) {
    state_.updating = false;
    state_.unplug_after_packets = -1;
    if (port_) port_->SetPlugged(false);
    return;
  }
  if (state_.end_after_packets >= 0 && state_.packets >= state_.end_after_packets) {
    EndUpdate();
    return;
  }
  HidReport pace(kUpdateLength, 0);
  pace[0] = kUpdateControlReport;
  pace[1] = 0x60;
  bool send = false;
  if (state_.pace_every == 1) {
    pace[2] = 0xFF;
    send = true;
  } else if (awaiting_resume_) {
    pace[2] = 0x00;
    awaiting_resume_ = false;
    send = true;
  } else if (state_.pace_every > 1 && state_.packets % state_.pace_every == 0) {
    pace[2] = 0xFF;
    awaiting_resume_ = true;
    send = true;
  }
  if (send) Reply(kUpdateControlCollection - 1, pace);
  ArmEndTimer();
}

void KitHidDevice::ArmEndTimer() {
  if (!port_) return;
  const std::uint64_t id = ++end_timer_;
  port_->After(state_.end_gap_ms, [this, id] {
    if (id == end_timer_ && state_.updating) EndUpdate();
  });
}

void KitHidDevice::EndUpdate() {
  state_.updating = false;
  ++end_timer_;
  ++state_.updates_done;
  if (!record_dir_.empty()) {
    const std::string path = record_dir_ + "/" + name_ + ".firmware";
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd >= 0) {
      if (fchmod(fd, 0600) != 0 || write(fd, state_.image.data(), state_.image.size()) < 0) {
        // The record is for tests and people; the device's answer does not depend on it.
      }
      close(fd);
    }
  }
  HidReport end(kUpdateLength, 0);
  end[0] = kUpdateControlReport;
  end[1] = 0x01;
  end[2] = static_cast<std::uint8_t>(state_.result_code);
  Reply(kUpdateControlCollection - 1, std::move(end));
}

std::string KitHidDevice::Describe() const {
  std::ostringstream s;
  s << "link=" << state_.link << " charging=" << state_.charging << " battery=" << state_.battery_step
    << " virtual71=" << state_.virtual71 << " presses=" << state_.key_presses << " acks=" << state_.acknowledgements
    << " lighting=" << state_.lighting.size() << " silent=" << (state_.silent ? 1 : 0) << " slow=" << state_.slow_ms
    << " updating=" << (state_.updating ? 1 : 0) << " mode=" << state_.update_mode << " packets=" << state_.packets
    << " bytes=" << state_.image.size() << " updates=" << state_.updates_done << "\n";
  return s.str();
}

std::string KitHidDevice::Control(const std::vector<std::string>& w) {
  const std::string cmd = w.empty() ? "" : w[0];
  int a = 0, b = 0, c = 0;
  if (cmd == "state" && w.size() == 1) return Describe();
  if (cmd == "press-71" && w.size() == 1) {
    HidReport key(kControlLength, 0);
    key[0] = kControlReport;
    key[1] = key[2] = key[3] = key[4] = 0xFF;
    key[5] = 0x01;
    ++state_.key_presses;
    // The key is the user's, not an answer: a silent device still sends it.
    if (port_) port_->Send(kControlCollection - 1, key, state_.slow_ms);
    return "ok";
  }
  if (cmd == "lighting" && w.size() == 1) {
    std::string out;
    for (const auto& r : state_.lighting) out += Hex(r) + "\n";
    return out;
  }
  if (cmd == "set-status" && w.size() == 4 && Number(w[1], 0, 255, &a) && Number(w[2], 0, 255, &b) &&
      Number(w[3], 0, 255, &c)) {
    state_.link = a;
    state_.charging = b;
    state_.battery_step = c;
    return "ok";
  }
  if (cmd == "silent" && w.size() == 2 && Number(w[1], 0, 1, &a)) {
    state_.silent = a != 0;
    return "ok";
  }
  if (cmd == "slow" && w.size() == 2 && Number(w[1], 0, 600000, &a)) {
    state_.slow_ms = a;
    return "ok";
  }
  if (cmd == "unplug-after-packets" && w.size() == 2 && Number(w[1], 0, 1 << 30, &a)) {
    state_.unplug_after_packets = a;
    return "ok";
  }
  if (cmd == "fw-pace" && w.size() == 2 && Number(w[1], 0, 1 << 30, &a)) {
    state_.pace_every = a;
    return "ok";
  }
  if (cmd == "fw-end-after" && w.size() == 2 && Number(w[1], 0, 1 << 30, &a)) {
    state_.end_after_packets = a;
    return "ok";
  }
  if (cmd == "fw-gap" && w.size() == 2 && Number(w[1], 1, 600000, &a)) {
    state_.end_gap_ms = a;
    return "ok";
  }
  if (cmd == "fw-result" && w.size() == 2 && Number(w[1], 0, 255, &a)) {
    state_.result_code = a;
    return "ok";
  }
  return "error: unknown or malformed command for " + name_ + ": '" + cmd + "'";
}

std::string PassiveHidDevice::Control(const std::vector<std::string>& words) {
  return "error: " + name_ + " takes no commands besides plug and unplug";
}

std::vector<std::shared_ptr<platform::sim::SimHidDevice>> DeskDevices() {
  auto make = [](std::uint16_t pid, int collection, std::uint16_t page, std::uint16_t usage,
                 std::vector<std::uint8_t> ids, std::uint16_t in, std::uint16_t out, const wchar_t* product) {
    HidInterfaceInfo c;
    c.vendor_id = 0x1D57;
    c.product_id = pid;
    c.interface_number = -1;
    c.collection = collection;
    c.usage_page = page;
    c.usage = usage;
    c.report_ids = std::move(ids);
    c.input_report_length = in;
    c.output_report_length = out;
    c.manufacturer = L"Desk";
    c.product = product;
    return c;
  };
  return {std::make_shared<PassiveHidDevice>(
              "keyboard", std::vector<HidInterfaceInfo>{make(0x0001, 1, 0x0001, 0x0006, {1}, 9, 2, L"Keyboard"),
                                                        make(0x0001, 2, 0x000C, 0x0001, {2}, 3, 0, L"Keyboard")}),
          std::make_shared<PassiveHidDevice>(
              "mouse", std::vector<HidInterfaceInfo>{make(0x0002, 0, 0x0001, 0x0002, {}, 5, 0, L"Mouse")})};
}

void AddKitMachineDevices(platform::sim::SimHidHost& host, const std::string& record_dir) {
  host.AddDevice(std::make_shared<KitHidDevice>("headset", kHeadsetProductId, record_dir));
  host.AddDevice(std::make_shared<KitHidDevice>("dongle", kDongleProductId, record_dir));
  for (auto& d : DeskDevices()) host.AddDevice(d);
}

}  // namespace oro::tools::sim
