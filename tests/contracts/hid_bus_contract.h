// What every HidBus adapter must do, run against each adapter through a
// harness. A harness that cannot run a case here says why, and the case is
// skipped with that reason.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "open_descriptors.h"
#include "oro/platform/hid_bus.h"

namespace oro::test {

using Report = std::vector<std::uint8_t>;

// The scripted collection a harness offers: report ID 0x07, 17-byte input and
// output reports; every output report is answered with an input report of the
// same bytes with byte 1 incremented.
constexpr std::uint8_t kScriptReportId = 0x07;
constexpr std::size_t kScriptReportLength = 17;

class HidBusHarness {
 public:
  virtual ~HidBusHarness() = default;
  // Empty when the adapter can run here.
  virtual std::string Unavailable() = 0;
  virtual platform::HidBus& Bus() = 0;
  // Empty when the harness has the scripted collection.
  virtual std::string ScriptUnavailable() = 0;
  virtual std::string ScriptedPath() = 0;
  virtual void SendInput(const Report& report) = 0;
  virtual void Unplug() = 0;
  // Output reports the scripted collection received, in order.
  virtual std::vector<Report> Outputs() = 0;
  // Open and close cycles of the descriptor check: enough to run out of
  // descriptors where a leak would (a Linux process has 1024).
  virtual int OpenCloseCycles() const { return 10000; }
};

// A harness over the machine's own bus: its devices belong to real hardware,
// which a test can neither script nor unplug, so those cases skip with `why`.
class HardwareHarness : public HidBusHarness {
 public:
  HardwareHarness(std::unique_ptr<platform::HidBus> bus, std::string why)
      : bus_(std::move(bus)), why_(std::move(why)) {}
  platform::HidBus& Bus() override { return *bus_; }
  std::string ScriptUnavailable() override { return why_; }
  std::string ScriptedPath() override { return ""; }
  void SendInput(const Report&) override {}
  void Unplug() override {}
  std::vector<Report> Outputs() override { return {}; }

 protected:
  std::unique_ptr<platform::HidBus> bus_;

 private:
  std::string why_;
};

using HarnessFactory = std::function<std::unique_ptr<HidBusHarness>()>;

struct NamedHarness {
  std::string name;
  HarnessFactory make;
};

inline void PrintTo(const NamedHarness& h, std::ostream* os) { *os << h.name; }

class HidBusContract : public ::testing::TestWithParam<NamedHarness> {
 protected:
  void SetUp() override {
    harness_ = GetParam().make();
    const std::string why = harness_->Unavailable();
    if (!why.empty()) GTEST_SKIP() << why;
  }
  // Skipping here only marks the case: the caller returns when IsSkipped().
  void NeedScript() {
    const std::string why = harness_->ScriptUnavailable();
    if (!why.empty()) GTEST_SKIP() << why;
  }
  platform::HidBus& Bus() { return harness_->Bus(); }

