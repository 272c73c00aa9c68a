// oroctl service restart: a service with its running dependents, showing
// each stop and start as it happens.
#include <cstdio>
#include <string>

#include "command.h"
#include "oro/common/service_control.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/text.h"

namespace oro::tools {
namespace {

constexpr const char* kUsage =
    "usage: oroctl service restart NAME\n\n"
    "Stops the running services that depend on NAME, then NAME, and starts them again in\n"
    "reverse, within 30 seconds in all. On the simulated machine the services are oro-sim's.";

int Run(const Args& args) {
  if (args.size() != 2 || args[0] != "restart") return UsageError(std::string(kUsage));
  platform::Platform p = platform::MakePlatformFromEnvironment();
  if (!p.services) return Fail("this platform has no service manager");
  common::ServiceControl control(*p.services);
  control.SetProgress([](common::ServiceStep step, const std::wstring& name) {
    static const char* const kWords[] = {"stopping", "stopped", "starting", "started"};
    std::printf("%s %s\n", kWords[static_cast<int>(step)], platform::ToUtf8(name).c_str());
    std::fflush(stdout);
  });
  try {
    control.RestartServiceWithDependents(platform::FromUtf8(args[1]));
  } catch (const common::ServiceException& e) {
    return Fail(platform::ToUtf8(e.Message()));
  }
  return 0;
}

const CommandRegistrar kRegistrar{{"service", "restart a service with the services that depend on it", Run, kUsage}};

}  // namespace
}  // namespace oro::tools
