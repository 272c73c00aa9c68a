// The volume and mute exports over the simulated machine: the readings the
// panel sees (single-precision rounding), what reaches the endpoint, and the
// fixed results when no endpoint can be used.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "oro/device_api/library_context.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/sim/sim_layout.h"
#include "oro/platform/sim/sim_machine.h"
#include "oro/tools/sim/kit_machine.h"
#include "oro_ecd_api.h"
#include "temp_root.h"

namespace oro::device_api {
namespace {

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

}  // namespace
}  // namespace oro::device_api
