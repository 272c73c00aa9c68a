// oro-sim list: the endpoints as people read them, or as JSON for scripts.
#include <cstdio>
#include <string>

#include "oro/platform/sim/sim_machine.h"
#include "oro/tools/cli/json.h"
#include "sim_cli.h"

namespace oro::tools::sim {
namespace {

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
  using cli::Json;
  Json list = Json::Array();
  for (const SimEndpoint& e : all) {
    Json roles = Json::Array();
    for (auto role : e.default_roles) roles.Push(Json::Text(RoleName(role)));
    const std::string usb = UsbId(e);
    Json item = Json::Object();
    item.Add("id", Json::Text(Narrow(e.info.id)))
        .Add("alias", Json::Text(Narrow(e.alias)))
        .Add("flow", Json::Text(FlowName(e.info.flow)))
        .Add("state", Json::Text(StateName(e.info.state)))
        .Add("state_code", Json::Int(e.info.state))
        .Add("name", Json::Text(Narrow(e.info.name)))
        .Add("adapter", Json::Text(Narrow(e.info.adapter_name)))
        .Add("device_path", Json::Text(Narrow(e.info.device_path)))
        .Add("vid", usb.empty() ? Json::Null() : Json::Text(usb.substr(0, 4)))
        .Add("pid", usb.empty() ? Json::Null() : Json::Text(usb.substr(5)))
        .Add("volume", e.volume_error ? Json::Null() : Json::Int(Percent(e.volume)))
        .Add("scalar", e.volume_error ? Json::Null() : Json::Number(e.volume))
        .Add("mute", e.volume_error ? Json::Null() : Json::Bool(e.mute))
        .Add("default_roles", std::move(roles));
    list.Push(std::move(item));
  }
  std::printf("%s\n", list.Rows().c_str());
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