  std::unique_ptr<HidBusHarness> harness_;
};

inline Report ScriptReport(std::uint8_t tag, std::size_t size = kScriptReportLength) {
  Report r(size, 0);
  r[0] = kScriptReportId;
  for (std::size_t i = 1; i < size; ++i) r[i] = static_cast<std::uint8_t>(tag + i);
  return r;
}

inline std::unique_ptr<platform::HidConnection> OpenScripted(HidBusHarness& h) {
  std::unique_ptr<platform::HidConnection> c;
  EXPECT_EQ(h.Bus().Open(h.ScriptedPath(), &c), platform::err::kSuccess);
  return c;
}

TEST_P(HidBusContract, EnumerationDescribesEachCollection) {
  std::vector<platform::HidInterfaceInfo> all;
  ASSERT_EQ(Bus().Enumerate(&all), platform::err::kSuccess);
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
  const platform::HidInterfaceInfo* echo = nullptr;
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
  std::unique_ptr<platform::HidConnection> c;
  EXPECT_EQ(Bus().Open("/nonexistent/hid#col01", &c), platform::err::kFileNotFound);
  EXPECT_EQ(c, nullptr);
  EXPECT_NE(Bus().Open("", &c), platform::err::kSuccess);
}

TEST_P(HidBusContract, ReportsGoOutPaddedAndAnswersComeBackWhole) {
  NeedScript();
  if (IsSkipped()) return;
  auto c = OpenScripted(*harness_);
  ASSERT_NE(c, nullptr);
  const Report shortReport = {kScriptReportId, 0x40, 0x41};
  ASSERT_EQ(c->Write(shortReport.data(), shortReport.size(), 1000), platform::err::kSuccess);
  Report expected(kScriptReportLength, 0);
  expected[0] = kScriptReportId;
  expected[1] = 0x40;
  expected[2] = 0x41;
  std::uint8_t buf[64] = {};
  std::size_t got = 0;
  ASSERT_EQ(c->Read(buf, sizeof buf, 2000, &got), platform::err::kSuccess);
  ASSERT_EQ(got, kScriptReportLength);
  expected[1] = 0x41;
  EXPECT_EQ(Report(buf, buf + got), expected);
  expected[1] = 0x40;
  ASSERT_EQ(harness_->Outputs().size(), 1u);
  EXPECT_EQ(harness_->Outputs()[0], expected);

  const Report empty;
  const Report tooLong = ScriptReport(1, kScriptReportLength + 1);
  EXPECT_EQ(c->Write(empty.data(), 0, 100), platform::err::kInvalidParameter);
  EXPECT_EQ(c->Write(tooLong.data(), tooLong.size(), 100), platform::err::kInvalidParameter);
  EXPECT_EQ(harness_->Outputs().size(), 1u);
}

TEST_P(HidBusContract, ReadsWaitNoLongerThanAsked) {
  NeedScript();
  if (IsSkipped()) return;
  auto c = OpenScripted(*harness_);
  ASSERT_NE(c, nullptr);
  std::uint8_t buf[64];
  std::size_t got = 99;
  EXPECT_EQ(c->Read(buf, sizeof buf, 0, &got), platform::err::kTimeout);
  EXPECT_EQ(got, 0u);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(c->Read(buf, sizeof buf, 60, &got), platform::err::kTimeout);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
}

TEST_P(HidBusContract, EveryOpenerSeesAnInputReportAndNoMoreThanItsBufferHolds) {
  NeedScript();
  if (IsSkipped()) return;
  auto a = OpenScripted(*harness_);
  auto b = OpenScripted(*harness_);
  ASSERT_TRUE(a && b);
  const Report key = ScriptReport(0x10);
  harness_->SendInput(key);
  std::uint8_t whole[64] = {};
  std::size_t got = 0;
  ASSERT_EQ(a->Read(whole, sizeof whole, 2000, &got), platform::err::kSuccess);
  EXPECT_EQ(Report(whole, whole + got), key);
  std::uint8_t small[8];
  std::fill(std::begin(small), std::end(small), 0xEE);
  ASSERT_EQ(b->Read(small, 5, 2000, &got), platform::err::kSuccess);
  EXPECT_EQ(got, 5u);
  EXPECT_EQ(Report(small, small + 5), Report(key.begin(), key.begin() + 5));
  EXPECT_EQ(small[5], 0xEE);
}

TEST_P(HidBusContract, UnpluggingEndsAWaitingReadAndEveryLaterCall) {
  NeedScript();
  if (IsSkipped()) return;
  auto c = OpenScripted(*harness_);
  ASSERT_NE(c, nullptr);
  std::atomic<platform::ErrorCode> result{platform::err::kSuccess};
  std::thread reader([&] {
    std::uint8_t buf[64];
    std::size_t got = 0;
    result = c->Read(buf, sizeof buf, 10000, &got);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  harness_->Unplug();
  reader.join();
  EXPECT_EQ(result.load(), platform::err::kDeviceNotConnected);
  const Report r = ScriptReport(2);
  EXPECT_EQ(c->Write(r.data(), r.size(), 1000), platform::err::kDeviceNotConnected);
  std::vector<platform::HidInterfaceInfo> all;
  ASSERT_EQ(Bus().Enumerate(&all), platform::err::kSuccess);
  for (const auto& info : all) EXPECT_NE(info.path, harness_->ScriptedPath());
  std::unique_ptr<platform::HidConnection> again;
  EXPECT_NE(Bus().Open(harness_->ScriptedPath(), &again), platform::err::kSuccess);
}

TEST_P(HidBusContract, OpeningAndClosingLeavesNoDescriptorBehind) {
  std::vector<platform::HidInterfaceInfo> all;
  ASSERT_EQ(Bus().Enumerate(&all), platform::err::kSuccess);
  std::string path;
  for (const auto& info : all) {
    std::unique_ptr<platform::HidConnection> c;
    if (Bus().Open(info.path, &c) == platform::err::kSuccess) path = info.path;
    if (!path.empty()) break;
  }
  if (path.empty()) GTEST_SKIP() << "no interface here may be opened by this user";
  const std::size_t before = StableDescriptors();
  for (int i = 0; i < harness_->OpenCloseCycles(); ++i) {
    std::unique_ptr<platform::HidConnection> c;
    ASSERT_EQ(Bus().Open(path, &c), platform::err::kSuccess) << "cycle " << i;
  }
  EXPECT_EQ(DescriptorsOnceSettled(before), before);
}

}  // namespace oro::test
