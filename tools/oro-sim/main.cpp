// oro-sim: the simulated machine the kit runs against in the sim profile.
// Its state lives in the settings store of the state folder (ORO_ROOT), so
// every process of the kit sees the same endpoints.
#include "oro/tools/cli/cli.h"
#include "sim_cli.h"

int main(int argc, char** argv) {
  namespace s = oro::tools::sim;
  oro::tools::cli::Program program;
  program.name = "oro-sim";
  program.commands = {
      {"create", "build the kit's demo machine", s::CmdCreate, "usage: oro-sim create [--force]"},
      {"list", "the endpoints, their state, volume and default roles", s::CmdList, "usage: oro-sim list [--json]"},
      {"add", "add an endpoint", s::CmdAdd,
       "usage: oro-sim add FLOW --alias NAME --adapter TEXT [--description TEXT] [--usb VID:PID | --path TEXT]\n"
       "                   [--unplugged]"},
      {"plug", "plug an endpoint in (it takes the default roles)", s::CmdPlug,
       "usage: oro-sim plug ENDPOINT|FLOW [--keep-defaults]"},
      {"unplug", "unplug an endpoint", s::CmdUnplug, "usage: oro-sim unplug ENDPOINT|FLOW"},
      {"default", "make an endpoint the default of its flow", s::CmdDefault,
       "usage: oro-sim default FLOW ENDPOINT [--role console|multimedia|communications|all]"},
      {"volume", "set an endpoint's master volume", s::CmdVolume, "usage: oro-sim volume FLOW|ENDPOINT PERCENT"},
      {"mute", "mute or unmute an endpoint", s::CmdMute, "usage: oro-sim mute FLOW|ENDPOINT 0|1"},
      {"os-version", "the system version the kit sees", s::CmdOsVersion,
       "usage: oro-sim os-version MAJOR.MINOR (for example 10.0 or 6.1)"},
      {"locale", "the system locale the kit sees", s::CmdLocale,
       "usage: oro-sim locale LCID (a Windows locale id such as 2052 or 1033)"},
  };
  program.footer =
      "\nENDPOINT is an endpoint id, its key name or an alias (headset-render, headset-capture,\n"
      "dongle-render, dongle-capture, onboard-render, onboard-capture). FLOW is render or capture:\n"
      "for volume and mute its default multimedia endpoint, for plug and unplug all its endpoints.\n"
      "The machine lives in the settings store of ORO_ROOT.\n";
  return oro::tools::cli::Run(program, argc, argv);
}
