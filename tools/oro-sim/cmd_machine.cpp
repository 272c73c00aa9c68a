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
  if (int rc = OpenSession(&session, /*allow_incomplete=*/true)) return rc;
  SimMachine& machine = *session.machine;
  const std::string& state_dir = session.platform.paths.state_dir;
  if (machine.Exists() && !force) {
    if (machine.Incomplete()) return Fail(IncompleteMachine(state_dir));
    return Fail("a simulated machine already exists in " + state_dir + "; add --force to replace it");
  }
  // Marked incomplete before anything changes and whole only at the end: a
  // create killed half-way leaves a machine every other command refuses.
  if (auto rc = machine.BeginBuild()) return FailCode("cannot start building the machine in " + state_dir, rc);
  if (auto rc = machine.Clear()) return FailCode("cannot remove the existing machine", rc);
  // The machine's temporary folder lives in the state folder, so that what
  // the kit downloads or unpacks there goes away with it. It is the owner's
  // alone, whatever the umask.
  namespace fs = std::filesystem;
  const std::string temp = session.platform.paths.sim_dir + "/tmp/";
  std::error_code ec;
  fs::create_directories(temp, ec);
  for (const std::string& dir : {session.platform.paths.sim_dir, temp}) {
    if (!ec) fs::permissions(dir, fs::perms::owner_all, ec);
  }
  if (ec) return Fail("cannot create the temporary folder " + temp + ": " + ec.message());
  if (auto rc = CreateKitMachine(machine, Widen(temp), os_version)) {
    return FailCode("cannot create the simulated machine in " + state_dir, rc);
  }
  platform::sim::SimServices services(*session.platform.registry, platform::SystemClock());
  if (auto rc = CreateKitServices(services)) return FailCode("cannot create the simulated services", rc);
  if (auto rc = machine.FinishBuild()) return FailCode("cannot finish the machine in " + state_dir, rc);
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
