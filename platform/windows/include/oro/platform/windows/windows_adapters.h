// Windows adapters: the system's own services behind each port.
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

namespace oro::platform::windows_host {

// OutputDebugStringW, plus a UTF-8 line appended to the file ORO_DEBUG_LOG names.
std::unique_ptr<DebugOutput> MakeDebugStringOutput();

// The user's default locale, GetTempPathW and the kernel's own version.
std::unique_ptr<SystemInfo> MakeWindowsSystemInfo();

// LoadLibraryExW of a file only its owner, SYSTEM or the administrators may change.
std::unique_ptr<ModuleLoader> MakeWindowsModuleLoader();

// MessageBoxW with no owner, an OK button and the icon asked for, topmost and
// brought to the foreground; the same line goes to `debug` first. A box that
// cannot be made (no desktop to show it on) becomes a line on standard error.
// It waits for the user's answer: only for a process OnVisibleWindowStation.
std::unique_ptr<Dialogs> MakeMessageBoxDialogs(std::shared_ptr<DebugOutput> debug);

// True when the process's window station is the interactive, visible one (a
// user's desktop); a service's never is.
bool OnVisibleWindowStation();

}  // namespace oro::platform::windows_host

namespace oro::platform::windows_host {

// The registry through advapi32, always in the 64-bit view, with key security.
std::unique_ptr<RegistryStore> MakeWindowsRegistryStore();

// Named file mappings and mutexes. An empty scope gives the kit's names as
// they are (the machine's own state); any other scope, a state folder's
// runtime folder, gets names of its own, shared by every process of that scope.
std::unique_ptr<NamedObjects> MakeWindowsNamedObjects(const std::string& scope);

// Toolhelp snapshots, CreateProcessW, the token's elevation, the console session.
std::unique_ptr<ProcessTable> MakeToolhelpProcessTable();

// The service control manager, and the service program's side of it (the dispatcher).
std::unique_ptr<ServiceManager> MakeScmServiceManager();
std::unique_ptr<ServiceHost> MakeScmServiceHost();

// Core Audio: endpoints, property stores, endpoint volume and notifications.
std::unique_ptr<AudioSystem> MakeCoreAudioSystem();

// HID interfaces through SetupAPI and the HID class driver, overlapped I/O.
std::unique_ptr<HidBus> MakeSetupApiHidBus();

}  // namespace oro::platform::windows_host
