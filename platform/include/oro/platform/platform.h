// The set of adapters one process works with. It is chosen once per process
// from ORO_PLATFORM ("host" or "sim") and ORO_ROOT (make_platform.h, in
// oro_platform_select) and handed to the modules; tests build their own with
// fakes or with a temporary state folder.
#pragma once

#include <memory>
#include <string>

#include "oro/platform/audio_system.h"
#include "oro/platform/debug_output.h"
#include "oro/platform/dialogs.h"
#include "oro/platform/hid_bus.h"
#include "oro/platform/module_loader.h"
#include "oro/platform/named_objects.h"
#include "oro/platform/process_table.h"
#include "oro/platform/registry_store.h"
#include "oro/platform/service_host.h"
#include "oro/platform/service_manager.h"
#include "oro/platform/system_info.h"

namespace oro::platform {

enum class Profile { kHost, kSim };

// Where state lives: the settings store, runtime files (sections, locks,
// sockets) and the simulated machine's own files.
struct StatePaths {
  std::string state_dir;
  std::string registry_db;
  std::string run_dir;
  std::string sim_dir;
};

struct Platform {
  Profile profile = Profile::kHost;
  StatePaths paths;
  std::shared_ptr<RegistryStore> registry;
  std::shared_ptr<AudioSystem> audio;
  std::shared_ptr<DebugOutput> debug;
  std::shared_ptr<SystemInfo> system;
  std::shared_ptr<NamedObjects> objects;
  std::shared_ptr<ProcessTable> processes;
  std::shared_ptr<ServiceManager> services;
  // Only a service program uses it: its own side of the service manager.
  std::shared_ptr<ServiceHost> service_host;
  std::shared_ptr<HidBus> hid;
  std::shared_ptr<Dialogs> dialogs;
  std::shared_ptr<ModuleLoader> modules;
};

// Paths for a state folder: ORO_ROOT when given, else the system folders for
// root and the XDG folders for everybody else.
StatePaths ResolveStatePaths(const char* oro_root);

}  // namespace oro::platform
