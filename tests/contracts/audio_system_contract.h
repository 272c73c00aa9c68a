// Contract of the AudioSystem port: defaults are active endpoints of their
// flow, enumeration filters by flow and state, and an endpoint's volume and
// mute round-trip exactly, are seen by every other user of the system and
// refuse values outside their range. An adapter's test file supplies a
// factory and instantiates the suite:
//
//   struct MyAudio {
//     // The audio system of the state folder `root` (a simulated adapter builds
//     // its machine there; a host adapter ignores it). Each call is another
//     // client of the same system.
//     static std::unique_ptr<AudioSystem> Make(const oro::test::TempRoot& root);
//   };
//   using namespace oro::platform::contract;
//   INSTANTIATE_TYPED_TEST_SUITE_P(MyAudio, AudioSystemContract, MyAudio);
//
// Tests that need an endpoint the machine lacks skip and say so. Volumes that
// a test changes are put back, so the suite can run against a real machine.
// Include this header in one test file per program (it registers the suite).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "oro/platform/audio_system.h"
#include "oro/platform/text.h"
#include "temp_root.h"

namespace oro::platform::contract {

template <typename Factory>
class AudioSystemContract : public ::testing::Test {
 protected:
  // The default multimedia endpoint's volume, or null when the flow has none.
  std::unique_ptr<EndpointVolume> DefaultVolume(AudioSystem& audio, Flow flow) {
    std::unique_ptr<AudioEndpoint> ep;
    if (audio.GetDefaultEndpoint(flow, Role::kMultimedia, &ep) != err::kSuccess || !ep) return nullptr;
    std::unique_ptr<EndpointVolume> v;
    EXPECT_EQ(ep->ActivateVolume(&v), err::kSuccess);
    return v;
  }

  // Restores what a test changed, even when it fails half-way.
  struct Saved {
    EndpointVolume* volume = nullptr;
    float scalar = 0;
    bool mute = false;
    ~Saved() {
      if (!volume) return;
      volume->SetMasterScalar(scalar);
      volume->SetMute(mute);
    }
  };

