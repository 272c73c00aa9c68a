// Which adapters a process gets: ORO_PLATFORM, ORO_ROOT and ORO_DIALOGS, read once.
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "oro/platform/make_platform.h"

namespace oro::platform {

Profile ProfileFromEnvironment() {
  const char* name = std::getenv("ORO_PLATFORM");
  if (!name || !*name || std::strcmp(name, "host") == 0) return Profile::kHost;
  if (std::strcmp(name, "sim") == 0) return Profile::kSim;
  throw std::invalid_argument(std::string("ORO_PLATFORM=") + name + " is not known; use host or sim");
}

bool ConsoleDialogsRequested() {
  const char* choice = std::getenv("ORO_DIALOGS");
  return choice && std::strcmp(choice, "console") == 0;
}

Platform MakePlatformFromEnvironment() {
  const char* dialogs = std::getenv("ORO_DIALOGS");
  if (dialogs && *dialogs && std::strcmp(dialogs, "console") != 0) {
    throw std::invalid_argument(
        std::string("ORO_DIALOGS=") + dialogs +
        " is not known; use console, or leave it unset for message boxes where a user sees them");
  }
  return MakePlatform(ProfileFromEnvironment(), ResolveStatePaths(std::getenv("ORO_ROOT")));
}

std::unique_ptr<RegistryStore> MakeRegistryStoreFromEnvironment() {
  return MakeRegistryStore(ProfileFromEnvironment(), ResolveStatePaths(std::getenv("ORO_ROOT")));
}

}  // namespace oro::platform
