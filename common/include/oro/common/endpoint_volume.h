// The one way the kit reaches an endpoint's master volume: the default
// endpoint of the flow for the multimedia role, with its volume interface and
// a stream client both activated (an endpoint that cannot stream is not used).
#pragma once

#include <memory>

#include "oro/platform/audio_system.h"

namespace oro::common {

// The first failure of the sequence: err::kNotFound when the flow has no
// default endpoint, the activation's code when one of them fails.
platform::ErrorCode OpenDefaultEndpointVolume(platform::AudioSystem& audio, platform::Flow flow,
                                              std::unique_ptr<platform::EndpointVolume>* out);

}  // namespace oro::common
