// oro-sim: the simulated machine the kit runs against in the sim profile.
// Its state lives in the settings store of the state folder (ORO_ROOT), so
// every process of the kit sees the same endpoints.
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

#include "sim_cli.h"

namespace {

struct Command {
  const char* name;
  const char* synopsis;
  int (*run)(const oro::tools::sim::Args&);
};

namespace s = oro::tools::sim;

constexpr Command kCommands[] = {
    {"create", "create [--force]", s::CmdCreate},
    {"list", "list [--json]", s::CmdList},
    {"add", "add FLOW --alias NAME --adapter TEXT [--description TEXT] [--usb VID:PID | --path TEXT] [--unplugged]",
     s::CmdAdd},
    {"plug", "plug ENDPOINT|FLOW [--keep-defaults]", s::CmdPlug},
    {"unplug", "unplug ENDPOINT|FLOW", s::CmdUnplug},
    {"default", "default FLOW ENDPOINT [--role console|multimedia|communications|all]", s::CmdDefault},
    {"volume", "volume FLOW|ENDPOINT PERCENT", s::CmdVolume},
    {"mute", "mute FLOW|ENDPOINT 0|1", s::CmdMute},
    {"os-version", "os-version MAJOR.MINOR", s::CmdOsVersion},
    {"locale", "locale LCID", s::CmdLocale},
};

void PrintUsage(std::FILE* out) {
  std::fprintf(out, "usage: oro-sim <command> [arguments]\n\ncommands:\n");
  for (const auto& c : kCommands) std::fprintf(out, "  %s\n", c.synopsis);
  std::fprintf(out,
               "\nENDPOINT is an endpoint id, its key name or an alias (headset-render, headset-capture,\n"
               "dongle-render, dongle-capture, onboard-render, onboard-capture). FLOW is render or capture:\n"
               "for volume and mute its default multimedia endpoint, for plug and unplug all its endpoints.\n"
               "The machine lives in the settings store of ORO_ROOT.\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  if (argc < 2) {
    PrintUsage(stderr);
    return s::kBadUsage;
  }
  const std::string name = argv[1];
  if (name == "-h" || name == "--help" || name == "help") {
    PrintUsage(stdout);
    return 0;
  }
  for (const auto& c : kCommands) {
    if (name == c.name) {
      try {
        return c.run(s::Args(argv + 2, argv + argc));
      } catch (const std::exception& e) {
        return s::Fail(std::string("unexpected failure: ") + e.what());
      }
    }
  }
  return s::UsageError("unknown command '" + name + "'");
}