  oro::test::TempRoot root_;
  std::unique_ptr<AudioSystem> audio_ = Factory::Make(root_);
};

TYPED_TEST_SUITE_P(AudioSystemContract);

TYPED_TEST_P(AudioSystemContract, DefaultsAreActiveEndpointsOfTheirFlowAndEnumerationFilters) {
  for (Flow flow : {Flow::kRender, Flow::kCapture}) {
    std::vector<EndpointInfo> all, active, inactive;
    ASSERT_EQ(this->audio_->EnumerateEndpoints(flow, 0xF, &all), err::kSuccess);
    ASSERT_EQ(this->audio_->EnumerateEndpoints(flow, devstate::kActive, &active), err::kSuccess);
    ASSERT_EQ(this->audio_->EnumerateEndpoints(flow, 0xE, &inactive), err::kSuccess);
    EXPECT_EQ(active.size() + inactive.size(), all.size());
    for (const auto& e : active) {
      EXPECT_EQ(e.flow, flow) << ToUtf8(e.id);
      EXPECT_EQ(e.state, devstate::kActive) << ToUtf8(e.id);
    }
    for (const auto& e : inactive) EXPECT_NE(e.state, devstate::kActive) << ToUtf8(e.id);
    std::vector<EndpointInfo> none;
    ASSERT_EQ(this->audio_->EnumerateEndpoints(flow, 0, &none), err::kSuccess);
    EXPECT_TRUE(none.empty());

    for (Role role : {Role::kConsole, Role::kMultimedia, Role::kCommunications}) {
      std::unique_ptr<AudioEndpoint> ep;
      const ErrorCode rc = this->audio_->GetDefaultEndpoint(flow, role, &ep);
      if (active.empty()) {
        EXPECT_EQ(rc, err::kNotFound) << "a flow without active endpoints has no default";
        continue;
      }
      if (rc == err::kNotFound) continue;
      ASSERT_EQ(rc, err::kSuccess);
      ASSERT_TRUE(ep);
      EXPECT_EQ(ep->Info().flow, flow);
      const auto listed =
          std::find_if(active.begin(), active.end(), [&](const EndpointInfo& e) { return e.id == ep->Info().id; });
      EXPECT_NE(listed, active.end()) << ToUtf8(ep->Info().id) << " is default but not listed as active";
      EXPECT_EQ(ep->ActivateClient(), err::kSuccess);
    }
  }
}

TYPED_TEST_P(AudioSystemContract, VolumeAndMuteRoundTripExactlyAndReachOtherClients) {
  auto v = this->DefaultVolume(*this->audio_, Flow::kRender);
  if (!v) GTEST_SKIP() << "the machine has no default render endpoint";
  typename TestFixture::Saved saved{v.get()};
  ASSERT_EQ(v->GetMasterScalar(&saved.scalar), err::kSuccess);
  ASSERT_EQ(v->GetMute(&saved.mute), err::kSuccess);
  auto capture = this->DefaultVolume(*this->audio_, Flow::kCapture);
  float capture_before = 0;
  if (capture) {
    ASSERT_EQ(capture->GetMasterScalar(&capture_before), err::kSuccess);
  }

  const float target = saved.scalar == 0.53f ? 0.47f : 0.53f;
  ASSERT_EQ(v->SetMasterScalar(target), err::kSuccess);
  ASSERT_EQ(v->SetMute(!saved.mute), err::kSuccess);

  auto other = TypeParam::Make(this->root_);
  auto ov = this->DefaultVolume(*other, Flow::kRender);
  ASSERT_TRUE(ov);
  float scalar = 0;
  bool mute = saved.mute;
  ASSERT_EQ(ov->GetMasterScalar(&scalar), err::kSuccess);
  ASSERT_EQ(ov->GetMute(&mute), err::kSuccess);
  EXPECT_EQ(scalar, target);  // bit for bit, not approximately
  EXPECT_EQ(mute, !saved.mute);
  if (capture) {
    ASSERT_EQ(capture->GetMasterScalar(&scalar), err::kSuccess);
    EXPECT_EQ(scalar, capture_before) << "the other flow must not change";
  }
}

TYPED_TEST_P(AudioSystemContract, VolumeOutsideTheScalarRangeIsRefusedAndChangesNothing) {
  auto v = this->DefaultVolume(*this->audio_, Flow::kRender);
  if (!v) GTEST_SKIP() << "the machine has no default render endpoint";
  typename TestFixture::Saved saved{v.get()};
  ASSERT_EQ(v->GetMasterScalar(&saved.scalar), err::kSuccess);
  ASSERT_EQ(v->GetMute(&saved.mute), err::kSuccess);
  for (float bad : {1.01f, -0.01f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
    EXPECT_EQ(v->SetMasterScalar(bad), err::kInvalidParameter) << bad;
  }
  float scalar = -1;
  ASSERT_EQ(v->GetMasterScalar(&scalar), err::kSuccess);
  EXPECT_EQ(scalar, saved.scalar);
  EXPECT_EQ(v->SetMasterScalar(0.0f), err::kSuccess);
  EXPECT_EQ(v->SetMasterScalar(1.0f), err::kSuccess);
}

TYPED_TEST_P(AudioSystemContract, EveryEndpointIsFoundByItsIdAndNoOtherIdIs) {
  for (Flow flow : {Flow::kRender, Flow::kCapture}) {
    std::vector<EndpointInfo> all;
    ASSERT_EQ(this->audio_->EnumerateEndpoints(flow, 0xF, &all), err::kSuccess);
    for (const auto& e : all) {
      std::unique_ptr<AudioEndpoint> ep;
      ASSERT_EQ(this->audio_->GetEndpoint(e.id, &ep), err::kSuccess) << ToUtf8(e.id);
      ASSERT_TRUE(ep);
      EXPECT_EQ(ep->Info().id, e.id);
      EXPECT_EQ(ep->Info().flow, flow);
      EXPECT_EQ(ep->Info().state, e.state);
      EXPECT_EQ(ep->Info().name, e.name);
      EXPECT_EQ(ep->Info().device_path, e.device_path);
      std::unique_ptr<EndpointVolume> v;
      const ErrorCode rc = ep->ActivateVolume(&v);
      if (e.state != devstate::kActive) {
        EXPECT_NE(rc, err::kSuccess) << ToUtf8(e.id) << " is not active";
        continue;
      }
      ASSERT_EQ(rc, err::kSuccess) << ToUtf8(e.id);
      // The same endpoint got as the default reads the same volume.
      auto def = this->DefaultVolume(*this->audio_, flow);
      std::unique_ptr<AudioEndpoint> default_ep;
      if (!def || this->audio_->GetDefaultEndpoint(flow, Role::kMultimedia, &default_ep) != err::kSuccess ||
          default_ep->Info().id != e.id) {
        continue;
      }
      float by_id = -1, by_default = -2;
      ASSERT_EQ(v->GetMasterScalar(&by_id), err::kSuccess);
      ASSERT_EQ(def->GetMasterScalar(&by_default), err::kSuccess);
      EXPECT_EQ(by_id, by_default);
    }
  }
  std::unique_ptr<AudioEndpoint> none;
  for (const wchar_t* id : {L"{0.0.0.00000000}.{00000000-0000-0000-0000-000000000000}",
                            L"{0.0.1.00000000}.{00000000-0000-0000-0000-000000000000}", L"", L"not an id"}) {
    EXPECT_EQ(this->audio_->GetEndpoint(id, &none), err::kNotFound) << ToUtf8(id);
    EXPECT_FALSE(none);
  }
}

REGISTER_TYPED_TEST_SUITE_P(AudioSystemContract, DefaultsAreActiveEndpointsOfTheirFlowAndEnumerationFilters,
                            EveryEndpointIsFoundByItsIdAndNoOtherIdIs,
                            VolumeAndMuteRoundTripExactlyAndReachOtherClients,
                            VolumeOutsideTheScalarRangeIsRefusedAndChangesNothing);

}  // namespace oro::platform::contract
