// Commands on endpoints: add one, plug and unplug, choose defaults, set the
// volume and mute.
#include <cstdio>
#include <random>
#include <string>

#include "oro/platform/sim/sim_layout.h"
#include "oro/platform/text.h"
#include "sim_cli.h"

namespace oro::tools::sim {
namespace {

using platform::Flow;
using platform::Role;

constexpr Role kAllRoles[] = {Role::kConsole, Role::kMultimedia, Role::kCommunications};

std::wstring NewKeyName() {
  std::random_device random;
  std::uint32_t words[4];
  for (auto& w : words) w = random();
  words[1] = (words[1] & 0xFFFF0FFFu) | 0x00004000u;  // version 4
  words[2] = (words[2] & 0x3FFFFFFFu) | 0x80000000u;  // variant 1
  char buf[48];
  std::snprintf(buf, sizeof buf, "{%08x-%04x-%04x-%04x-%04x%08x}", words[0], words[1] >> 16, words[1] & 0xFFFF,
                words[2] >> 16, words[2] & 0xFFFF, words[3]);
  return Widen(buf);
}

bool ParseUsb(const std::string& text, std::uint16_t* vid, std::uint16_t* pid) {
  if (text.size() != 9 || text[4] != ':') return false;
  const std::string hex = "0123456789abcdefABCDEF";
  const std::string v = text.substr(0, 4), p = text.substr(5);
  if (v.find_first_not_of(hex) != std::string::npos || p.find_first_not_of(hex) != std::string::npos) return false;
  *vid = static_cast<std::uint16_t>(std::stoul(v, nullptr, 16));
  *pid = static_cast<std::uint16_t>(std::stoul(p, nullptr, 16));
  return true;
}

// The endpoints an ENDPOINT|FLOW argument names.
int Targets(SimMachine& machine, const std::string& ref, std::vector<SimEndpoint>* out) {
  Flow flow;
  std::vector<SimEndpoint> all;
  if (!ParseFlow(ref, &flow)) {
    SimEndpoint e;
    if (machine.Find(Widen(ref), &e) == platform::err::kNotFound && machine.List(&all) == platform::err::kSuccess) {
      // A device's name ("headset") stands for its endpoints ("headset-render", "headset-capture").
      const std::wstring prefix = platform::FoldCase(Widen(ref + "-"));
      for (auto& d : all) {
        if (platform::FoldCase(d.alias).rfind(prefix, 0) == 0) out->push_back(std::move(d));
      }
      if (!out->empty()) return 0;
    }
    if (int rc = FindEndpoint(machine, ref, &e)) return rc;
    out->push_back(std::move(e));
    return 0;
  }
  if (auto rc = machine.List(&all)) return FailCode("cannot read the endpoints", rc);
  for (auto& e : all) {
    if (e.info.flow == flow) out->push_back(std::move(e));
  }
  if (out->empty()) return Fail(std::string("the machine has no ") + FlowName(flow) + " endpoint");
  return 0;
}

std::string Label(const SimEndpoint& e) { return Narrow(e.alias.empty() ? e.info.id : e.alias); }

int ChangeState(const Args& args, bool plug) {
  const char* verb = plug ? "plug" : "unplug";
  bool keep_defaults = false;
  std::string ref;
  for (const auto& a : args) {
    if (plug && a == "--keep-defaults") {
      keep_defaults = true;
    } else if (ref.empty() && a.rfind("--", 0) != 0) {
      ref = a;
    } else {
      return UsageError(std::string("usage: ") +
                        (plug ? "plug ENDPOINT|FLOW [--keep-defaults]" : "unplug ENDPOINT|FLOW"));
    }
  }
  if (ref.empty()) return UsageError(std::string(verb) + " needs an endpoint or a flow");
  Session session;
  if (int rc = OpenSession(&session)) return rc;
  std::vector<SimEndpoint> targets;
  if (int rc = Targets(*session.machine, ref, &targets)) return rc;
  Flow flow;
  // A whole flow plugged at once must not hand every role to whichever comes last.
  const bool take_defaults = !keep_defaults && !ParseFlow(ref, &flow);
  for (const auto& e : targets) {
    const auto rc = plug ? session.machine->Plug(e.info.id, take_defaults) : session.machine->Unplug(e.info.id);
    if (rc) return FailCode(std::string("cannot ") + verb + " " + Label(e), rc);
    std::printf("%s %s\n", plug ? "plugged" : "unplugged", Label(e).c_str());
  }
  return 0;
}

}  // namespace

int CmdAdd(const Args& args) {
  constexpr const char* kUsage =
      "usage: add FLOW --alias NAME --adapter TEXT [--description TEXT] [--usb VID:PID | --path TEXT] [--unplugged]";
  platform::sim::SimEndpointSpec def;
  if (args.empty() || !ParseFlow(args[0], &def.flow)) return UsageError(kUsage);
  def.description = def.flow == Flow::kRender ? L"Speakers" : L"Microphone";
  if (def.flow == Flow::kCapture) def.format = platform::sim::SimFormat{1, 48000, 16, 0x4};
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& opt = args[i];
    if (opt == "--unplugged") {
      def.state = platform::devstate::kUnplugged;
      continue;
    }
    if (i + 1 >= args.size()) return UsageError("missing value after " + opt + "\n" + kUsage);
    const std::string& value = args[++i];
    if (opt == "--alias") {
      def.alias = Widen(value);
    } else if (opt == "--adapter") {
      def.adapter_name = Widen(value);
    } else if (opt == "--description") {
      def.description = Widen(value);
    } else if (opt == "--path") {
      def.device_path = Widen(value);
    } else if (opt == "--usb") {
      std::uint16_t vid = 0, pid = 0;
      if (!ParseUsb(value, &vid, &pid)) return UsageError("--usb takes VID:PID in hexadecimal, such as 040B:F779");
      char path[96];
      std::snprintf(path, sizeof path, "{1}.USB\\VID_%04X&PID_%04X&MI_00\\7&%08X&0&0000", vid, pid,
                    static_cast<unsigned>(std::random_device()()));
      def.device_path = Widen(path);
    } else {
      return UsageError("unknown option '" + opt + "'\n" + kUsage);
    }
  }
  if (def.alias.empty() || def.adapter_name.empty()) return UsageError(kUsage);
  Flow dummy;
  if (ParseFlow(Narrow(def.alias), &dummy)) return UsageError("an alias cannot be a flow name");
  Session session;
  if (int rc = OpenSession(&session)) return rc;
  SimEndpoint existing;
  if (session.machine->Find(def.alias, &existing) == platform::err::kSuccess) {
    return Fail("the name '" + Narrow(def.alias) + "' is taken by " + Narrow(existing.info.id));
  }
  def.guid = NewKeyName();
  if (auto rc = session.machine->AddEndpoint(def)) return FailCode("cannot add the endpoint", rc);
  std::printf("%s\n", Narrow(platform::sim::layout::EndpointId(def.flow, def.guid)).c_str());
  return 0;
}

