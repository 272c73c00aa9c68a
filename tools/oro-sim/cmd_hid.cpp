// The simulated HID bus: serve it, stop it, list its devices, and drive the
// headset and the dongle (press the 7.1 key, read what they recorded, make
// them silent, slow or gone).
#include <cstdio>
#include <cstdlib>

#include "hid_host_process.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/sim/sim_hid_bus.h"
#include "oro/platform/sim/sim_hid_host.h"
#include "oro/tools/sim/kit_hid_devices.h"
#include "sim_cli.h"

namespace oro::tools::sim {
namespace {

namespace err = platform::err;
constexpr int kControlMs = 5000;

std::string BusDir() { return platform::sim::HidBusDir(platform::ResolveStatePaths(std::getenv("ORO_ROOT")).sim_dir); }

// Sends a command to the running host and prints its reply.
int Send(const std::string& line) {
  const std::string bus = BusDir();
  std::string reply;
  const auto rc = platform::sim::SendSimHidControl(bus, line, kControlMs, &reply);
  if (rc == err::kFileNotFound || rc == err::kDeviceNotConnected) {
    return Fail("no simulated HID bus runs in " + bus + "; start it with oro-sim create or oro-sim hid start");
  }
  if (rc != err::kSuccess) return FailCode("the simulated HID bus did not answer", rc);
  if (reply.rfind("error: ", 0) == 0) return Fail(reply.substr(7));
  if (reply != "ok") std::fputs(reply.c_str(), stdout);
  return 0;
}

}  // namespace

int CmdHid(const Args& args) {
  if (args.size() != 1) return UsageError("usage: oro-sim hid serve|start|stop|list");
  const std::string& what = args[0];
  const std::string bus = BusDir();
  if (what == "serve") {
    platform::sim::SimHidHost host(bus);
    AddKitMachineDevices(host, bus);
    const auto rc = host.Run();
    if (rc == err::kAlreadyExists) return Fail("a simulated HID bus already runs in " + bus);
    return rc ? FailCode("cannot serve the simulated HID bus in " + bus, rc) : 0;
  }
  if (what == "start") {
    std::string message;
    if (const auto rc = StartHidHost(bus, &message)) return FailCode(message, rc);
    return 0;
  }
  if (what == "stop") {
    if (const auto rc = StopHidHost(bus)) return FailCode("the simulated HID bus did not stop", rc);
    return 0;
  }
  if (what == "list") return Send("list");
  return UsageError("unknown hid command '" + what + "'; use serve, start, stop or list");
}

int CmdHidDevice(const std::string& device, const Args& args) {
  if (args.empty()) return UsageError("usage: oro-sim " + device + " COMMAND (see oro-sim " + device + " --help)");
  std::string line = device;
  for (const auto& a : args) {
    // One command travels as one line of words.
    if (a.find_first_of(" \t\n") != std::string::npos || a.empty()) return UsageError("'" + a + "' is not one word");
    line += " " + a;
  }
  return Send(line);
}

}  // namespace oro::tools::sim
