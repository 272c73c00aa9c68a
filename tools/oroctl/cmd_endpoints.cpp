// oroctl endpoints: the audio endpoints the kit sees (the sound server's
// devices on a desktop, the simulated machine's in the sim profile), laid out
// as oro-sim list lays out its machine.
#include <cstdio>
#include <cwctype>
#include <memory>
#include <string>
#include <vector>

#include "command.h"
#include "oro/common/endpoint_volume.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/text.h"
#include "oro/tools/cli/endpoint_names.h"
#include "oro/tools/cli/json.h"

namespace oro::tools {
namespace {

constexpr const char* kUsage =
    "usage: oroctl endpoints [--json]\n\n"
    "Every render and capture endpoint with its state, master volume, mute, USB ids and the\n"
    "roles it is the default for. A volume reads '?' where the endpoint cannot hand it out.";

using cli::FlowName;
using cli::RoleName;
using cli::StateName;
using platform::Flow;
using platform::Role;

constexpr Role kRoles[] = {Role::kConsole, Role::kMultimedia, Role::kCommunications};

struct Row {
  platform::EndpointInfo info;
  bool has_volume = false;
  float scalar = 0.0f;
  bool mute = false;
  std::vector<Role> default_roles;
  std::string usb;  // "040B:F779", or empty
};

// "040B:F779" from a device path carrying "VID_040B&PID_F779" (any case), or empty.
std::string UsbId(const std::wstring& device_path) {
  std::wstring upper = device_path;
  for (auto& c : upper) c = static_cast<wchar_t>(std::towupper(c));
  const auto at = upper.find(L"VID_");
  if (at == std::wstring::npos || upper.compare(at + 8, 5, L"&PID_") != 0) return {};
  std::string out;
  for (std::size_t i : {at + 4, at + 5, at + 6, at + 7, std::size_t{0}, at + 13, at + 14, at + 15, at + 16}) {
    if (i == 0) {
      out += ':';
      continue;
    }
    if (i >= upper.size() || !std::iswxdigit(upper[i])) return {};
    out += static_cast<char>(upper[i]);
  }
  return out;
}

platform::ErrorCode Collect(platform::AudioSystem& audio, std::vector<Row>* out) {
  for (Flow flow : {Flow::kRender, Flow::kCapture}) {
    std::vector<platform::EndpointInfo> all;
    if (platform::ErrorCode rc = audio.EnumerateEndpoints(flow, 0xF, &all)) return rc;
    std::wstring defaults[3];
    for (Role role : kRoles) {
      std::unique_ptr<platform::AudioEndpoint> ep;
      if (audio.GetDefaultEndpoint(flow, role, &ep) == platform::err::kSuccess) {
        defaults[static_cast<int>(role)] = ep->Info().id;
      }
    }
    for (auto& info : all) {
      Row row;
      row.usb = UsbId(info.device_path);
      for (Role role : kRoles) {
        if (defaults[static_cast<int>(role)] == info.id) row.default_roles.push_back(role);
      }
      std::unique_ptr<platform::AudioEndpoint> ep;
      std::unique_ptr<platform::EndpointVolume> volume;
      if (info.state == platform::devstate::kActive && audio.GetEndpoint(info.id, &ep) == platform::err::kSuccess &&
          ep->ActivateVolume(&volume) == platform::err::kSuccess) {
        row.has_volume = volume->GetMasterScalar(&row.scalar) == platform::err::kSuccess &&
                         volume->GetMute(&row.mute) == platform::err::kSuccess;
      }
      row.info = std::move(info);
      out->push_back(std::move(row));
    }
  }
  return platform::err::kSuccess;
}

void PrintJson(const std::vector<Row>& rows) {
  using cli::Json;
  Json list = Json::Array();
  for (const Row& r : rows) {
    Json roles = Json::Array();
    for (Role role : r.default_roles) roles.Push(Json::Text(RoleName(role)));
    Json item = Json::Object();
    item.Add("id", Json::Text(platform::ToUtf8(r.info.id)))
        .Add("flow", Json::Text(FlowName(r.info.flow)))
        .Add("state", Json::Text(StateName(r.info.state)))
        .Add("state_code", Json::Int(r.info.state))
        .Add("name", Json::Text(platform::ToUtf8(r.info.name)))
        .Add("adapter", Json::Text(platform::ToUtf8(r.info.adapter_name)))
        .Add("device_path", Json::Text(platform::ToUtf8(r.info.device_path)))
        .Add("vid", r.usb.empty() ? Json::Null() : Json::Text(r.usb.substr(0, 4)))
        .Add("pid", r.usb.empty() ? Json::Null() : Json::Text(r.usb.substr(5)))
        .Add("volume", r.has_volume ? Json::Int(common::ScalarToPercent(r.scalar)) : Json::Null())
        .Add("scalar", r.has_volume ? Json::Number(r.scalar) : Json::Null())
        .Add("mute", r.has_volume ? Json::Bool(r.mute) : Json::Null())
        .Add("default_roles", std::move(roles));
    list.Push(std::move(item));
  }
  std::printf("%s\n", list.Rows().c_str());
}

void PrintTable(const std::vector<Row>& rows) {
  if (rows.empty()) {
    std::printf("no endpoints\n");
    return;
  }
  std::printf("%-8s %-10s %6s %4s  %-9s  %s\n", "FLOW", "STATE", "VOLUME", "MUTE", "USB", "DEFAULT FOR");
  for (const Row& r : rows) {
    std::string roles;
    for (Role role : r.default_roles) roles += (roles.empty() ? "" : ",") + std::string(RoleName(role));
    const std::string volume = r.has_volume ? std::to_string(common::ScalarToPercent(r.scalar)) + "%" : "?";
    std::printf("%-8s %-10s %6s %4s  %-9s  %s\n", FlowName(r.info.flow), StateName(r.info.state), volume.c_str(),
                r.has_volume ? (r.mute ? "1" : "0") : "?", r.usb.empty() ? "-" : r.usb.c_str(),
                roles.empty() ? "-" : roles.c_str());
    std::printf("    %s\n    %s | adapter %s\n", cli::Printable(platform::ToUtf8(r.info.id)).c_str(),
                cli::Printable(platform::ToUtf8(r.info.name)).c_str(),
                cli::Printable(platform::ToUtf8(r.info.adapter_name)).c_str());
  }
}

int Run(const Args& args) {
  bool json = false;
  for (const auto& a : args) {
    if (a != "--json") return UsageError("endpoints takes only --json, not '" + a + "'");
    json = true;
  }
  platform::Platform p = platform::MakePlatformFromEnvironment();
  if (!p.audio) return Fail("this platform has no audio system");
  std::vector<Row> rows;
  if (platform::ErrorCode rc = Collect(*p.audio, &rows)) return FailCode("cannot list the audio endpoints", rc);
  if (json) {
    PrintJson(rows);
  } else {
    PrintTable(rows);
  }
  return 0;
}

const CommandRegistrar kRegistrar{
    {"endpoints", "the audio endpoints, their state, volume and default roles", Run, kUsage}};

}  // namespace
}  // namespace oro::tools
