// What every HidBus adapter must do, run against each adapter through a
// harness. A harness that cannot run a case here says why, and the case is
// skipped with that reason.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

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
  void NeedScript() {
    const std::string why = harness_->ScriptUnavailable();
    if (!why.empty()) GTEST_SKIP() << why;
  }
  platform::HidBus& Bus() { return harness_->Bus(); }

  std::unique_ptr<HidBusHarness> harness_;
};

}  // namespace oro::test
