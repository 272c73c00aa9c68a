// The kit's devices on the simulated HID bus: the headset and its wireless
// dongle as the device would behave (status, lighting, the 7.1 key and the
// firmware update), and passive devices that fill the bus the way a desk's
// keyboard and mouse do.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "oro/platform/sim/sim_hid_host.h"
#include "oro/tools/sim/kit_machine.h"

namespace oro::tools::sim {

using platform::HidInterfaceInfo;
using platform::sim::HidReport;

// The HID interface of the headset and the dongle, and its collections.
constexpr int kKitInterface = 3;
constexpr int kControlCollection = 1;        // report 0x02, 65-byte reports both ways
constexpr int kKeysCollection = 2;           // consumer keys, report 0x01
constexpr int kUpdateControlCollection = 3;  // report 0x55, 64 bytes both ways
constexpr int kUpdateDataCollection = 4;     // report 0x41, 64 bytes out

std::vector<HidInterfaceInfo> KitCollections(std::uint16_t product_id);

// What the simulated headset (or dongle) has seen and how it behaves; every
// field can be read and changed through its control commands.
struct KitDeviceState {
  // Answers to the status query.
  int link = 1;
  int charging = 0;
  int battery_step = 6;
  // Virtual 7.1 as the last acknowledgement or broadcast set it.
  int virtual71 = 0;
  int key_presses = 0;
  int acknowledgements = 0;
  std::vector<HidReport> lighting;  // every lighting command, whole report
  // Faults to test with: no replies at all, replies late, gone after some
  // firmware packets.
  bool silent = false;
  int slow_ms = 0;
  int unplug_after_packets = -1;
  // Firmware update: pace every N packets (1: every packet, 0: never), end
  // after this gap without packets, or after N packets, with this result.
  int pace_every = 32;
  int end_gap_ms = 200;
  int end_after_packets = -1;
  int result_code = 0;
  bool updating = false;
  int update_mode = -1;
  int packets = 0;
  std::vector<std::uint8_t> image;
  int updates_done = 0;
};

class KitHidDevice final : public platform::sim::SimHidDevice {
 public:
  // name: "headset" or "dongle". A finished firmware image is written to
  // record_dir/<name>.firmware (0600) when record_dir is not empty.
  KitHidDevice(std::string name, std::uint16_t product_id, std::string record_dir);

  std::string Name() const override { return name_; }
  std::vector<HidInterfaceInfo> Collections() const override { return KitCollections(product_id_); }
  void Attach(platform::sim::SimHidPort* port) override { port_ = port; }
  void OnOutput(std::size_t collection, const HidReport& report) override;
  std::string Control(const std::vector<std::string>& words) override;

  // For a host on the caller's own thread only after it stopped; others use
  // the "state" command.
  const KitDeviceState& State() const { return state_; }

 private:
  void Reply(std::size_t collection, HidReport report);
  void OnControlReport(const HidReport& report);
  void OnUpdateControl(const HidReport& report);
  void OnUpdateData(const HidReport& report);
  void ArmEndTimer();
  void EndUpdate();
  std::string Describe() const;

  std::string name_;
  std::uint16_t product_id_;
  std::string record_dir_;
  platform::sim::SimHidPort* port_ = nullptr;
  KitDeviceState state_;
  bool awaiting_resume_ = false;
  std::uint64_t end_timer_ = 0;
};

// A device that only sits on the bus: its collections enumerate and open, its
// reports are taken and nothing answers.
class PassiveHidDevice final : public platform::sim::SimHidDevice {
 public:
  PassiveHidDevice(std::string name, std::vector<HidInterfaceInfo> collections)
      : name_(std::move(name)), collections_(std::move(collections)) {}
  std::string Name() const override { return name_; }
  std::vector<HidInterfaceInfo> Collections() const override { return collections_; }
  void Attach(platform::sim::SimHidPort*) override {}
  void OnOutput(std::size_t, const HidReport&) override {}
  std::string Control(const std::vector<std::string>& words) override;

 private:
  std::string name_;
  std::vector<HidInterfaceInfo> collections_;
};

// A keyboard of one interface and two collections (keys, consumer keys) and a
// mouse of one collection: the desk every machine has.
std::vector<std::shared_ptr<platform::sim::SimHidDevice>> DeskDevices();

// The machine oro-sim brings up: headset, dongle and the desk devices.
void AddKitMachineDevices(platform::sim::SimHidHost& host, const std::string& record_dir);

}  // namespace oro::tools::sim
