// Adapters of the simulated machine: its state lives in the settings store of
// the ORO_ROOT in use, so every process of the kit sees the same machine.
#pragma once

#include <memory>

#include "oro/platform/audio_system.h"
#include "oro/platform/registry_store.h"
#include "oro/platform/system_info.h"

namespace oro::platform::sim {

// Endpoints kept under HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\MMDevices\Audio.
std::unique_ptr<AudioSystem> MakeSimAudioSystem(std::shared_ptr<RegistryStore> store);

// Locale, temporary folder and OS version of the simulated machine (the OS
// version is configurable so the older layout can be exercised).
std::unique_ptr<SystemInfo> MakeSimSystemInfo(std::shared_ptr<RegistryStore> store);

}  // namespace oro::platform::sim
