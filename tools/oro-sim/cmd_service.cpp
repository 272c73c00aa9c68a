// oro-sim service: the simulated machine's services, their state, delays and
// failures.
#include <cstdio>
#include <string>

#include "oro/platform/service_host.h"
#include "oro/platform/service_manager.h"
#include "oro/platform/sim/sim_adapters.h"
#include "oro/platform/sim/sim_services.h"
#include "sim_cli.h"

namespace oro::tools::sim {
namespace {

using platform::sim::SimService;
using platform::sim::SimServices;
namespace svcstate = platform::svcstate;

const char* const kStateNames[] = {"",        "stopped",          "start-pending", "stop-pending",
                                   "running", "continue-pending", "pause-pending", "paused"};

bool ParseState(const std::string& text, std::uint32_t* state) {
  for (std::uint32_t s = svcstate::kStopped; s <= svcstate::kPaused; ++s) {
    if (text == kStateNames[s]) {
      *state = s;
      return true;
    }
  }
  return false;
}

int List(SimServices& services) {
  std::vector<SimService> all;
  if (auto rc = services.List(&all)) return FailCode("cannot read the services", rc);
  for (const auto& s : all) {
    std::string deps;
    for (const auto& d : s.depends_on) deps += (deps.empty() ? "" : ",") + Narrow(d);
    std::printf("%-22s %-16s start %ums stop %ums%s%s%s%s\n", Narrow(s.name).c_str(), kStateNames[s.state],
                s.start_delay_ms, s.stop_delay_ms, deps.empty() ? "" : " depends on ", deps.c_str(),
                s.start_failure || s.start_aborts ? " (start fails)" : "",
                s.stop_failure || s.stop_aborts ? " (stop fails)" : "");
  }
  return 0;
}

int Set(SimServices& services, const Args& args) {
  SimService s;
  if (auto rc = services.Load(Widen(args[1]), &s)) return FailCode("no service '" + args[1] + "'", rc);
  for (std::size_t i = 2; i + 1 < args.size(); i += 2) {
    const std::string& what = args[i];
    const std::string& value = args[i + 1];
    long n = 0;
    if (what == "state") {
      std::uint32_t state = 0;
      if (!ParseState(value, &state)) return UsageError("unknown state '" + value + "'");
      if (auto rc = services.ForceState(s.name, state)) return FailCode("cannot set the state", rc);
      if (auto rc = services.Load(s.name, &s)) return FailCode("cannot read the service", rc);
    } else if ((what == "start-delay" || what == "stop-delay") && ParseNumber(value, 0, 600000, &n)) {
      (what == "start-delay" ? s.start_delay_ms : s.stop_delay_ms) = static_cast<std::uint32_t>(n);
    } else if ((what == "start-fails" || what == "stop-fails") && ParseNumber(value, 0, 0xFFFF, &n)) {
      (what == "start-fails" ? s.start_failure : s.stop_failure) = static_cast<std::uint32_t>(n);
    } else if ((what == "start-aborts" || what == "stop-aborts") && (value == "0" || value == "1")) {
      (what == "start-aborts" ? s.start_aborts : s.stop_aborts) = value == "1";
    } else {
      return UsageError("cannot set " + what + " to '" + value + "'");
    }
  }
  if ((args.size() - 2) % 2 != 0) return UsageError("set takes pairs of WHAT VALUE");
  if (auto rc = services.Configure(s)) return FailCode("cannot change " + args[1], rc);
  return 0;
}

}  // namespace

int CmdStarted(const Args& args) {
  if (!args.empty()) return UsageError("started takes no arguments");
  Session session;
  if (int rc = OpenSession(&session)) return rc;
  std::vector<std::wstring> starts;
  if (auto rc = platform::sim::ReadSessionStarts(*session.platform.registry, &starts)) {
    return FailCode("cannot read the machine's processes", rc);
  }
  for (const auto& line : starts) std::printf("%s\n", Narrow(line).c_str());
  return 0;
}

int CmdService(const Args& args) {
  if (args.empty()) return UsageError("service needs an operation: list, start, stop or set");
  Session session;
  if (int rc = OpenSession(&session)) return rc;
  SimServices services(*session.platform.registry, platform::SystemClock(), session.platform.paths.state_dir);
  const std::string& op = args[0];
  if (op == "list" && args.size() == 1) return List(services);
  if (args.size() < 2) return UsageError("service " + op + " needs a service name");
  const std::wstring name = Widen(args[1]);
  if (op == "start" && args.size() == 2) {
    if (auto rc = services.Start(name)) return FailCode("cannot start " + args[1], rc);
    return 0;
  }
  if (op == "stop" && args.size() == 2) {
    std::uint32_t state = 0;
    if (auto rc = services.Stop(name, &state)) return FailCode("cannot stop " + args[1], rc);
    return 0;
  }
  if (op == "control" && args.size() == 3) {
    const std::uint32_t control = args[2] == "stop"          ? platform::svccontrol::kStop
                                  : args[2] == "interrogate" ? platform::svccontrol::kInterrogate
                                  : args[2] == "shutdown"    ? platform::svccontrol::kShutdown
                                                             : 0;
    if (!control) return UsageError("control is stop, interrogate or shutdown");
    if (auto rc = services.SendControl(name, control, nullptr)) return FailCode("cannot send it to " + args[1], rc);
    return 0;
  }
  if (op == "set" && args.size() >= 4) return Set(services, args);
  return UsageError("unknown service operation or wrong number of arguments");
}

}  // namespace oro::tools::sim
