// oro_raduri: the audio service. "--install" and "--uninstall" register and
// remove it; any other start is the manager's, whose dispatcher it joins.
#include <cstdio>
#include <cstring>
#include <exception>

#include "oro/audio_service/service_runner.h"
#include "oro/audio_service/service_setup.h"
#include "oro/platform/console_dialogs.h"
#include "oro/platform/make_platform.h"

int main(int argc, char** argv) {
  const char* option = argc > 1 ? argv[1] : "";
  const bool install = std::strcmp(option, "--install") == 0;
  const bool uninstall = std::strcmp(option, "--uninstall") == 0;
  if (!install && !uninstall) {
    // The manager's start. Started by hand there is nothing to connect to,
    // and nothing is printed.
    try {
      oro::platform::Platform platform = oro::platform::MakePlatformFromEnvironment();
      // Nobody answers a service's box, whatever its window station says.
      platform.dialogs = oro::platform::MakeConsoleDialogs(platform.debug);
      oro::audio_service::RunService(platform);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "oro_raduri: %s\n", e.what());
    }
    return 0;
  }
  try {
    oro::platform::Platform platform = oro::platform::MakePlatformFromEnvironment();
    const std::string line = install ? oro::audio_service::Install(*platform.services, *platform.processes)
                                     : oro::audio_service::Uninstall(*platform.services, oro::platform::SystemClock());
    std::fputs(line.c_str(), stdout);
  } catch (const std::exception& e) {
    std::fprintf(stdout, "%s failed: %u\n", install ? "Install" : "Uninstall",
                 static_cast<unsigned>(oro::platform::err::kGenFailure));
    std::fprintf(stderr, "oro_raduri: %s\n", e.what());
  }
  return 0;
}
