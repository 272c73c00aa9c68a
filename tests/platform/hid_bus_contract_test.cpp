// The HidBus contract, run on the simulated bus (with a scripted device in
// this process) and on hidraw (when this machine has hidraw nodes).
#include <dirent.h>

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

std::size_t OpenDescriptors() {
  std::size_t n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

// The simulated device runs in this process and closes its end of a
// connection when it notices the hang-up, a moment after the caller closed.
// Once the count holds still for a moment.
std::size_t StableDescriptors() {
  std::size_t n = OpenDescriptors();
  for (int i = 0; i < 100; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::size_t again = OpenDescriptors();
    if (again == n) break;
    n = again;
  }
  return n;
}

std::size_t DescriptorsOnceSettled(std::size_t expected) {
  std::size_t n = OpenDescriptors();
  for (int i = 0; i < 200 && n != expected; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    n = OpenDescriptors();
  }
  return n;
}

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

class HidrawHarness final : public HidBusHarness {
 public:
  HidrawHarness() : bus_(platform::linux_host::MakeHidrawBus()) {}
  std::string Unavailable() override {
    std::vector<HidInterfaceInfo> all;
    if (bus_->Enumerate(&all) != err::kSuccess || all.empty()) return "no hidraw devices on this machine";
    return "";
  }
  platform::HidBus& Bus() override { return *bus_; }
  std::string ScriptUnavailable() override {
    return "hidraw nodes belong to real hardware, which cannot be scripted or unplugged by a test";
  }
  std::string ScriptedPath() override { return ""; }
  void SendInput(const Report&) override {}
  void Unplug() override {}
  std::vector<Report> Outputs() override { return {}; }

 private:
  std::unique_ptr<platform::HidBus> bus_;
};

Report ScriptReport(std::uint8_t tag, std::size_t size = kScriptReportLength) {
  Report r(size, 0);
  r[0] = kScriptReportId;
  for (std::size_t i = 1; i < size; ++i) r[i] = static_cast<std::uint8_t>(tag + i);
  return r;
}

std::unique_ptr<HidConnection> OpenScripted(HidBusHarness& h) {
  std::unique_ptr<HidConnection> c;
  EXPECT_EQ(h.Bus().Open(h.ScriptedPath(), &c), err::kSuccess);
  return c;
}

TEST_P(HidBusContract, EnumerationDescribesEachCollection) {
  std::vector<HidInterfaceInfo> all;
  ASSERT_EQ(Bus().Enumerate(&all), err::kSuccess);
  ASSERT_FALSE(all.empty());
  for (const auto& info : all) {
    EXPECT_FALSE(info.path.empty());
    // Report lengths count the report ID byte, so a kind that exists is at
    // least 2 bytes long.
    for (auto len : {info.input_report_length, info.output_report_length, info.feature_report_length}) {
      EXPECT_TRUE(len == 0 || len >= 2) << info.path;
    }
  }
  if (!harness_->ScriptUnavailable().empty()) return;
  const HidInterfaceInfo* echo = nullptr;
  for (const auto& info : all) {
    if (info.path == harness_->ScriptedPath()) echo = &info;
  }
  ASSERT_NE(echo, nullptr);
  EXPECT_EQ(echo->vendor_id, 0x1234);
  EXPECT_EQ(echo->product_id, 0x5678);
  EXPECT_EQ(echo->interface_number, 1);
  EXPECT_EQ(echo->collection, 2);
  EXPECT_EQ(echo->usage_page, 0xFF10);
  EXPECT_EQ(echo->report_ids, std::vector<std::uint8_t>{kScriptReportId});
  EXPECT_EQ(echo->input_report_length, kScriptReportLength);
  EXPECT_EQ(echo->output_report_length, kScriptReportLength);
}

TEST_P(HidBusContract, OpeningWhatIsNotThereIsRefused) {
  std::unique_ptr<HidConnection> c;
  EXPECT_EQ(Bus().Open("/nonexistent/hid#col01", &c), err::kFileNotFound);
  EXPECT_EQ(c, nullptr);
  EXPECT_NE(Bus().Open("", &c), err::kSuccess);
}

TEST_P(HidBusContract, ReportsGoOutPaddedAndAnswersComeBackWhole) {
  NeedScript();
  auto c = OpenScripted(*harness_);
  ASSERT_NE(c, nullptr);
  const Report shortReport = {kScriptReportId, 0x40, 0x41};
  ASSERT_EQ(c->Write(shortReport.data(), shortReport.size(), 1000), err::kSuccess);
  Report expected(kScriptReportLength, 0);
  expected[0] = kScriptReportId;
  expected[1] = 0x40;
  expected[2] = 0x41;
  std::uint8_t buf[64] = {};
  std::size_t got = 0;
  ASSERT_EQ(c->Read(buf, sizeof buf, 2000, &got), err::kSuccess);
  ASSERT_EQ(got, kScriptReportLength);
  expected[1] = 0x41;
  EXPECT_EQ(Report(buf, buf + got), expected);
  expected[1] = 0x40;
  ASSERT_EQ(harness_->Outputs().size(), 1u);
  EXPECT_EQ(harness_->Outputs()[0], expected);

  const Report empty;
  const Report tooLong = ScriptReport(1, kScriptReportLength + 1);
  EXPECT_EQ(c->Write(empty.data(), 0, 100), err::kInvalidParameter);
  EXPECT_EQ(c->Write(tooLong.data(), tooLong.size(), 100), err::kInvalidParameter);
  EXPECT_EQ(harness_->Outputs().size(), 1u);
}

TEST_P(HidBusContract, ReadsWaitNoLongerThanAsked) {
  NeedScript();
  auto c = OpenScripted(*harness_);
  ASSERT_NE(c, nullptr);
  std::uint8_t buf[64];
  std::size_t got = 99;
  EXPECT_EQ(c->Read(buf, sizeof buf, 0, &got), err::kTimeout);
  EXPECT_EQ(got, 0u);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(c->Read(buf, sizeof buf, 60, &got), err::kTimeout);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
}

TEST_P(HidBusContract, EveryOpenerSeesAnInputReportAndNoMoreThanItsBufferHolds) {
  NeedScript();
  auto a = OpenScripted(*harness_);
  auto b = OpenScripted(*harness_);
  ASSERT_TRUE(a && b);
  const Report key = ScriptReport(0x10);
  harness_->SendInput(key);
  std::uint8_t whole[64] = {};
  std::size_t got = 0;
  ASSERT_EQ(a->Read(whole, sizeof whole, 2000, &got), err::kSuccess);
  EXPECT_EQ(Report(whole, whole + got), key);
  std::uint8_t small[8];
  std::fill(std::begin(small), std::end(small), 0xEE);
  ASSERT_EQ(b->Read(small, 5, 2000, &got), err::kSuccess);
  EXPECT_EQ(got, 5u);
  EXPECT_EQ(Report(small, small + 5), Report(key.begin(), key.begin() + 5));
  EXPECT_EQ(small[5], 0xEE);
}

TEST_P(HidBusContract, UnpluggingEndsAWaitingReadAndEveryLaterCall) {
  NeedScript();
  auto c = OpenScripted(*harness_);
  ASSERT_NE(c, nullptr);
  std::atomic<platform::ErrorCode> result{err::kSuccess};
  std::thread reader([&] {
    std::uint8_t buf[64];
    std::size_t got = 0;
    result = c->Read(buf, sizeof buf, 10000, &got);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  harness_->Unplug();
  reader.join();
  EXPECT_EQ(result.load(), err::kDeviceNotConnected);
  const Report r = ScriptReport(2);
  EXPECT_EQ(c->Write(r.data(), r.size(), 1000), err::kDeviceNotConnected);
  std::vector<HidInterfaceInfo> all;
  ASSERT_EQ(Bus().Enumerate(&all), err::kSuccess);
  for (const auto& info : all) EXPECT_NE(info.path, harness_->ScriptedPath());
  std::unique_ptr<HidConnection> again;
  EXPECT_NE(Bus().Open(harness_->ScriptedPath(), &again), err::kSuccess);
}

TEST_P(HidBusContract, OpeningAndClosingLeavesNoDescriptorBehind) {
  std::vector<HidInterfaceInfo> all;
  ASSERT_EQ(Bus().Enumerate(&all), err::kSuccess);
  std::string path;
  for (const auto& info : all) {
    std::unique_ptr<HidConnection> c;
    if (Bus().Open(info.path, &c) == err::kSuccess) path = info.path;
    if (!path.empty()) break;
  }
  if (path.empty()) GTEST_SKIP() << "no interface here may be opened by this user";
  const std::size_t before = StableDescriptors();
  for (int i = 0; i < 10000; ++i) {
    std::unique_ptr<HidConnection> c;
    ASSERT_EQ(Bus().Open(path, &c), err::kSuccess) << "cycle " << i;
  }
  EXPECT_EQ(DescriptorsOnceSettled(before), before);
}

INSTANTIATE_TEST_SUITE_P(Adapters, HidBusContract,
                         ::testing::Values(NamedHarness{"sim", [] { return std::make_unique<SimHarness>(); }},
                                           NamedHarness{"hidraw", [] { return std::make_unique<HidrawHarness>(); }}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace oro::test
