#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "oro/platform/console_dialogs.h"
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
  auto store = std::make_shared<sqlite::SqliteRegistryStore>(paths.registry_db);
  p.registry = store;
  p.debug = linux_host::MakeSyslogDebugOutput();
  p.objects = MakeNamedObjects(paths);
  p.dialogs = MakeConsoleDialogs(p.debug);
  p.modules = linux_host::MakeDlModuleLoader();
  if (profile == Profile::kSim) {
    std::weak_ptr<sqlite::SqliteRegistryStore> weak = store;
    p.audio = sim::MakeSimAudioSystem(p.registry, [weak](std::uint64_t* stamp) {
      auto s = weak.lock();
      return s ? s->ChangeStamp(stamp) : err::kInvalidHandle;
    });
    p.system = sim::MakeSimSystemInfo(p.registry);
    p.processes = sim::MakeSimProcessTable(p.registry, paths.state_dir);
    p.services = sim::MakeSimServiceManager(p.registry, SystemClock(), paths.state_dir);
    p.service_host = sim::MakeSimServiceHost(p.registry, paths.registry_db);
    p.hid = sim::MakeSimHidBus(sim::HidBusDir(paths.sim_dir));
  } else {
    p.audio = pulse::MakePulseAudioSystem();
    p.system = linux_host::MakeLinuxSystemInfo();
    p.hid = linux_host::MakeHidrawBus();
    std::weak_ptr<RegistryStore> weak_store = p.registry;
    p.processes = linux_host::MakeHostProcessTable([weak_store] {
      auto s = weak_store.lock();
      return s && s->CurrentCaller().administrator;
    });
    p.services = linux_host::MakeSystemdServiceManager(p.registry);
    p.service_host = linux_host::MakeSystemdServiceHost();
  }
  return p;
}

// Both profiles keep their settings in the state folder's store.
std::unique_ptr<RegistryStore> MakeRegistryStore(Profile, const StatePaths& paths) {
  return std::make_unique<sqlite::SqliteRegistryStore>(paths.registry_db);
}

std::unique_ptr<NamedObjects> MakeNamedObjects(const StatePaths& paths) {
  return linux_host::MakeFileNamedObjects(paths.run_dir);
}

}  // namespace oro::platform
