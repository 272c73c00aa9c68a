// Picks the adapters of one process. Declared here rather than beside the
// ports, so only a target that links oro_platform_select (and with it every
// adapter) can call it.
#pragma once

#include <memory>

#include "oro/platform/platform.h"

namespace oro::platform {

// The profile ORO_PLATFORM names (host when unset); an unknown name throws
// std::invalid_argument with a message naming the accepted values.
Profile ProfileFromEnvironment();

// True when ORO_DIALOGS is "console": messages only go to standard error and
// the debug output, even where a message box could be shown. Other values
// count as unset here; MakePlatformFromEnvironment refuses them.
bool ConsoleDialogsRequested();

// Reads ORO_PLATFORM, ORO_ROOT and ORO_DIALOGS. An unknown profile name or
// ORO_DIALOGS value throws std::invalid_argument with a message naming the
// accepted values.
Platform MakePlatformFromEnvironment();
Platform MakePlatform(Profile profile, const StatePaths& paths);

// Only the settings store, for commands that need nothing else (oroctl reg):
// the profile is checked as MakePlatform checks it.
std::unique_ptr<RegistryStore> MakeRegistryStore(Profile profile, const StatePaths& paths);
std::unique_ptr<RegistryStore> MakeRegistryStoreFromEnvironment();

// Only the named objects of a state folder, for processes that share sections
// with the kit but never open its store (the stand-in processing object).
std::unique_ptr<NamedObjects> MakeNamedObjects(const StatePaths& paths);

}  // namespace oro::platform
