// The host's audio system adapter runs the port's contract on whatever
// machine the tests run on; what it lacks (endpoints) is skipped, not passed.
#include <gtest/gtest.h>

#include "audio_system_contract.h"
#include "oro/platform/linux/host_adapters.h"

namespace oro::platform {
namespace {

using namespace contract;  // the suite

struct HostAudio {
  static std::unique_ptr<AudioSystem> Make(const test::TempRoot&) { return linux_host::MakeHostAudioSystem(); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(HostAudio, AudioSystemContract, HostAudio);

}  // namespace
}  // namespace oro::platform
