// oroctl init and oroctl uninit: the library's set-up and removal, through
// its exports as the panel and the kit's removal call them.
#include <cstdio>
#include <string>

#include "command.h"
#include "oro_ecd_api.h"

namespace oro::tools {
namespace {

constexpr const char* kInitUsage =
    "usage: oroctl init\n"
    "Creates the kit's key, installs the kit's effects on the supported devices that are plugged in,\n"
    "records this program's folder as InstallPath and creates missing parameter blocks.";
constexpr const char* kUninitUsage =
    "usage: oroctl uninit\n"
    "Ends the audio engine, unregisters the processing object beside this program, removes the kit's\n"
    "effects from the supported devices' endpoints and deletes the parameter blocks and InstallPath.\n"
    "Exit status: 0 done, 1 failed (nothing is changed when the processing object cannot be unregistered).";

int Init(const Args& args) {
  if (!args.empty()) return UsageError("init takes no arguments");
  init();
  std::printf("set up\n");
  return 0;
}

int Uninit(const Args& args) {
  if (!args.empty()) return UsageError("uninit takes no arguments");
  const int32_t result = unInit();
  if (result == ORO_ERR_UNREGISTER) {
    return Fail("the processing object beside this program could not be unregistered; nothing was changed");
  }
  if (result != ORO_OK) return Fail("the settings store failed; see the debug output");
  std::printf("removed\n");
  return 0;
}

const CommandRegistrar kInitRegistrar{{"init", "set the kit up as the panel does at start", Init, kInitUsage}};
const CommandRegistrar kUninitRegistrar{
    {"uninit", "remove the kit's effects, blocks and install path", Uninit, kUninitUsage}};

}  // namespace
}  // namespace oro::tools
