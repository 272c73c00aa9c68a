// The audio system of a Linux desktop, over the sound server's client library
// (PulseAudio, or PipeWire's PulseAudio server). Sinks are render endpoints,
// sources capture endpoints; monitors and the kit's own filter sinks are not
// endpoints, and a filter sink that is the server's default counts as its
// master being the default. The server has one default per direction, which
// stands for every role. Installing the processing on a render endpoint puts
// the sound server's LADSPA filter sink with the kit's plugin in front of it.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "oro/platform/audio_system.h"

namespace oro::platform::pulse {

struct PulseOptions {
  std::string server;                     // empty: the server the environment names
  std::chrono::milliseconds bound{1500};  // longest wait of any one call
  std::string plugin_path;                // empty: OroSoundAPO.so beside this program or library
};

std::unique_ptr<AudioSystem> MakePulseAudioSystem(const PulseOptions& options = {});

}  // namespace oro::platform::pulse
