// The volume and mute exports over the simulated machine: the readings the
// panel sees (single-precision rounding), what reaches the endpoint, and the
// fixed results when no endpoint can be used. On Windows the same exports
// over the machine's Core Audio endpoints (under Wine, the sound-server
// fixture's), as far as the system lets a test change them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "oro/device_api/library_context.h"
#include "oro/platform/make_platform.h"
#include "oro_ecd_api.h"
#include "temp_root.h"
#ifdef _WIN32
#include "oro/platform/windows/windows_adapters.h"
#else
#include "oro/platform/sim/sim_layout.h"
#include "oro/platform/sim/sim_machine.h"
#include "oro/tools/sim/kit_machine.h"
#endif

namespace oro::device_api {
namespace {

#ifdef _WIN32
using platform::Flow;

class CoreAudioVolumeExports : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::Platform p;
    p.audio = audio_;
    SetLibraryPlatform(std::move(p));
    if (!Volume(Flow::kRender) || !Volume(Flow::kCapture)) {
      GTEST_SKIP() << "the machine has no default render and capture endpoints (under Wine: no sound server; run "
                      "through CTest, whose fixture starts one)";
    }
  }
  void TearDown() override {
    for (auto& [volume, scalar] : restore_) volume->SetMasterScalar(scalar);
  }

  // The flow's default endpoint's volume, as the library finds it.
  std::unique_ptr<platform::EndpointVolume> Volume(Flow flow) {
    std::unique_ptr<platform::AudioEndpoint> endpoint;
    std::unique_ptr<platform::EndpointVolume> volume;
    if (audio_->GetDefaultEndpoint(flow, platform::Role::kMultimedia, &endpoint) != 0 ||
        endpoint->ActivateVolume(&volume) != 0) {
      return nullptr;
    }
    return volume;
  }
  float Scalar(Flow flow) {
    float v = -1.0f;
    EXPECT_EQ(Volume(flow)->GetMasterScalar(&v), platform::err::kSuccess);
    return v;
  }
  // Skips unless the flow's volume can be set (it is put back afterwards).
  void RequireWritable(Flow flow) {
    auto volume = Volume(flow);
    float now = 0;
    ASSERT_EQ(volume->GetMasterScalar(&now), platform::err::kSuccess);
    if (const platform::ErrorCode rc = volume->SetMasterScalar(now)) {
      GTEST_SKIP() << "the endpoint's volume cannot be set (error " << rc
                   << "; Wine's endpoint volume is a stand-in that always reads full)";
    }
    restore_.emplace_back(std::move(volume), now);
  }

  std::shared_ptr<platform::AudioSystem> audio_ = platform::windows_host::MakeCoreAudioSystem();
  std::vector<std::pair<std::unique_ptr<platform::EndpointVolume>, float>> restore_;
};

TEST_F(CoreAudioVolumeExports, ReadingsAreTheDefaultEndpointsTruncatedPercent) {
  for (Flow flow : {Flow::kRender, Flow::kCapture}) {
    const int32_t want = static_cast<int32_t>(Scalar(flow) * 100.0f);
    EXPECT_EQ(_getVolum(flow == Flow::kRender ? ORO_FLOW_RENDER : ORO_FLOW_CAPTURE), want);
  }
}

TEST_F(CoreAudioVolumeExports, FlowsOtherThanRenderAndCaptureFail) {
  const float render = Scalar(Flow::kRender);
  for (int32_t flow : {2, -1, 3, 0x7fffffff}) {
    EXPECT_EQ(_getVolum(flow), 50) << flow;
    EXPECT_EQ(_GetMasterMute(flow), 0) << flow;
    EXPECT_EQ(_SetVolum(10, flow), 0) << flow;
    EXPECT_EQ(_SetMasterMute(1, flow), 0) << flow;
  }
  EXPECT_EQ(Scalar(Flow::kRender), render);
}

TEST_F(CoreAudioVolumeExports, SettingDividesInSinglePrecisionAndRefusesWhatIsOffTheScale) {
  RequireWritable(Flow::kCapture);
  if (IsSkipped()) return;
  EXPECT_EQ(_SetVolum(35, ORO_FLOW_CAPTURE, 0), 1);
  EXPECT_EQ(Scalar(Flow::kCapture), 35 / 100.0f);
  EXPECT_EQ(_getVolum(ORO_FLOW_CAPTURE), 35);
  EXPECT_EQ(_SetVolum(101, ORO_FLOW_CAPTURE), 0);
  EXPECT_EQ(_SetVolum(-1, ORO_FLOW_CAPTURE), 0);
  EXPECT_EQ(Scalar(Flow::kCapture), 35 / 100.0f);
}

