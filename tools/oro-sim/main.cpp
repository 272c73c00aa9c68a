// oro-sim: the simulated machine the kit runs against in the sim profile.
// Its state lives in the settings store of the state folder (ORO_ROOT), so
// every process of the kit sees the same endpoints.
#include "oro/tools/cli/cli.h"
#include "sim_cli.h"

#include <string>

namespace {

std::string kDeviceUsage(const std::string& device) {
  const std::string p = "       oro-sim " + device + " ";
  return "usage: oro-sim " + device + " press-71           send the 7.1 key report (the host must acknowledge it)\n" +
         p + "state              what it recorded: status, 7.1 state, acknowledgements, update progress\n" + p +
         "lighting           every lighting command received, one report a line in hexadecimal\n" + p +
         "set-status LINK CHARGING STEP   the answer to the status query (battery step 0 to 9)\n" + p +
         "silent 0|1         answer nothing at all\n" + p + "slow MS            answer every report MS late\n" + p +
         "unplug | plug      leave the bus or come back\n" + p +
         "unplug-after-packets N   leave the bus after N firmware packets\n" + p +
         "fw-pace N          ask for a pause every N firmware packets (1: every packet, 0: never)\n" + p +
         "fw-end-after N     end the firmware write after N packets\n" + p +
         "fw-gap MS          end the write once packets stop for MS (default 200)\n" + p +
         "fw-result CODE     the result code the end status carries (0 to 255)";
}

}  // namespace

int main(int argc, char** argv) {
  namespace s = oro::tools::sim;
  oro::tools::cli::Program program;
  program.name = "oro-sim";
  program.commands = {
      {"create", "build the kit's demo machine", s::CmdCreate,
       "usage: oro-sim create [--force] [--os-version MAJOR.MINOR]\n"
       "The endpoints carry the effects a system of that version (default 10.0) has before the kit:\n"
       "from 6.3 on in the stream, mode and endpoint slots, before that in the pre-mix and post-mix slots."},
      {"list", "the endpoints, their state, volume and default roles", s::CmdList, "usage: oro-sim list [--json]"},
      {"add", "add an endpoint", s::CmdAdd,
       "usage: oro-sim add FLOW --alias NAME --adapter TEXT [--description TEXT] [--usb VID:PID | --path TEXT]\n"
       "                   [--unplugged]"},
      {"plug", "plug an endpoint in (it takes the default roles)", s::CmdPlug,
       "usage: oro-sim plug ENDPOINT|DEVICE|FLOW [--keep-defaults]\n"
       "DEVICE (headset, dongle) names its endpoints: headset is headset-render and headset-capture."},
      {"unplug", "unplug an endpoint", s::CmdUnplug, "usage: oro-sim unplug ENDPOINT|DEVICE|FLOW"},
      {"default", "make an endpoint the default of its flow", s::CmdDefault,
       "usage: oro-sim default FLOW ENDPOINT [--role console|multimedia|communications|all]"},
      {"volume", "set an endpoint's master volume", s::CmdVolume, "usage: oro-sim volume FLOW|ENDPOINT PERCENT"},
      {"mute", "mute or unmute an endpoint", s::CmdMute, "usage: oro-sim mute FLOW|ENDPOINT 0|1"},
      {"service", "the simulated services: list, start, stop and their delays and failures", s::CmdService,
       "usage: oro-sim service list\n"
       "       oro-sim service start|stop NAME\n"
       "       oro-sim service control NAME stop|interrogate|shutdown\n"
       "       oro-sim service set NAME WHAT VALUE [WHAT VALUE...]\n"
       "WHAT is state (stopped, running, paused, start-pending, ...), start-delay or stop-delay (ms),\n"
       "start-fails or stop-fails (an error code the request is refused with, 0 for none), or\n"
       "start-aborts or stop-aborts (1: accepted, but the service falls back once the delay is over).\n"
       "A service registered with a program (the kit's OroSound_RadUri) runs it: start runs the program,\n"
       "which reports its own state; its delays stretch its start-up and stop; control sends it a control."},
      {"started", "the programs started in the console user's session", s::CmdStarted, "usage: oro-sim started"},
      {"os-version", "the system version the kit sees", s::CmdOsVersion,
       "usage: oro-sim os-version MAJOR.MINOR (for example 10.0 or 6.1)"},
      {"locale", "the system locale the kit sees", s::CmdLocale,
       "usage: oro-sim locale LCID (a Windows locale id such as 2052 or 1033)"},
      {"hid", "the simulated HID bus: serve it (in the foreground), start, stop, list its devices", s::CmdHid,
       "usage: oro-sim hid serve|start|stop|list\n"
       "oro-sim create starts the bus in the background; it stops with hid stop or when the state folder goes."},
      {"headset", "drive the simulated headset", [](const s::Args& a) { return s::CmdHidDevice("headset", a); },
       kDeviceUsage("headset")},
      {"dongle", "drive the simulated dongle", [](const s::Args& a) { return s::CmdHidDevice("dongle", a); },
       kDeviceUsage("dongle")},
  };
  program.footer =
      "\nENDPOINT is an endpoint id, its key name or an alias (headset-render, headset-capture,\n"
      "dongle-render, dongle-capture, onboard-render, onboard-capture). FLOW is render or capture:\n"
      "for volume and mute its default multimedia endpoint, for plug and unplug all its endpoints.\n"
      "The machine lives in the settings store of ORO_ROOT.\n";
  return oro::tools::cli::Run(program, argc, argv);
}
