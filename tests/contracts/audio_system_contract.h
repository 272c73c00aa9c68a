// Contract of the AudioSystem port: defaults are active endpoints of their
// flow, enumeration filters by flow and state, and an endpoint's volume and
// mute round-trip exactly, are seen by every other user of the system and
// refuse values outside their range. Changes made in another process reach
// every volume subscriber, the same notifications in the same order; a
// subscription once destroyed never calls back, and one may end inside its
// own callback. An adapter's test file supplies a factory and instantiates
// the suite:
//
//   struct MyAudio {
//     // The audio system of the state folder `root` (a simulated adapter builds
//     // its machine there; a host adapter ignores it). Each call is another
//     // client of the same system.
//     static std::unique_ptr<AudioSystem> Make(const oro::test::TempRoot& root);
//     // A shell command for another program of the system that sets the
//     // default render endpoint's volume ("volume", a whole percentage) or
//     // mute ("mute", 0 or 1).
//     static std::string ChangeCommand(const oro::test::TempRoot& root, const std::string& what, int value);
//     // Optional: why the system's volume cannot be set or watched here, or
//     // empty; the cases that need it skip with this reason.
//     static std::string VolumeNotWritable();
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
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "oro/platform/audio_system.h"
#include "oro/platform/text.h"
#include "temp_root.h"

namespace oro::platform {

// Compared and printed in the tests' expectations (found by argument lookup).
inline bool operator==(const VolumeNotification& a, const VolumeNotification& b) {
  return a.master_scalar == b.master_scalar && a.muted == b.muted;
}
inline void PrintTo(const VolumeNotification& n, std::ostream* os) {
  *os << "{" << n.master_scalar << (n.muted ? ", muted}" : "}");
}

namespace contract {

// Keeps every volume notification; `during` runs inside each callback.
class VolumeRecorder final : public VolumeListener {
 public:
  void OnVolumeNotify(const VolumeNotification& n) override {
    if (during) during();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      seen_.push_back(n);
    }
    cv_.notify_all();
  }
  // Waits (a generous time) until the last notification is `want`.
  std::vector<VolumeNotification> WaitForLast(const VolumeNotification& want) {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait_for(lock, std::chrono::seconds(5), [&] {
      return !seen_.empty() && seen_.back().master_scalar == want.master_scalar && seen_.back().muted == want.muted;
    });
    return seen_;
  }
  std::size_t Count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_.size();
  }
  std::function<void()> during;

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<VolumeNotification> seen_;
};

// The factory's VolumeNotWritable(), or empty when it has none.
template <typename Factory, typename = void>
struct VolumeLimit {
  static std::string Why() { return ""; }
};
template <typename Factory>
struct VolumeLimit<Factory, std::void_t<decltype(Factory::VolumeNotWritable())>> {
  static std::string Why() { return Factory::VolumeNotWritable(); }
};

template <typename Factory>
class AudioSystemContract : public ::testing::Test {
 protected:
  // Why this system's volume cannot be set or watched; empty when it can.
  static std::string VolumeNotWritable() { return VolumeLimit<Factory>::Why(); }

  // Runs the factory's command for another program; true when it succeeded.
  bool InAnotherProgram(const std::string& what, int value) {
    return oro::test::RunCommand(Factory::ChangeCommand(root_, what, value)) == 0;
  }

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

  // The default render endpoint's volume, its scalar and mute kept in
  // saved_ and put back after the test. Null when the case cannot go on: the
  // machine has no such endpoint, or `writing` and the volume cannot be set
  // here (skipped with the reason), or it could not be read (failed).
  EndpointVolume* SavedRenderVolume(bool writing) {
    SaveRenderVolume(writing);
    return IsSkipped() || HasFatalFailure() ? nullptr : render_.get();
  }

  oro::test::TempRoot root_;
  std::unique_ptr<AudioSystem> audio_ = Factory::Make(root_);
  std::unique_ptr<EndpointVolume> render_;
  Saved saved_;  // after render_: put back before it goes

