// The host's audio system runs the port's contract against a private sound
// server holding the kit's devices; without a server the whole program skips.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "audio_system_contract.h"
#include "pulse_fixture.h"

namespace oro::platform {
namespace {

using namespace contract;  // the suite

// One server for the program (CTest runs each test in a program of its own).
class ServerEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!daemon_.Start()) GTEST_SKIP() << daemon_.Why();
    test::PulseTest::LoadKitDevices(daemon_);
    server_ = daemon_.Server();
  }
  void TearDown() override { daemon_.Kill(); }
  static const std::string& Server() { return server_; }

 private:
  test::TempRoot root_;
  test::PulseDaemon daemon_{root_.Path()};
  static inline std::string server_;
};

const auto* const kServer = ::testing::AddGlobalTestEnvironment(new ServerEnvironment);

struct PulseAudio {
  static std::unique_ptr<AudioSystem> Make(const test::TempRoot&) {
    pulse::PulseOptions options;
    options.server = ServerEnvironment::Server();
    return pulse::MakePulseAudioSystem(options);
  }
  static std::string ChangeCommand(const test::TempRoot&, const std::string& what, int value) {
    return "env -u PULSE_COOKIE PULSE_SERVER=" + ServerEnvironment::Server() + " /usr/bin/pactl set-sink-" + what +
           " @DEFAULT_SINK@ " + std::to_string(value) + (what == "volume" ? "%" : "");
  }
};

INSTANTIATE_TYPED_TEST_SUITE_P(PulseAudio, AudioSystemContract, PulseAudio);

}  // namespace
}  // namespace oro::platform
