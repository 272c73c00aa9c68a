#include "oro/common/endpoint_volume.h"

#include <cmath>

namespace oro::common {

platform::ErrorCode OpenDefaultEndpointVolume(platform::AudioSystem& audio, platform::Flow flow,
                                              std::unique_ptr<platform::EndpointVolume>* out) {
  std::unique_ptr<platform::AudioEndpoint> endpoint;
  if (auto rc = audio.GetDefaultEndpoint(flow, platform::Role::kMultimedia, &endpoint)) return rc;
  if (!endpoint) return platform::err::kNotFound;
  std::unique_ptr<platform::EndpointVolume> volume;
  if (auto rc = endpoint->ActivateVolume(&volume)) return rc;
  if (!volume) return platform::err::kNotFound;
  if (auto rc = endpoint->ActivateClient()) return rc;
  *out = std::move(volume);
  return platform::err::kSuccess;
}

int ScalarToPercent(float scalar) {
  const float percent = scalar * 100.0f;
  if (percent >= 100.0f) return 100;
  if (!(percent > 0.0f)) return 0;
  return static_cast<int>(percent);
}

int ScalarToNearestPercent(float scalar) {
  const float percent = scalar * 100.0f;
  if (percent >= 100.0f) return 100;
  if (!(percent > 0.0f)) return 0;
  return static_cast<int>(std::lround(percent));
}

}  // namespace oro::common
