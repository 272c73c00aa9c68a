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

// How a master volume scalar reads as a percentage: scalar x 100 in single
// precision, truncated (0.53f reads as 52), kept within 0..100 before the
// conversion, which would be undefined for huge values. NaN reads as 0.
int ScalarToPercent(float scalar);

// The percentage a volume change notification reports: the nearest whole
// percent, so the notification of the kit's own _SetVolum(v) (scalar v / 100
// in single precision) reads back as exactly v, never v - 1.
int ScalarToNearestPercent(float scalar);

}  // namespace oro::common
