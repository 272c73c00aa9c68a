// Adapters of the simulated machine: its state lives in the settings store of
// the ORO_ROOT in use, so every process of the kit sees the same machine.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "oro/platform/audio_system.h"
#include "oro/platform/clock.h"
#include "oro/platform/process_table.h"
#include "oro/platform/registry_store.h"
#include "oro/platform/service_host.h"
#include "oro/platform/service_manager.h"
#include "oro/platform/system_info.h"

namespace oro::platform::sim {

// Endpoints kept under HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\MMDevices\Audio.
// Notifications come from a thread that re-reads the machine whenever
// change_stamp (a number that moves with every commit to the store, by any
// process) moves; without one it re-reads the machine on every poll.
std::unique_ptr<AudioSystem> MakeSimAudioSystem(std::shared_ptr<RegistryStore> store,
                                                std::function<ErrorCode(std::uint64_t*)> change_stamp = nullptr);

// Locale, temporary folder and OS version of the simulated machine (the OS
// version is configurable so the older layout can be exercised).
std::unique_ptr<SystemInfo> MakeSimSystemInfo(std::shared_ptr<RegistryStore> store);

// Real processes, of which the machine sees only those started for its state
// folder (ORO_ROOT) in the sim profile; elevation and the console session
// are settings of the machine.
std::unique_ptr<ProcessTable> MakeSimProcessTable(std::shared_ptr<RegistryStore> store, const std::string& state_dir);
// Every program started in the console user's session, oldest first (the
// last 64): "session N pid P PROGRAM [ARGUMENTS]".
ErrorCode ReadSessionStarts(RegistryStore& store, std::vector<std::wstring>* out);

// Services under HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services (see
// sim_services.h); delays run on `clock`, which must outlive the manager.
// A service that names a program (an "ImagePath") runs it in state_dir's
// machine; without a state folder such a start fails with err::kNotSupported.
std::unique_ptr<ServiceManager> MakeSimServiceManager(std::shared_ptr<RegistryStore> store,
                                                      Clock& clock = SystemClock(), std::string state_dir = {});

// The service program's side: its name comes from ORO_SIM_SERVICE, set by
// the manager that started it; registry_db is the machine's store file,
// whose removal ends the machine (a shutdown control).
std::unique_ptr<ServiceHost> MakeSimServiceHost(std::shared_ptr<RegistryStore> store, const std::string& registry_db);

}  // namespace oro::platform::sim
