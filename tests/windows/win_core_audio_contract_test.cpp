// Core Audio runs the AudioSystem contract. Under Wine the endpoints are
// those of the private sound server the CTest fixture starts
// (tests/windows/pulse_server.sh, named by PULSE_SERVER): a null sink and a
// null source.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "audio_system_contract.h"
#include "oro/platform/text.h"
#include "oro/platform/windows/windows_adapters.h"
#include "oro/platform/windows/wine_host.h"

namespace oro::platform {
namespace {

using namespace contract;  // the suite

struct CoreAudio {
  static std::unique_ptr<AudioSystem> Make(const test::TempRoot&) { return windows_host::MakeCoreAudioSystem(); }
  static std::string ChangeCommand(const test::TempRoot&, const std::string& what, int value) {
    const std::string oroctl = "\"" + test::BuiltFile("oroctl.exe") + "\"";
    return what == "volume" ? oroctl + " volume set render " + std::to_string(value)
                            : oroctl + " volume mute render " + std::to_string(value);
  }
  static std::string VolumeNotWritable() {
    const std::string wine = windows_host::WineVersion();
    if (wine.empty()) return "";
    return "Wine " + wine +
           "'s endpoint volume is a stand-in: it always reads full, cannot be set and never notifies a change";
  }
};

INSTANTIATE_TYPED_TEST_SUITE_P(CoreAudio, AudioSystemContract, CoreAudio);

// The fixture's server, as Wine's Core Audio shows it. On Windows itself the
// machine's own devices are there instead, and this has nothing to check.
class WineSoundServer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (windows_host::WineVersion().empty()) GTEST_SKIP() << "runs under Wine, against the fixture's sound server";
    if (!std::getenv("PULSE_SERVER"))
      GTEST_SKIP() << "PULSE_SERVER is not set: run through CTest, whose fixture starts the server";
  }
  std::unique_ptr<AudioSystem> audio_ = windows_host::MakeCoreAudioSystem();
};

TEST_F(WineSoundServer, TheServersSinkAndSourceAreActiveEndpointsWithTheirNames) {
  struct Expected {
    Flow flow;
    const wchar_t* id_prefix;
    const char* name;
  };
  for (const Expected& want : {Expected{Flow::kRender, L"{0.0.0.00000000}.{", "Oro_Test_Speakers"},
                               Expected{Flow::kCapture, L"{0.0.1.00000000}.{", "Oro_Test_Microphone"}}) {
    std::vector<EndpointInfo> active;
    ASSERT_EQ(audio_->EnumerateEndpoints(want.flow, devstate::kActive, &active), err::kSuccess);
    const auto named = std::find_if(active.begin(), active.end(), [&](const EndpointInfo& e) {
      return ToUtf8(e.name).find(want.name) != std::string::npos;
    });
    ASSERT_NE(named, active.end()) << "no active endpoint named " << want.name << " among " << active.size();
    EXPECT_EQ(named->id.rfind(want.id_prefix, 0), 0u) << ToUtf8(named->id);
    EXPECT_EQ(named->id.size(), std::wstring(want.id_prefix).size() + 37) << ToUtf8(named->id);
    EXPECT_FALSE(named->adapter_name.empty()) << "the device interface's name stands in for the adapter's";

    // Found again by its id, with the same name; Wine's own "PulseAudio"
    // endpoint, which follows the server's default, is the flow's default.
    std::unique_ptr<AudioEndpoint> def;
    ASSERT_EQ(audio_->GetEndpoint(named->id, &def), err::kSuccess);
    EXPECT_EQ(def->Info().name, named->name);
    EXPECT_EQ(def->Info().flow, want.flow);
    std::unique_ptr<EndpointVolume> volume;
    ASSERT_EQ(def->ActivateVolume(&volume), err::kSuccess);
    float scalar = -1;
    EXPECT_EQ(volume->GetMasterScalar(&scalar), err::kSuccess);
    EXPECT_GE(scalar, 0.0f);
    EXPECT_LE(scalar, 1.0f);
    // The system's refusal comes through as such, and keeps the skips above honest.
    EXPECT_EQ(volume->SetMasterScalar(0.5f), err::kNotSupported)
        << "Wine sets endpoint volumes now: the contract's volume cases need not skip";
  }
}

// A subscriber gets nothing from a system that has not changed, and ending
// a subscription while the notifier is between rounds returns at once.
TEST_F(WineSoundServer, AnUnchangedSystemReportsNothing) {
  struct Counter final : EndpointListener {
    void OnDeviceAdded(const std::wstring&) override { ++calls; }
    void OnDeviceRemoved(const std::wstring&) override { ++calls; }
    void OnDeviceStateChanged(const std::wstring&, std::uint32_t) override { ++calls; }
    void OnDefaultDeviceChanged(Flow, Role, const std::wstring&) override { ++calls; }
    void OnPropertyValueChanged(const std::wstring&, const std::wstring&) override { ++calls; }
    std::atomic<int> calls{0};
  } counter;
  std::unique_ptr<Subscription> sub;
  ASSERT_EQ(audio_->SubscribeEndpoints(&counter, &sub), err::kSuccess);
  // Past the backstop's look at the system, which finds it as it was.
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  sub.reset();
  EXPECT_EQ(counter.calls, 0);
}

}  // namespace
}  // namespace oro::platform
