// The HidBus contract, run on the simulated bus (with a scripted device in
// this process) and on hidraw (when this machine has hidraw nodes).
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "hid_bus_contract.h"
#include "oro/platform/linux/host_adapters.h"
#include "oro/platform/sim/sim_hid_bus.h"
#include "oro/platform/sim/sim_hid_host.h"
#include "temp_root.h"

namespace oro::test {
namespace {

namespace err = platform::err;
using platform::HidConnection;
using platform::HidInterfaceInfo;

// The scripted collection as a simulated device.
class EchoDevice final : public platform::sim::SimHidDevice {
 public:
  std::string Name() const override { return "echo"; }
  std::vector<HidInterfaceInfo> Collections() const override {
    HidInterfaceInfo c;
    c.vendor_id = 0x1234;
    c.product_id = 0x5678;
    c.interface_number = 1;
    c.collection = 2;
    c.usage_page = 0xFF10;
    c.usage = 0x0001;
    c.report_ids = {kScriptReportId};
    c.input_report_length = kScriptReportLength;
    c.output_report_length = kScriptReportLength;
    c.product = L"Echo";
    return {c};
  }
  void Attach(platform::sim::SimHidPort* port) override { port_ = port; }
  void OnOutput(std::size_t collection, const Report& report) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      outputs_.push_back(report);
    }
    Report reply = report;
    if (reply.size() > 1) ++reply[1];
    port_->Send(collection, reply, 0);
  }
  std::string Control(const std::vector<std::string>& words) override {
    if (words.size() == 1 && words[0] == "send") port_->Send(0, pending_, 0);
    return "ok";
  }
  std::vector<Report> Outputs() {
    std::lock_guard<std::mutex> lock(mutex_);
    return outputs_;
  }
  Report pending_;

 private:
  platform::sim::SimHidPort* port_ = nullptr;
  std::mutex mutex_;
  std::vector<Report> outputs_;
};

class SimHarness final : public HidBusHarness {
 public:
  SimHarness() : dir_(platform::sim::HidBusDir(root_.Path() + "/sim")), host_(dir_) {
    echo_ = std::make_shared<EchoDevice>();
    host_.AddDevice(echo_);
    start_ = host_.Start();
    if (start_ != err::kSuccess) ADD_FAILURE() << "the simulated bus did not start: " << start_;
    bus_ = platform::sim::MakeSimHidBus(dir_);
  }
  std::string Unavailable() override { return ""; }
  platform::HidBus& Bus() override { return *bus_; }
  std::string ScriptUnavailable() override { return ""; }
  std::string ScriptedPath() override { return dir_ + "/echo-1-2.sock"; }
  void SendInput(const Report& report) override {
    // The device's own thread sends; the control call waits until it has.
    echo_->pending_ = report;
    host_.Control("echo send");
  }
  void Unplug() override { host_.Control("echo unplug"); }
  std::vector<Report> Outputs() override { return echo_->Outputs(); }

 private:
  TempRoot root_;
  std::string dir_;
  platform::sim::SimHidHost host_;
  std::shared_ptr<EchoDevice> echo_;
  platform::ErrorCode start_;
  std::unique_ptr<platform::HidBus> bus_;
};

class HidrawHarness final : public HardwareHarness {
 public:
  HidrawHarness()
      : HardwareHarness(platform::linux_host::MakeHidrawBus(),
                        "hidraw nodes belong to real hardware, which cannot be scripted or unplugged by a test") {}
  std::string Unavailable() override {
    std::vector<HidInterfaceInfo> all;
    if (bus_->Enumerate(&all) != err::kSuccess || all.empty()) return "no hidraw devices on this machine";
    return "";
  }
};

INSTANTIATE_TEST_SUITE_P(Adapters, HidBusContract,
                         ::testing::Values(NamedHarness{"sim", [] { return std::make_unique<SimHarness>(); }},
                                           NamedHarness{"hidraw", [] { return std::make_unique<HidrawHarness>(); }}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace oro::test
