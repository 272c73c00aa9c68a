// Which adapters a process gets: ORO_PLATFORM and ORO_ROOT, read once.
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

Platform MakePlatformFromEnvironment() {
  return MakePlatform(ProfileFromEnvironment(), ResolveStatePaths(std::getenv("ORO_ROOT")));
}

std::unique_ptr<RegistryStore> MakeRegistryStoreFromEnvironment() {
  return MakeRegistryStore(ProfileFromEnvironment(), ResolveStatePaths(std::getenv("ORO_ROOT")));
}

}  // namespace oro::platform
