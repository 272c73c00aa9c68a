#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "oro/platform/linux/host_adapters.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/pulse/pulse_audio_system.h"
#include "oro/platform/sim/sim_adapters.h"
#include "oro/platform/sim/sim_hid_bus.h"
#include "oro/platform/sqlite/sqlite_registry_store.h"

namespace oro::platform {

Platform MakePlatform(Profile profile, const StatePaths& paths) {
  Platform p;
  p.profile = profile;
  p.paths = paths;
  p.registry = std::make_shared<sqlite::SqliteRegistryStore>(paths.registry_db);
  p.debug = linux_host::MakeSyslogDebugOutput();
  p.objects = MakeNamedObjects(paths);
  p.dialogs = linux_host::MakeConsoleDialogs(p.debug);
  p.modules = linux_host::MakeDlModuleLoader();
  if (profile == Profile::kSim) {
    p.audio = sim::MakeSimAudioSystem(p.registry);
    p.system = sim::MakeSimSystemInfo(p.registry);
    p.hid = sim::MakeSimHidBus(sim::HidBusDir(paths.sim_dir));
  } else {
    p.audio = pulse::MakePulseAudioSystem();
    p.system = linux_host::MakeLinuxSystemInfo();
    p.hid = linux_host::MakeHidrawBus();
  }
  return p;
}

std::unique_ptr<NamedObjects> MakeNamedObjects(const StatePaths& paths) {
  return linux_host::MakeFileNamedObjects(paths.run_dir);
}

Profile ProfileFromEnvironment() {
  const char* name = std::getenv("ORO_PLATFORM");
  if (!name || !*name || std::strcmp(name, "host") == 0) return Profile::kHost;
  if (std::strcmp(name, "sim") == 0) return Profile::kSim;
  throw std::invalid_argument(std::string("ORO_PLATFORM=") + name + " is not known; use host or sim");
}

Platform MakePlatformFromEnvironment() {
  return MakePlatform(ProfileFromEnvironment(), ResolveStatePaths(std::getenv("ORO_ROOT")));
}

}  // namespace oro::platform
