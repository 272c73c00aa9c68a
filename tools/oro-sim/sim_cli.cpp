#include "sim_cli.h"

#include <cstdio>
#include <cstdlib>

#include "oro/common/endpoint_volume.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/text.h"

namespace oro::tools::sim {

int OpenSession(Session* session, bool allow_incomplete) {
  const platform::StatePaths paths = platform::ResolveStatePaths(std::getenv("ORO_ROOT"));
  session->platform = platform::MakePlatform(platform::Profile::kSim, paths);
  std::string detail;
  if (const platform::ErrorCode rc = session->platform.registry->Status(&detail)) {
    return FailCode("cannot open the settings store " + paths.registry_db + " (" + detail + ")", rc);
  }
  session->machine = std::make_unique<SimMachine>(*session->platform.registry);
  if (!allow_incomplete && session->machine->Incomplete()) return Fail(IncompleteMachine(paths.state_dir));
  return 0;
}

std::string IncompleteMachine(const std::string& state_dir) {
  return "the simulated machine in " + state_dir +
         " is incomplete: an earlier oro-sim create was interrupted; run oro-sim create --force";
}

std::string Narrow(const std::wstring& text) { return platform::ToUtf8(text); }
std::wstring Widen(const std::string& text) { return platform::FromUtf8(text); }

bool ParseFlow(const std::string& text, platform::Flow* flow) {
  if (text == "render") {
    *flow = platform::Flow::kRender;
  } else if (text == "capture") {
    *flow = platform::Flow::kCapture;
  } else {
    return false;
  }
  return true;
}

bool ParseNumber(const std::string& text, long min, long max, long* out) {
  if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  const long v = std::strtol(text.c_str(), nullptr, 10);
  if (v < min || v > max) return false;
  *out = v;
  return true;
}

int FindEndpoint(SimMachine& machine, const std::string& ref, SimEndpoint* out) {
  const platform::ErrorCode rc = machine.Find(Widen(ref), out);
  if (rc == platform::err::kNotFound) {
    return Fail("no endpoint '" + ref + "' (give an id, a key name or an alias that oro-sim list shows)");
  }
  if (rc) return FailCode("cannot read the endpoints", rc);
  return 0;
}

int FindTarget(SimMachine& machine, const std::string& ref, SimEndpoint* out) {
  platform::Flow flow;
  if (!ParseFlow(ref, &flow)) return FindEndpoint(machine, ref, out);
  std::wstring id;
  const platform::ErrorCode rc = machine.GetDefault(flow, platform::Role::kMultimedia, &id);
  if (rc == platform::err::kNotFound) return Fail(std::string("no default ") + FlowName(flow) + " endpoint");
  if (rc) return FailCode("cannot read the default endpoints", rc);
  const platform::ErrorCode lrc = machine.Load(id, out);
  if (lrc) return FailCode("the default " + std::string(FlowName(flow)) + " endpoint " + Narrow(id) + " is gone", lrc);
  return 0;
}

int Percent(float scalar) { return common::ScalarToPercent(scalar); }

}  // namespace oro::tools::sim
