// Linux host adapters.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "oro/platform/debug_output.h"
#include "oro/platform/hid_bus.h"
#include "oro/platform/module_loader.h"
#include "oro/platform/named_objects.h"
#include "oro/platform/process_table.h"
#include "oro/platform/registry_store.h"
#include "oro/platform/service_host.h"
#include "oro/platform/service_manager.h"
#include "oro/platform/system_info.h"

namespace oro::platform::linux_host {

// syslog (facility user, identity "orosound"), plus a line appended to the
// file named by ORO_DEBUG_LOG when that variable is set.
std::unique_ptr<DebugOutput> MakeSyslogDebugOutput();

// Locale from LC_ALL / LC_MESSAGES / LANG, temporary folder from TMPDIR.
std::unique_ptr<SystemInfo> MakeLinuxSystemInfo();

// Named sections and mutexes as files under run_dir (created 0750, group
// "audio" when it exists, so the audio engine's account can reach sections),
// mapped shared and held with open-file-description locks; an object lives
// while somebody holds it.
std::unique_ptr<NamedObjects> MakeFileNamedObjects(const std::string& run_dir);

// Processes from /proc. The kit's administrator is whoever administers its
// settings store (administers_store answers that) or root.
std::unique_ptr<ProcessTable> MakeHostProcessTable(std::function<bool()> administers_store);

// Services of systemd through systemctl. Which unit and which manager (the
// system's or the user's) stands for a service name is configuration in the
// store (see docs/ARCHITECTURE.md); without systemd, Connect fails with
// err::kRpcServerUnavailable.
std::unique_ptr<ServiceManager> MakeSystemdServiceManager(std::shared_ptr<RegistryStore> store);

// The service program's side of systemd: the notify socket of a Type=notify
// unit, SIGTERM as the stop control.
std::unique_ptr<ServiceHost> MakeSystemdServiceHost();

// HID interfaces as hidraw nodes (see hidraw_bus.cpp); opening one needs the
// rights the kit's udev rule gives the logged-in user.
std::unique_ptr<HidBus> MakeHidrawBus();
// dlopen of a regular file owned by the caller or root that nobody else may
// write, on a path whose folders nobody else may change.
std::unique_ptr<ModuleLoader> MakeDlModuleLoader();

}  // namespace oro::platform::linux_host
