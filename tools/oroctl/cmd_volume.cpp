// oroctl volume: the master volume and mute of the default endpoint of a flow,
// through the device library's exports, as the panel uses them.
#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "command.h"
#include "oro/common/endpoint_volume.h"
#include "oro/common/error_text.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/text.h"
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

enum class Step { kGetVolume, kSetVolume, kGetMute, kSetMute };

std::string CodeText(platform::ErrorCode rc) {
  const std::string text = platform::ToUtf8(common::ErrorText(rc));
  return text.empty() ? "error " + std::to_string(rc) : text;
}

// The exports answer with a fallback or a bare 0 and cannot say why. The
// same steps through the audio system give the reason: no usable endpoint,
// or an endpoint whose stored volume is damaged or whose store refuses the
// write. Empty when every step works now.
std::string WhyNot(int32_t flow, const std::string& flow_name, Step step, float scalar = 0.0f, bool mute = false) {
  try {
    platform::Platform p = platform::MakePlatformFromEnvironment();
    if (!p.audio) return "no " + flow_name + " endpoint could be used: no audio system";
    std::unique_ptr<platform::EndpointVolume> volume;
    const auto f = flow == ORO_FLOW_RENDER ? platform::Flow::kRender : platform::Flow::kCapture;
    platform::ErrorCode rc = common::OpenDefaultEndpointVolume(*p.audio, f, &volume);
    if (rc != platform::err::kSuccess) return "no " + flow_name + " endpoint could be used: " + CodeText(rc);
    float read_scalar = 0.0f;
    bool read_mute = false;
    switch (step) {
      case Step::kGetVolume:
        rc = volume->GetMasterScalar(&read_scalar);
        if (rc == platform::err::kSuccess && std::isnan(read_scalar)) rc = platform::err::kRegistryCorrupt;
        return rc ? "the " + flow_name + " volume could not be read: " + CodeText(rc) : "";
      case Step::kSetVolume:
        rc = volume->SetMasterScalar(scalar);
        return rc ? "the " + flow_name + " volume could not be set: " + CodeText(rc) : "";
      case Step::kGetMute:
        rc = volume->GetMute(&read_mute);
        return rc ? "the " + flow_name + " mute state could not be read: " + CodeText(rc) : "";
      case Step::kSetMute:
        rc = volume->SetMute(mute);
        return rc ? "the " + flow_name + " mute state could not be set: " + CodeText(rc) : "";
    }
    return "";
  } catch (const std::exception& e) {
    return e.what();
  }
}

int PrintReading(int32_t value, int32_t flow, const std::string& flow_name, Step step, const char* fallback_note) {
  std::printf("%d\n", value);
  std::fflush(stdout);
  const std::string why = WhyNot(flow, flow_name, step);
  if (!why.empty()) return Fail(std::string(fallback_note) + ": " + why);
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
    return PrintReading(_getVolum(flow), flow, flow_name, Step::kGetVolume, "the value shown is the fallback");
  }
  if (op == "set" && args.size() == 3) {
    int32_t percent = 0;
    if (!ParsePercent(args[2], &percent)) return UsageError("the volume must be a whole percentage 0 to 100");
    if (_SetVolum(percent, flow, 0) != 1) {
      const std::string why = WhyNot(flow, flow_name, Step::kSetVolume, static_cast<float>(percent) / 100.0f);
      return Fail((why.empty() ? std::string("the ") + flow_name + " volume was not set" : why));
    }
    return 0;
  }
  if (op == "mute" && args.size() == 2) {
    return PrintReading(_GetMasterMute(flow), flow, flow_name, Step::kGetMute, "the state shown is the fallback");
  }
  if (op == "mute" && args.size() == 3) {
    if (args[2] != "0" && args[2] != "1") return UsageError("the mute state must be 0 or 1");
    if (_SetMasterMute(args[2] == "1" ? 1 : 0, flow) != 1) {
      const std::string why = WhyNot(flow, flow_name, Step::kSetMute, 0.0f, args[2] == "1");
      return Fail(why.empty() ? std::string("the ") + flow_name + " mute state was not set" : why);
    }
    return 0;
  }
  std::fprintf(stderr, "%s\n", kUsage);
  return UsageError("unknown volume operation '" + op + "' or wrong number of arguments");
}

const CommandRegistrar kRegistrar{{"volume", "volume and mute of the default render or capture endpoint", Run, kUsage}};

}  // namespace
}  // namespace oro::tools
