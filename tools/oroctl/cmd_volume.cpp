// oroctl volume: the master volume and mute of the default endpoint of a flow,
// through the device library's exports, as the panel uses them.
#include <cstdio>
#include <stdexcept>
#include <string>

#include "command.h"
#include "oro/common/endpoint_volume.h"
#include "oro/platform/make_platform.h"
#include "oro_ecd_api.h"

namespace oro::tools {
namespace {

constexpr const char* kUsage =
    "usage: oroctl volume get render|capture\n"
    "       oroctl volume set render|capture PERCENT\n"
    "       oroctl volume mute render|capture [0|1]";

bool ParseFlow(const std::string& text, int32_t* flow) {
  if (text == "render") {
    *flow = ORO_FLOW_RENDER;
  } else if (text == "capture") {
    *flow = ORO_FLOW_CAPTURE;
  } else {
    return false;
  }
  return true;
}

std::string NoEndpoint(const std::string& flow) { return "no " + flow + " endpoint could be used"; }

// The readings of the exports cannot tell a real 50 % (or an unmuted
// endpoint) from their fallbacks; ask the audio system whether the default
// endpoint of the flow can be used at all.
bool EndpointUsable(int32_t flow) {
  try {
    platform::Platform p = platform::MakePlatformFromEnvironment();
    if (!p.audio) return false;
    std::unique_ptr<platform::EndpointVolume> volume;
    const auto f = flow == ORO_FLOW_RENDER ? platform::Flow::kRender : platform::Flow::kCapture;
    return common::OpenDefaultEndpointVolume(*p.audio, f, &volume) == platform::err::kSuccess;
  } catch (const std::exception&) {
    return false;
  }
}

int PrintReading(int32_t value, int32_t flow, const std::string& flow_name, const char* fallback_note) {
  std::printf("%d\n", value);
  std::fflush(stdout);
  if (!EndpointUsable(flow)) return Fail(NoEndpoint(flow_name) + "; " + fallback_note);
  return 0;
}

bool ParsePercent(const std::string& text, int32_t* out) {
  if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  const int v = std::stoi(text);
  if (v > 100) return false;
  *out = v;
  return true;
}

int Run(const Args& args) {
  int32_t flow = 0;
  if (args.size() < 2 || !ParseFlow(args[1], &flow)) {
    std::fprintf(stderr, "%s\n", kUsage);
    return UsageError(args.size() < 2 ? "volume needs an operation and a flow (render or capture)"
                                      : "unknown flow '" + args[1] + "'; use render or capture");
  }
  const std::string& op = args[0];
  const std::string& flow_name = args[1];
  if (op == "get" && args.size() == 2) {
    return PrintReading(_getVolum(flow), flow, flow_name, "the value shown is the fallback");
  }
  if (op == "set" && args.size() == 3) {
    int32_t percent = 0;
    if (!ParsePercent(args[2], &percent)) return UsageError("the volume must be a whole percentage 0 to 100");
    if (_SetVolum(percent, flow, 0) != 1) return Fail(NoEndpoint(flow_name) + "; the volume was not set");
    return 0;
  }
  if (op == "mute" && args.size() == 2) {
    return PrintReading(_GetMasterMute(flow), flow, flow_name, "the state shown is the fallback");
  }
  if (op == "mute" && args.size() == 3) {
    if (args[2] != "0" && args[2] != "1") return UsageError("the mute state must be 0 or 1");
    if (_SetMasterMute(args[2] == "1" ? 1 : 0, flow) != 1) {
      return Fail(NoEndpoint(flow_name) + "; the mute state was not set");
    }
    return 0;
  }
  std::fprintf(stderr, "%s\n", kUsage);
  return UsageError("unknown volume operation '" + op + "' or wrong number of arguments");
}

const CommandRegistrar kRegistrar{{"volume", "volume and mute of the default render or capture endpoint", Run, kUsage}};

}  // namespace
}  // namespace oro::tools
