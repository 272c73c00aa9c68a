// Master volume and mute of the default multimedia endpoint of a flow.
// Every export runs the same sequence (OpenDefaultEndpointVolume) and gives
// its fixed fallback result when any step fails.
#include <cmath>
#include <memory>

#include "oro/common/endpoint_volume.h"
#include "oro/device_api/library_context.h"
#include "oro_ecd_api.h"

namespace {

using oro::platform::EndpointVolume;

constexpr int32_t kVolumeFallback = 50;

// The endpoint volume of the flow's default endpoint, or null. Only flows 0
// and 1 exist; anything else is refused here rather than handed on.
std::unique_ptr<EndpointVolume> OpenVolume(int32_t flow) {
  if (flow != ORO_FLOW_RENDER && flow != ORO_FLOW_CAPTURE) return nullptr;
  auto& audio = oro::device_api::LibraryPlatform().audio;
  if (!audio) return nullptr;
  std::unique_ptr<EndpointVolume> volume;
  const auto f = flow == ORO_FLOW_RENDER ? oro::platform::Flow::kRender : oro::platform::Flow::kCapture;
  if (oro::common::OpenDefaultEndpointVolume(*audio, f, &volume)) return nullptr;
  return volume;
}

}  // namespace

extern "C" ORO_API int32_t _SetVolum(int32_t volume, int32_t flow, ...) {
  // Refused here, whatever an audio system would make of a scalar past 1.
  if (volume < 0 || volume > 100) return 0;
  try {
    auto v = OpenVolume(flow);
    return v && v->SetMasterScalar(static_cast<float>(volume) / 100.0f) == 0 ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

extern "C" ORO_API int32_t _getVolum(int32_t flow) {
  try {
    auto v = OpenVolume(flow);
    float scalar = 0.0f;
    if (!v || v->GetMasterScalar(&scalar) != 0 || std::isnan(scalar)) return kVolumeFallback;
    return oro::common::ScalarToPercent(scalar);
  } catch (...) {
    return kVolumeFallback;
  }
}

extern "C" ORO_API int32_t _SetMasterMute(int32_t mute, int32_t flow) {
  try {
    auto v = OpenVolume(flow);
    return v && v->SetMute(mute != 0) == 0 ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

extern "C" ORO_API int32_t _GetMasterMute(int32_t flow) {
  try {
    auto v = OpenVolume(flow);
    bool mute = false;
    if (!v || v->GetMute(&mute) != 0) return 0;
    return mute ? 1 : 0;
  } catch (...) {
    return 0;
  }
}