TEST(VolumeExportsWithoutAudio, NoAudioSystemGivesTheFallbacks) {
  SetLibraryPlatform(platform::Platform{});
  for (int32_t flow : {ORO_FLOW_RENDER, ORO_FLOW_CAPTURE}) {
    EXPECT_EQ(_getVolum(flow), 50);
    EXPECT_EQ(_GetMasterMute(flow), 0);
    EXPECT_EQ(_SetVolum(10, flow), 0);
    EXPECT_EQ(_SetMasterMute(1, flow), 0);
  }
}
#else

using platform::Flow;
using platform::Role;
using platform::sim::SimEndpoint;
using platform::sim::SimMachine;

class VolumeExports : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::Platform p =
        platform::MakePlatform(platform::Profile::kSim, platform::ResolveStatePaths(root_.Path().c_str()));
    store_ = p.registry;
    SetLibraryPlatform(std::move(p));
    machine_ = std::make_unique<SimMachine>(*store_);
    ASSERT_EQ(tools::sim::CreateKitMachine(Machine(), L"/tmp/"), platform::err::kSuccess);
  }

  SimMachine& Machine() { return *machine_; }

  std::wstring Id(const wchar_t* alias) {
    SimEndpoint e;
    EXPECT_EQ(Machine().Find(alias, &e), platform::err::kSuccess);
    return e.info.id;
  }

  float Scalar(const wchar_t* alias) {
    float v = -1.0f;
    EXPECT_EQ(Machine().GetVolume(Id(alias), &v), platform::err::kSuccess);
    return v;
  }

  void SetScalar(const wchar_t* alias, float v) {
    ASSERT_EQ(Machine().SetVolume(Id(alias), v), platform::err::kSuccess);
  }

  // Stores a scalar the machine itself would refuse, as another writer might.
  void StoreRawScalar(const wchar_t* alias, float v) {
    Flow flow;
    std::wstring guid;
    ASSERT_TRUE(platform::sim::layout::ParseEndpointId(Id(alias), &flow, &guid));
    platform::KeyHandle h;
    ASSERT_EQ(store_->OpenKey(platform::RootKey::kLocalMachine, platform::sim::layout::EndpointKeyPath(flow, guid),
                              platform::keyaccess::kSetValue, &h),
              platform::err::kSuccess);
    std::uint8_t bytes[4];
    std::memcpy(bytes, &v, 4);
    ASSERT_EQ(store_->SetValue(h, platform::sim::layout::kVolume, platform::regtype::kBinary, bytes, 4),
              platform::err::kSuccess);
  }

  void UnplugAllCapture() {
    for (const wchar_t* a : {tools::sim::kHeadsetCapture, tools::sim::kDongleCapture, tools::sim::kOnboardCapture}) {
      ASSERT_EQ(Machine().Unplug(Id(a)), platform::err::kSuccess);
    }
  }

  oro::test::TempRoot root_;
  std::shared_ptr<platform::RegistryStore> store_;
  std::unique_ptr<SimMachine> machine_;
};

TEST_F(VolumeExports, ReadingTruncatesTheSinglePrecisionProduct) {
  const struct {
    float scalar;
    int32_t percent;
  } cases[] = {{0.53f, 52}, {0.29f, 29}, {1.0f, 100}, {0.0f, 0}, {0.999f, 99}, {0.35f, 35}, {0.07f, 7}};
  for (const auto& c : cases) {
    SetScalar(tools::sim::kHeadsetRender, c.scalar);
    EXPECT_EQ(_getVolum(ORO_FLOW_RENDER), c.percent) << "scalar " << c.scalar;
  }
  SetScalar(tools::sim::kHeadsetCapture, 0.53f);
  EXPECT_EQ(_getVolum(ORO_FLOW_CAPTURE), 52);
}

TEST_F(VolumeExports, ReadingsOutsideTheScaleAreKeptWithinIt) {
  StoreRawScalar(tools::sim::kHeadsetRender, 1.25f);
  EXPECT_EQ(_getVolum(ORO_FLOW_RENDER), 100);
  StoreRawScalar(tools::sim::kHeadsetRender, 3.0e38f);  // x 100 overflows to infinity
  EXPECT_EQ(_getVolum(ORO_FLOW_RENDER), 100);
  StoreRawScalar(tools::sim::kHeadsetRender, -0.5f);
  EXPECT_EQ(_getVolum(ORO_FLOW_RENDER), 0);
}

TEST_F(VolumeExports, SettingDividesInSinglePrecision) {
  EXPECT_EQ(_SetVolum(100, ORO_FLOW_RENDER), 1);
  EXPECT_EQ(Scalar(tools::sim::kHeadsetRender), 1.0f);
  // The panel's three-argument form; the extra argument changes nothing.
  EXPECT_EQ(_SetVolum(35, ORO_FLOW_CAPTURE, 0), 1);
  EXPECT_EQ(Scalar(tools::sim::kHeadsetCapture), 35 / 100.0f);
  EXPECT_EQ(_getVolum(ORO_FLOW_CAPTURE), 35);
  EXPECT_EQ(_SetVolum(0, ORO_FLOW_RENDER), 1);
  EXPECT_EQ(Scalar(tools::sim::kHeadsetRender), 0.0f);
  // Other endpoints keep their volumes.
  EXPECT_EQ(Scalar(tools::sim::kOnboardRender), 0.50f);
}