 private:
  void SaveRenderVolume(bool writing) {
    render_ = DefaultVolume(*audio_, Flow::kRender);
    if (!render_) GTEST_SKIP() << "the machine has no default render endpoint";
    if (const std::string why = VolumeNotWritable(); writing && !why.empty()) GTEST_SKIP() << why;
    float scalar = 0;
    bool mute = false;
    ASSERT_EQ(render_->GetMasterScalar(&scalar), err::kSuccess);
    ASSERT_EQ(render_->GetMute(&mute), err::kSuccess);
    saved_.scalar = scalar;
    saved_.mute = mute;
    saved_.volume = render_.get();
  }
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
  EndpointVolume* const v = this->SavedRenderVolume(true);
  if (!v) return;
  const auto& saved = this->saved_;
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
  EndpointVolume* const v = this->SavedRenderVolume(false);
  if (!v) return;
  const auto& saved = this->saved_;
  for (float bad : {1.01f, -0.01f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
    EXPECT_EQ(v->SetMasterScalar(bad), err::kInvalidParameter) << bad;
  }
  float scalar = -1;
  ASSERT_EQ(v->GetMasterScalar(&scalar), err::kSuccess);
  EXPECT_EQ(scalar, saved.scalar);
  if (const std::string why = this->VolumeNotWritable(); !why.empty()) GTEST_SKIP() << "the bounds: " << why;
  EXPECT_EQ(v->SetMasterScalar(0.0f), err::kSuccess);
  EXPECT_EQ(v->SetMasterScalar(1.0f), err::kSuccess);
}

TYPED_TEST_P(AudioSystemContract, ChangesInAnotherProcessReachEverySubscriberInTheSameOrder) {
  EndpointVolume* const v = this->SavedRenderVolume(true);
  if (!v) return;
  const auto& saved = this->saved_;
  VolumeRecorder first, second;
  std::unique_ptr<Subscription> s1, s2;
  ASSERT_EQ(v->Subscribe(&first, &s1), err::kSuccess);
  ASSERT_EQ(v->Subscribe(&second, &s2), err::kSuccess);

  // The other program's volume is whatever its system makes of 35 %; it is
  // read back and must be what the notifications report, bit for bit.
  const int percent = saved.scalar > 0.345f && saved.scalar < 0.355f ? 65 : 35;
  ASSERT_TRUE(this->InAnotherProgram("volume", percent));
  float target = 0;
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(v->GetMasterScalar(&target), err::kSuccess);
    if (std::abs(target - static_cast<float>(percent) / 100.0f) < 0.006f) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_NEAR(target, static_cast<float>(percent) / 100.0f, 0.006f);
  const VolumeNotification moved{target, saved.mute}, muted{target, !saved.mute};
  EXPECT_EQ(first.WaitForLast(moved).back(), moved);
  ASSERT_TRUE(this->InAnotherProgram("mute", saved.mute ? 0 : 1));
  const auto seen = first.WaitForLast(muted);
  EXPECT_EQ(seen.back(), muted);
  EXPECT_EQ(second.WaitForLast(muted), seen) << "every subscriber sees the same notifications in the same order";
  // The volume came before the mute: nothing reports the new mute with the old volume.
  for (const auto& n : seen) {
    if (n.muted != saved.mute) {
      EXPECT_EQ(n.master_scalar, target);
    }
  }
}

TYPED_TEST_P(AudioSystemContract, ADestroyedSubscriptionNeverCallsBackAgain) {
  EndpointVolume* const v = this->SavedRenderVolume(true);
  if (!v) return;
  const auto& saved = this->saved_;
  auto other = TypeParam::Make(this->root_);
  auto ov = this->DefaultVolume(*other, Flow::kRender);
  ASSERT_TRUE(ov);

  // The first callback is held up; destroying the subscription meanwhile
  // waits for it to end, and nothing follows.
  VolumeRecorder slow;
  std::atomic<bool> in_callback{false};
  slow.during = [&] {
    in_callback = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    in_callback = false;
  };
  std::unique_ptr<Subscription> sub;
  ASSERT_EQ(v->Subscribe(&slow, &sub), err::kSuccess);
  ASSERT_EQ(ov->SetMasterScalar(saved.scalar == 0.25f ? 0.5f : 0.25f), err::kSuccess);
  for (int i = 0; i < 2500 && !in_callback; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_TRUE(in_callback) << "no notification arrived";
  sub.reset();
  EXPECT_FALSE(in_callback) << "the subscription ended while its callback still ran";
  const std::size_t calls = slow.Count();

  // A subscription that ends inside its own callback is called once; a
  // witness subscribed after it sees both changes, so they were reported.
  struct SelfEnding final : VolumeListener {
    void OnVolumeNotify(const VolumeNotification&) override {
      ++calls;
      sub.reset();
    }
    std::unique_ptr<Subscription> sub;
    std::atomic<int> calls{0};
  } self_ending;
  VolumeRecorder witness;
  std::unique_ptr<Subscription> witness_sub;
  ASSERT_EQ(v->Subscribe(&self_ending, &self_ending.sub), err::kSuccess);
  ASSERT_EQ(v->Subscribe(&witness, &witness_sub), err::kSuccess);
  // 0.5 or 0.25 stands there now; neither of these is it.
  ASSERT_EQ(ov->SetMasterScalar(0.125f), err::kSuccess);
  witness.WaitForLast({0.125f, saved.mute});
  ASSERT_EQ(ov->SetMasterScalar(0.875f), err::kSuccess);
  EXPECT_EQ(witness.WaitForLast({0.875f, saved.mute}).back(), (VolumeNotification{0.875f, saved.mute}));
  EXPECT_EQ(self_ending.calls, 1);
  EXPECT_EQ(slow.Count(), calls) << "a destroyed subscription called back";
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
                            VolumeOutsideTheScalarRangeIsRefusedAndChangesNothing,
                            ChangesInAnotherProcessReachEverySubscriberInTheSameOrder,
                            ADestroyedSubscriptionNeverCallsBackAgain);

}  // namespace contract
}  // namespace oro::platform
