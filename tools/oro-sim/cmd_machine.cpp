// Commands on the machine as a whole: create it, set its OS version and locale.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "hid_host_process.h"
#include "oro/platform/sim/sim_hid_bus.h"
#include "oro/tools/sim/kit_machine.h"
#include "oro/tools/sim/kit_services.h"
#include "sim_cli.h"

namespace oro::tools::sim {

// "MAJOR.MINOR" as major << 16 | minor.
bool ParseVersion(const std::string& text, std::uint32_t* version) {
  const auto dot = text.find('.');
  long major = 0, minor = 0;
  if (dot == std::string::npos || !ParseNumber(text.substr(0, dot), 0, 0xFFFF, &major) ||
      !ParseNumber(text.substr(dot + 1), 0, 0xFFFF, &minor)) {
    return false;
  }
  *version = static_cast<std::uint32_t>(major << 16 | minor);
  return true;
}

int CmdCreate(const Args& args) {
  bool force = false;
  std::uint32_t os_version = kKitOsVersion;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--force") {
      force = true;
    } else if (args[i] == "--os-version" && i + 1 < args.size()) {
      if (!ParseVersion(args[++i], &os_version)) {
        return UsageError("'" + args[i] + "' is not a version MAJOR.MINOR with numbers 0 to 65535");
      }
    } else {
      return UsageError("create takes only --force and --os-version MAJOR.MINOR, not '" + args[i] + "'");
    }
  }
  Session session;
  if (int rc = OpenSession(&session)) return rc;
  SimMachine& machine = *session.machine;
  const std::string& state_dir = session.platform.paths.state_dir;
  if (machine.Exists()) {
    if (!force) return Fail("a simulated machine already exists in " + state_dir + "; add --force to replace it");
    if (auto rc = machine.Clear()) return FailCode("cannot remove the existing machine", rc);
  }
  // The machine's temporary folder lives in the state folder, so that what
  // the kit downloads or unpacks there goes away with it.
  const std::string temp = session.platform.paths.sim_dir + "/tmp/";
  std::error_code ec;
  std::filesystem::create_directories(temp, ec);
  if (ec) return Fail("cannot create the temporary folder " + temp + ": " + ec.message());
  if (auto rc = CreateKitMachine(machine, Widen(temp), os_version)) {
    return FailCode("cannot create the simulated machine in " + state_dir, rc);
  }
  platform::sim::SimServices services(*session.platform.registry, platform::SystemClock());
  if (auto rc = CreateKitServices(services)) return FailCode("cannot create the simulated services", rc);
  std::string message;
  if (auto rc = StartHidHost(platform::sim::HidBusDir(session.platform.paths.sim_dir), &message)) {
    return FailCode(message, rc);
  }
  std::printf(
      "created the simulated machine in %s: headset, dongle and onboard endpoints; defaults on the headset;\n"
      "services AudioSrv (with dependents BthHFSrv and QWAVE) and AudioEndpointBuilder, running;\n"
      "the headset and the dongle are on the simulated HID bus\n",
      state_dir.c_str());
  return 0;
}

int CmdOsVersion(const Args& args) {
  if (args.size() != 1) return UsageError("usage: os-version MAJOR.MINOR (for example 10.0 or 6.1)");
  std::uint32_t version = 0;
  if (!ParseVersion(args[0], &version)) {
    return UsageError("'" + args[0] + "' is not a version MAJOR.MINOR with numbers 0 to 65535");
  }
  Session session;
  if (int rc = OpenSession(&session)) return rc;
  if (auto rc = session.machine->SetOsVersion(version)) {
    return FailCode("cannot set the OS version", rc);
  }
  return 0;
}

int CmdLocale(const Args& args) {
  long lcid = 0;
  if (args.size() != 1 || !ParseNumber(args[0], 1, 0xFFFFF, &lcid)) {
    return UsageError("usage: locale LCID (a Windows locale id such as 2052 or 1033)");
  }
  Session session;
  if (int rc = OpenSession(&session)) return rc;
  if (auto rc = session.machine->SetLocaleId(static_cast<std::uint32_t>(lcid))) {
    return FailCode("cannot set the locale", rc);
  }
  return 0;
}

}  // namespace oro::tools::sim
