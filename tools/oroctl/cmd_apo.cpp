// oroctl apo: the kit's effect classes on the audio endpoints: which slots
// hold them and what the backup holds (status), and installing or removing
// them on the supported devices or on every endpoint.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "command.h"
#include "oro/common/apo_platform.h"
#include "oro/common/device_apo_info.h"
#include "oro/common/registry_access.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/text.h"
#include "oro/tools/cli/json.h"

namespace oro::tools {
namespace {

namespace apo = common::apo;
using cli::Json;

constexpr const char* kUsage =
    "usage: oroctl apo status [--json]\n"
    "       oroctl apo install [--all]\n"
    "       oroctl apo uninstall [--all]\n"
    "status: per endpoint, the slots that hold the kit's effects and what the backup holds.\n"
    "install/uninstall: on the endpoints of the supported devices (install: only those plugged in),\n"
    "or with --all on every endpoint. The audio service is restarted when an endpoint changed.\n"
    "Exit status: 0 done, 1 failed (an endpoint or the audio service restart), 2 bad command line.";

constexpr const char* kSlotWords[apo::kSlotCount] = {"pre-mix", "post-mix", "stream", "mode", "endpoint"};

std::string U8(const std::wstring& text) { return platform::ToUtf8(text); }

// Every endpoint of the main tree, render first.
std::vector<std::pair<bool, std::wstring>> AllEndpoints(common::RegistryAccess& reg) {
  std::vector<std::pair<bool, std::wstring>> all;
  for (bool capture : {false, true}) {
    std::wstring tree = std::wstring(apo::kMainTree) + (capture ? apo::kCapturePart : apo::kRenderPart);
    tree.pop_back();
    if (!reg.KeyExists(tree)) continue;
    for (const auto& id : reg.EnumerateSubKeys(tree)) all.emplace_back(capture, id);
  }
  return all;
}

Json EndpointStatus(common::RegistryAccess& reg, bool capture, const std::wstring& id) {
  Json e = Json::Object();
  e.Add("id", Json::Text(U8(id)));
  e.Add("flow", Json::Text(capture ? "capture" : "render"));
  common::DeviceAPOInfo info(reg);
  try {
    if (!info.LoadEndpoint(id)) {
      e.Add("error", Json::Text("not found"));
      return e;
    }
  } catch (const common::RegistryException& ex) {
    e.Add("error", Json::Text(U8(ex.Message())));
    return e;
  }
  e.Add("name", Json::Text(U8(info.GetEndpointName())));
  e.Add("adapter", Json::Text(U8(info.GetAdapterName())));
  e.Add("installed", Json::Bool(info.IsInstalled()));
  Json kit = Json::Array();
  const std::wstring fx = info.EffectKey();
  for (std::size_t i = 0; i < apo::kSlotCount; ++i) {
    try {
      if (reg.ValueExists(fx, apo::kSlotNames[i]) && common::IsKitClassId(reg.ReadString(fx, apo::kSlotNames[i]))) {
        kit.Push(Json::Text(kSlotWords[i]));
      }
    } catch (const common::RegistryException&) {
      // A slot that is not a string holds nothing of the kit's.
    }
  }
  e.Add("kit_slots", std::move(kit));
  if (info.IsInstalled() && reg.KeyExists(info.BackupKey())) {
    Json backup = Json::Object();
    Json slots = Json::Object();
    for (std::size_t i = 0; i < apo::kSlotCount; ++i) slots.Add(kSlotWords[i], Json::Text(U8(info.SlotValues()[i])));
    backup.Add("slots", std::move(slots));
    backup.Add("pre_mix_child", Json::Text(U8(info.PreMixChild())));
    backup.Add("post_mix_child", Json::Text(U8(info.PostMixChild())));
    backup.Add("version", Json::Text(U8(info.InstalledVersion())));
    e.Add("backup", std::move(backup));
  } else {
    e.Add("backup", Json::Null());
  }
  return e;
}

int Status(const Args& args) {
  const bool json = args.size() == 2 && args[1] == "--json";
  if (args.size() > 2 || (args.size() == 2 && !json)) return UsageError("apo status takes only --json");
  platform::Platform p = platform::MakePlatformFromEnvironment();
  common::RegistryAccess reg(*p.registry, p.system.get());
  Json all = Json::Array();
  for (const auto& [capture, id] : AllEndpoints(reg)) all.Push(EndpointStatus(reg, capture, id));
  std::fputs(json ? all.Rows().c_str() : all.Lines().c_str(), stdout);
  return 0;
}

int Change(const Args& args, bool install) {
  const bool every = args.size() == 2 && args[1] == "--all";
  if (args.size() > 2 || (args.size() == 2 && !every)) return UsageError("apo " + args[0] + " takes only --all");
  platform::Platform p = platform::MakePlatformFromEnvironment();
  common::RegistryAccess reg(*p.registry, p.system.get());
  std::wstring program;
  if (p.processes) p.processes->OwnExecutablePath(&program);
  common::ApoEnvironment env = common::MakeApoEnvironment(p, reg, program);
  int failed_endpoints = 0;
  env.log = [&failed_endpoints, debug = p.debug](const std::wstring& line) {
    std::fprintf(stderr, "oroctl: %s\n", U8(line).c_str());
    if (debug) debug->Write(line);
    ++failed_endpoints;
  };
  const int result = every ? common::InstallOnAllEndpoints(env, install)
                           : common::InstallOnSupportedDevices(env, common::ApoFlow::kCapture, install, true, true);
  if (result == common::kRestartFailed) return Fail("the audio service could not be restarted");
  if (result < 0) return Fail(std::to_string(-result) + " endpoint(s) could not be changed");
  std::printf("%d endpoint(s) changed\n", result);
  return failed_endpoints > 0 ? cli::kFailed : cli::kOk;
}

int Run(const Args& args) {
  if (args.empty()) {
    std::fprintf(stderr, "%s\n", kUsage);
    return UsageError("apo needs status, install or uninstall");
  }
  if (args[0] == "status") return Status(args);
  if (args[0] == "install") return Change(args, true);
  if (args[0] == "uninstall") return Change(args, false);
  std::fprintf(stderr, "%s\n", kUsage);
  return UsageError("unknown apo operation '" + args[0] + "'");
}

const CommandRegistrar kRegistrar{
    {"apo", "the kit's effects on the audio endpoints: status, install, uninstall", Run, kUsage}};

}  // namespace
}  // namespace oro::tools
