// The host's audio system until a sound-server adapter lands: no endpoints,
// so every caller takes its "nothing to use" path.
#include <memory>

#include "oro/platform/linux/host_adapters.h"

namespace oro::platform::linux_host {
namespace {

class NoEndpointsAudioSystem final : public AudioSystem {
 public:
  ErrorCode GetDefaultEndpoint(Flow, Role, std::unique_ptr<AudioEndpoint>*) override { return err::kNotFound; }
  ErrorCode EnumerateEndpoints(Flow, std::uint32_t, std::vector<EndpointInfo>* out) override {
    out->clear();
    return err::kSuccess;
  }
};

}  // namespace

std::unique_ptr<AudioSystem> MakeHostAudioSystem() { return std::make_unique<NoEndpointsAudioSystem>(); }

}  // namespace oro::platform::linux_host
