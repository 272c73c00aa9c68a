// The kit's simulated HID devices served in the test's own process, on a bus
// folder of the test's own state folder.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "oro/platform/sim/sim_hid_bus.h"
#include "oro/platform/sim/sim_hid_host.h"
#include "oro/tools/sim/kit_hid_devices.h"
#include "temp_root.h"

namespace oro::test {

class SimHidFixture : public ::testing::Test {
 protected:
  SimHidFixture()
      : sim_dir_(root_.Path() + "/sim"),
        bus_dir_(platform::sim::HidBusDir(sim_dir_)),
        host_(bus_dir_),
        bus_(platform::sim::MakeSimHidBus(bus_dir_)) {
    tools::sim::AddKitMachineDevices(host_, bus_dir_);
  }
  void SetUp() override { ASSERT_EQ(host_.Start(), platform::err::kSuccess); }
  void TearDown() override { host_.Stop(); }

  // A control command that must succeed; its reply.
  std::string Sim(const std::string& line) {
    const std::string reply = host_.Control(line);
    EXPECT_NE(reply.rfind("error:", 0), 0u) << line << ": " << reply;
    return reply;
  }

  TempRoot root_;
  std::string sim_dir_;
  std::string bus_dir_;
  platform::sim::SimHidHost host_;
  std::shared_ptr<platform::HidBus> bus_;
};

}  // namespace oro::test