int CmdPlug(const Args& args) { return ChangeState(args, true); }
int CmdUnplug(const Args& args) { return ChangeState(args, false); }

int CmdDefault(const Args& args) {
  constexpr const char* kUsage = "usage: default FLOW ENDPOINT [--role console|multimedia|communications|all]";
  std::vector<std::string> words;
  std::string role_name = "all";
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--role") {
      if (i + 1 >= args.size()) return UsageError(kUsage);
      role_name = args[++i];
    } else {
      words.push_back(args[i]);
    }
  }
  Flow flow;
  if (words.size() != 2 || !ParseFlow(words[0], &flow)) return UsageError(kUsage);
  std::vector<Role> roles;
  for (Role r : kAllRoles) {
    if (role_name == "all" || role_name == RoleName(r)) roles.push_back(r);
  }
  if (roles.empty()) return UsageError("unknown role '" + role_name + "'\n" + kUsage);
  Session session;
  if (int rc = OpenSession(&session)) return rc;
  SimEndpoint e;
  if (int rc = FindEndpoint(*session.machine, words[1], &e)) return rc;
  if (e.info.flow != flow) {
    return Fail(Label(e) + " is a " + FlowName(e.info.flow) + " endpoint, not a " + FlowName(flow) + " one");
  }
  if (e.info.state != platform::devstate::kActive) {
    return Fail(Label(e) + " is " + StateName(e.info.state) + "; only an active endpoint can be the default");
  }
  for (Role r : roles) {
    if (auto rc = session.machine->SetDefault(flow, r, e.info.id)) return FailCode("cannot set the default", rc);
  }
  return 0;
}

int CmdVolume(const Args& args) {
  long percent = 0;
  if (args.size() != 2) return UsageError("usage: volume FLOW|ENDPOINT PERCENT");
  if (!ParseNumber(args[1], 0, 100, &percent)) return UsageError("the volume must be a whole percentage 0 to 100");
  Session session;
  if (int rc = OpenSession(&session)) return rc;
  SimEndpoint e;
  if (int rc = FindTarget(*session.machine, args[0], &e)) return rc;
  // The same scalar the kit's own volume export would set.
  if (auto rc = session.machine->SetVolume(e.info.id, static_cast<float>(percent) / 100.0f)) {
    return FailCode("cannot set the volume of " + Label(e), rc);
  }
  return 0;
}

int CmdMute(const Args& args) {
  if (args.size() != 2 || (args[1] != "0" && args[1] != "1")) return UsageError("usage: mute FLOW|ENDPOINT 0|1");
  Session session;
  if (int rc = OpenSession(&session)) return rc;
  SimEndpoint e;
  if (int rc = FindTarget(*session.machine, args[0], &e)) return rc;
  if (auto rc = session.machine->SetMute(e.info.id, args[1] == "1")) {
    return FailCode("cannot set the mute state of " + Label(e), rc);
  }
  return 0;
}

}  // namespace oro::tools::sim
