// The kit's simulated HID devices served in the test's own process, on a bus
// folder of the test's own state folder.
#pragma once

#include <dirent.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

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

  static std::size_t OpenDescriptors() {
    std::size_t n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
      while (readdir(d)) ++n;
      closedir(d);
    }
    return n;
  }

  // The devices run in this process and close their end of a connection when
  // they notice the hang-up, a moment after the caller closed.
  // Once the count holds still for a moment.
  static std::size_t StableDescriptors() {
    std::size_t n = OpenDescriptors();
    for (int i = 0; i < 100; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      const std::size_t again = OpenDescriptors();
      if (again == n) break;
      n = again;
    }
    return n;
  }

  static std::size_t DescriptorsOnceSettled(std::size_t expected) {
    std::size_t n = OpenDescriptors();
    for (int i = 0; i < 200 && n != expected; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      n = OpenDescriptors();
    }
    return n;
  }

  TempRoot root_;
  std::string sim_dir_;
  std::string bus_dir_;
  platform::sim::SimHidHost host_;
  std::shared_ptr<platform::HidBus> bus_;
};

}  // namespace oro::test