TEST_F(VolumeExports, PercentagesTheEndpointRefusesReportFailure) {
  SetScalar(tools::sim::kHeadsetRender, 0.4f);
  EXPECT_EQ(_SetVolum(101, ORO_FLOW_RENDER), 0);
  EXPECT_EQ(_SetVolum(-1, ORO_FLOW_RENDER), 0);
  EXPECT_EQ(Scalar(tools::sim::kHeadsetRender), 0.4f);
}

TEST_F(VolumeExports, MuteReachesTheDefaultEndpointOfTheFlow) {
  EXPECT_EQ(_GetMasterMute(ORO_FLOW_CAPTURE), 0);
  EXPECT_EQ(_SetMasterMute(1, ORO_FLOW_CAPTURE), 1);
  EXPECT_EQ(_GetMasterMute(ORO_FLOW_CAPTURE), 1);
  EXPECT_EQ(_GetMasterMute(ORO_FLOW_RENDER), 0);
  bool mute = false;
  ASSERT_EQ(Machine().GetMute(Id(tools::sim::kHeadsetCapture), &mute), platform::err::kSuccess);
  EXPECT_TRUE(mute);
  EXPECT_EQ(_SetMasterMute(0, ORO_FLOW_CAPTURE), 1);
  EXPECT_EQ(_GetMasterMute(ORO_FLOW_CAPTURE), 0);
}

TEST_F(VolumeExports, TheMultimediaRoleChoosesTheEndpoint) {
  ASSERT_EQ(Machine().SetDefault(Flow::kRender, Role::kMultimedia, Id(tools::sim::kOnboardRender)),
            platform::err::kSuccess);
  EXPECT_EQ(_getVolum(ORO_FLOW_RENDER), 50);  // the onboard device's 0.5, not the headset's 0.75
  EXPECT_EQ(_SetVolum(20, ORO_FLOW_RENDER), 1);
  EXPECT_EQ(Scalar(tools::sim::kOnboardRender), 0.2f);
  EXPECT_EQ(Scalar(tools::sim::kHeadsetRender), 0.75f);
}

TEST_F(VolumeExports, WithoutACaptureEndpointTheFallbacksAreReturned) {
  UnplugAllCapture();
  EXPECT_EQ(_getVolum(ORO_FLOW_CAPTURE), 50);
  EXPECT_EQ(_GetMasterMute(ORO_FLOW_CAPTURE), 0);
  EXPECT_EQ(_SetVolum(10, ORO_FLOW_CAPTURE), 0);
  EXPECT_EQ(_SetMasterMute(1, ORO_FLOW_CAPTURE), 0);
  // The render side is not affected.
  EXPECT_EQ(_getVolum(ORO_FLOW_RENDER), 75);
  EXPECT_EQ(_SetVolum(10, ORO_FLOW_RENDER), 1);
}

TEST_F(VolumeExports, AMutedEndpointThatIsUnpluggedReadsAsNotMuted) {
  ASSERT_EQ(_SetMasterMute(1, ORO_FLOW_CAPTURE), 1);
  UnplugAllCapture();
  EXPECT_EQ(_GetMasterMute(ORO_FLOW_CAPTURE), 0);
}

TEST_F(VolumeExports, FlowsOtherThanRenderAndCaptureFail) {
  for (int32_t flow : {2, -1, 3, 0x7fffffff}) {
    EXPECT_EQ(_getVolum(flow), 50) << flow;
    EXPECT_EQ(_GetMasterMute(flow), 0) << flow;
    EXPECT_EQ(_SetVolum(10, flow), 0) << flow;
    EXPECT_EQ(_SetMasterMute(1, flow), 0) << flow;
  }
  EXPECT_EQ(Scalar(tools::sim::kHeadsetRender), 0.75f);
  EXPECT_EQ(Scalar(tools::sim::kHeadsetCapture), 0.80f);
}

TEST_F(VolumeExports, AHostWithoutEndpointsGivesTheFallbacks) {
  platform::Platform host =
      platform::MakePlatform(platform::Profile::kHost, platform::ResolveStatePaths(root_.Path().c_str()));
  SetLibraryPlatform(std::move(host));
  EXPECT_EQ(_getVolum(ORO_FLOW_RENDER), 50);
  EXPECT_EQ(_GetMasterMute(ORO_FLOW_RENDER), 0);
  EXPECT_EQ(_SetVolum(10, ORO_FLOW_RENDER), 0);
  EXPECT_EQ(_SetMasterMute(1, ORO_FLOW_RENDER), 0);
}
#endif

}  // namespace
}  // namespace oro::device_api
