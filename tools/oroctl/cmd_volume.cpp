// oroctl volume: the master volume and mute of the default endpoint of a flow,
// through the device library's exports, as the panel uses them; and a watch
// of them through the audio system's notifications.
#include <atomic>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

#include "command.h"
#include "oro/common/endpoint_volume.h"
#include "oro/common/error_text.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/text.h"
#include "oro/tools/cli/wait_loop.h"
#include "oro_ecd_api.h"

namespace oro::tools {
namespace {

constexpr const char* kUsage =
    "usage: oroctl volume get render|capture\n"
    "       oroctl volume set render|capture PERCENT\n"
    "       oroctl volume mute render|capture [0|1]\n"
    "       oroctl volume watch [render|capture]\n\n"
    "watch prints the volume and mute of the default endpoint (render when no flow is\n"
    "given) as \"volume PERCENT mute 0|1\", then one such line for every change, until it\n"
    "is interrupted. When the default endpoint changes it prints \"default ID\" and\n"
    "follows the new one; \"no default endpoint\" when the flow has none.";

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

// Prints one line for every notification. Lines come from the audio system's
// threads, so printing is serialised.
class WatchPrinter final : public platform::VolumeListener, public platform::EndpointListener {
 public:
  WatchPrinter(platform::Flow flow, cli::WaitLoop& loop) : flow_(flow), loop_(loop) {}

  void OnVolumeNotify(const platform::VolumeNotification& n) override {
    Print("volume " + std::to_string(common::ScalarToNearestPercent(n.master_scalar)) + " mute " +
          (n.muted ? "1" : "0"));
  }
  void OnDefaultDeviceChanged(platform::Flow flow, platform::Role role, const std::wstring&) override {
    if (flow != flow_ || role != platform::Role::kMultimedia) return;
    default_changed_ = true;
    loop_.Wake();
  }

  void Print(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
  }
  bool TakeDefaultChanged() { return default_changed_.exchange(false); }

 private:
  const platform::Flow flow_;
  cli::WaitLoop& loop_;
  std::mutex mutex_;
  std::atomic<bool> default_changed_{false};
};

// Subscribes to the flow's default endpoint and prints where it stands.
// The old subscription ends first, so no line of the old endpoint follows.
int FollowDefault(platform::AudioSystem& audio, platform::Flow flow, WatchPrinter& printer,
                  std::unique_ptr<platform::Subscription>* subscription) {
  subscription->reset();
  std::unique_ptr<platform::EndpointVolume> volume;
  std::unique_ptr<platform::AudioEndpoint> endpoint;
  if (audio.GetDefaultEndpoint(flow, platform::Role::kMultimedia, &endpoint) || !endpoint ||
      endpoint->ActivateVolume(&volume) || !volume) {
    printer.Print("no default endpoint");
    return 0;
  }
  if (auto rc = volume->Subscribe(&printer, subscription)) {
    if (rc == platform::err::kNotSupported) return Fail("this audio system cannot report volume changes");
    return FailCode("cannot watch the default endpoint", rc);
  }
  float scalar = 0.0f;
  bool mute = false;
  if (auto rc = volume->GetMasterScalar(&scalar)) return FailCode("cannot read the volume", rc);
  if (auto rc = volume->GetMute(&mute)) return FailCode("cannot read the mute state", rc);
  printer.Print("volume " + std::to_string(common::ScalarToNearestPercent(scalar)) + " mute " + (mute ? "1" : "0"));
  return 0;
}

// Runs until the user ends it (Ctrl-C, a termination request): status 0.
int Watch(int32_t flow_code) {
  const auto flow = flow_code == ORO_FLOW_RENDER ? platform::Flow::kRender : platform::Flow::kCapture;
  // Made before any adapter thread exists (see WaitLoop).
  cli::WaitLoop loop;

  platform::Platform p = platform::MakePlatformFromEnvironment();
  if (!p.audio) return Fail("this platform has no audio system");
  WatchPrinter printer(flow, loop);
  std::unique_ptr<platform::Subscription> endpoints;
  if (auto rc = p.audio->SubscribeEndpoints(&printer, &endpoints)) {
    if (rc == platform::err::kNotSupported) return Fail("this audio system cannot report volume changes");
    return FailCode("cannot watch the audio endpoints", rc);
  }
  std::unique_ptr<platform::Subscription> volume;
  if (int rc = FollowDefault(*p.audio, flow, printer, &volume)) return rc;
  for (;;) {
    const auto event = loop.Wait();
    if (event == cli::WaitLoop::Event::kError) return Fail("cannot wait for signals");
    if (event == cli::WaitLoop::Event::kStop) break;
    if (!printer.TakeDefaultChanged()) continue;
    std::unique_ptr<platform::AudioEndpoint> endpoint;
    if (p.audio->GetDefaultEndpoint(flow, platform::Role::kMultimedia, &endpoint) == platform::err::kSuccess &&
        endpoint) {
      printer.Print("default " + platform::ToUtf8(endpoint->Info().id));
    }
    if (int rc = FollowDefault(*p.audio, flow, printer, &volume)) return rc;
  }
  // Ended before the printer goes, so no callback runs into it.
  volume.reset();
  endpoints.reset();
  return 0;
}

int Run(const Args& args) {
  if (!args.empty() && args[0] == "watch") {
    int32_t flow = ORO_FLOW_RENDER;
    if (args.size() > 2 || (args.size() == 2 && !ParseFlow(args[1], &flow))) {
      std::fprintf(stderr, "%s\n", kUsage);
      return UsageError(args.size() > 2 ? "watch takes at most a flow"
                                        : "unknown flow '" + args[1] + "'; use render or capture");
    }
    return Watch(flow);
  }
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
