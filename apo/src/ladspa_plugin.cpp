// The processing object as a LADSPA plugin, so the sound server's filter sink
// can run it: one stereo instance, two audio inputs and two outputs, no
// controls (everything comes from the parameter section).
#include <ladspa.h>

#include <cstdlib>
#include <string>
#include <utility>

#include "oro/platform/platform.h"
#include "speaker_filter.h"

namespace {

enum Port : unsigned long { kInLeft, kInRight, kOutLeft, kOutRight, kPortCount };

struct Instance {
  oro::apo::SpeakerFilter filter;
  const LADSPA_Data* in[2] = {};
  LADSPA_Data* out[2] = {};
  Instance(float rate, std::string run_dir) : filter(rate, std::move(run_dir)) {}
};

LADSPA_Handle Instantiate(const LADSPA_Descriptor*, unsigned long rate) {
  try {
    if (rate == 0) return nullptr;
    const oro::platform::StatePaths paths = oro::platform::ResolveStatePaths(std::getenv("ORO_ROOT"));
    return new Instance(static_cast<float>(rate), paths.run_dir);
  } catch (...) {
    return nullptr;
  }
}

void Connect(LADSPA_Handle h, unsigned long port, LADSPA_Data* data) {
  auto* inst = static_cast<Instance*>(h);
  switch (port) {
    case kInLeft:
    case kInRight:
      inst->in[port - kInLeft] = data;
      break;
    case kOutLeft:
    case kOutRight:
      inst->out[port - kOutLeft] = data;
      break;
    default:
      break;
  }
}

void Activate(LADSPA_Handle h) { static_cast<Instance*>(h)->filter.Activate(); }

void Run(LADSPA_Handle h, unsigned long frames) {
  auto* inst = static_cast<Instance*>(h);
  if (!inst->in[0] || !inst->in[1] || !inst->out[0] || !inst->out[1]) return;
  inst->filter.Run(inst->in[0], inst->in[1], inst->out[0], inst->out[1], frames);
}

void Cleanup(LADSPA_Handle h) { delete static_cast<Instance*>(h); }

const LADSPA_PortDescriptor kPortKinds[kPortCount] = {
    LADSPA_PORT_INPUT | LADSPA_PORT_AUDIO,
    LADSPA_PORT_INPUT | LADSPA_PORT_AUDIO,
    LADSPA_PORT_OUTPUT | LADSPA_PORT_AUDIO,
    LADSPA_PORT_OUTPUT | LADSPA_PORT_AUDIO,
};
const char* const kPortNames[kPortCount] = {"Input L", "Input R", "Output L", "Output R"};
const LADSPA_PortRangeHint kPortHints[kPortCount] = {};

const LADSPA_Descriptor kDescriptor = {
    0x4F524F,  // "ORO"
    "oro_sound_apo",
    LADSPA_PROPERTY_HARD_RT_CAPABLE,
    "OroSound equalizer and balance",
    "OroSound Kit",
    "None",
    kPortCount,
    kPortKinds,
    kPortNames,
    kPortHints,
    nullptr,
    Instantiate,
    Connect,
    Activate,
    Run,
    nullptr,
    nullptr,
    nullptr,
    Cleanup,
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const LADSPA_Descriptor* ladspa_descriptor(unsigned long index) {
  return index == 0 ? &kDescriptor : nullptr;
}
