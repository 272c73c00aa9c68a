// oro-sim list: the endpoints as people read them, or as JSON for scripts.
#include <cstdio>
#include <string>

#include "oro/platform/sim/sim_machine.h"
#include "sim_cli.h"

namespace oro::tools::sim {
namespace {

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string UsbId(const SimEndpoint& e) {
  std::uint16_t vid = 0, pid = 0;
  if (!platform::sim::ParseUsbIds(e.info.device_path, &vid, &pid)) return {};
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04X:%04X", vid, pid);
  return buf;
}

std::string Roles(const SimEndpoint& e, const char* separator) {
  std::string out;
  for (auto role : e.default_roles) {
    if (!out.empty()) out += separator;
    out += RoleName(role);
  }
  return out;
}

void PrintJson(const std::vector<SimEndpoint>& all) {
  std::printf("[");
  for (std::size_t i = 0; i < all.size(); ++i) {
    const SimEndpoint& e = all[i];
    std::string roles;
    for (auto role : e.default_roles) roles += (roles.empty() ? "" : ",") + JsonString(RoleName(role));
    const std::string usb = UsbId(e);
    std::printf("%s\n  {\"id\": %s, \"alias\": %s, \"flow\": \"%s\", \"state\": \"%s\", \"state_code\": %u,",
                i ? "," : "", JsonString(Narrow(e.info.id)).c_str(), JsonString(Narrow(e.alias)).c_str(),
                FlowName(e.info.flow), StateName(e.info.state), e.info.state);
    std::printf(" \"name\": %s, \"adapter\": %s, \"device_path\": %s,", JsonString(Narrow(e.info.name)).c_str(),
                JsonString(Narrow(e.info.adapter_name)).c_str(), JsonString(Narrow(e.info.device_path)).c_str());
    if (usb.empty()) {
      std::printf(" \"vid\": null, \"pid\": null,");
    } else {
      std::printf(" \"vid\": \"%s\", \"pid\": \"%s\",", usb.substr(0, 4).c_str(), usb.substr(5).c_str());
    }
    if (e.volume_error) {
      std::printf(" \"volume\": null, \"scalar\": null, \"mute\": null,");
    } else {
      std::printf(" \"volume\": %d, \"scalar\": %.9g, \"mute\": %s,", Percent(e.volume), e.volume,
                  e.mute ? "true" : "false");
    }
    std::printf(" \"default_roles\": [%s]}", roles.c_str());
  }
  std::printf("%s]\n", all.empty() ? "" : "\n");
}

void PrintTable(const std::vector<SimEndpoint>& all) {
  if (all.empty()) {
    std::printf("no endpoints (oro-sim create builds the kit's machine)\n");
    return;
  }
  std::printf("%-16s %-8s %-10s %6s %4s  %-9s  %s\n", "ENDPOINT", "FLOW", "STATE", "VOLUME", "MUTE", "USB",
              "DEFAULT FOR");
  for (const SimEndpoint& e : all) {
    const std::string volume = e.volume_error ? "?" : std::to_string(Percent(e.volume)) + "%";
    const std::string mute = e.volume_error ? "?" : (e.mute ? "1" : "0");
    const std::string usb = UsbId(e);
    const std::string roles = Roles(e, ",");
    std::printf("%-16s %-8s %-10s %6s %4s  %-9s  %s\n", e.alias.empty() ? "-" : Narrow(e.alias).c_str(),
                FlowName(e.info.flow), StateName(e.info.state), volume.c_str(), mute.c_str(),
                usb.empty() ? "-" : usb.c_str(), roles.empty() ? "-" : roles.c_str());
    std::printf("    %s\n    %s | adapter %s\n", Narrow(e.info.id).c_str(), Narrow(e.info.name).c_str(),
                Narrow(e.info.adapter_name).c_str());
  }
}

}  // namespace

int CmdList(const Args& args) {
  bool json = false;
  for (const auto& a : args) {
    if (a != "--json") return UsageError("list takes only --json, not '" + a + "'");
    json = true;
  }
  Session session;
  if (int rc = OpenSession(&session)) return rc;
  std::vector<SimEndpoint> all;
  if (auto rc = session.machine->List(&all)) return FailCode("cannot read the endpoints", rc);
  if (json) {
    PrintJson(all);
  } else {
    PrintTable(all);
  }
  return 0;
}

}  // namespace oro::tools::sim
