// Notifications of the host's audio system from a real sound server: devices
// plugged and unplugged, the default moved, volume and mute changed by other
// clients, and a server killed in the middle of a call and started again.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "oro/platform/text.h"
#include "pulse_fixture.h"

namespace oro::test {
namespace {

using platform::Flow;
using platform::Role;
namespace err = platform::err;
namespace devstate = platform::devstate;

// Every callback as one line, e.g. "added {id}" or "volume 0.35 unmuted".
class Recorder : public platform::EndpointListener, public platform::VolumeListener {
 public:
  void OnDeviceAdded(const std::wstring& id) override { Add("added " + platform::ToUtf8(id)); }
  void OnDeviceRemoved(const std::wstring& id) override { Add("removed " + platform::ToUtf8(id)); }
  void OnDeviceStateChanged(const std::wstring& id, std::uint32_t state) override {
    Add("state " + platform::ToUtf8(id) + " " + std::to_string(state));
  }
  void OnDefaultDeviceChanged(Flow flow, Role role, const std::wstring& id) override {
    Add("default " + std::to_string(static_cast<int>(flow)) + "." + std::to_string(static_cast<int>(role)) + " " +
        platform::ToUtf8(id));
  }
  void OnPropertyValueChanged(const std::wstring& id, const std::wstring& key) override {
    Add("property " + platform::ToUtf8(id) + " " + platform::ToUtf8(key));
  }
  void OnVolumeNotify(const platform::VolumeNotification& n) override {
    std::lock_guard<std::mutex> lock(mutex_);
    volumes_.push_back(n);
    Push("volume");
  }

  // Waits (at most ten seconds, far beyond any delivery) until `line` arrived.
  bool WaitFor(const std::string& line) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return Has(line); });
  }
  bool WaitForPrefix(const std::string& prefix) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10), [&] {
      for (const auto& l : lines_) {
        if (l.rfind(prefix, 0) == 0) return true;
      }
      return false;
    });
  }
  // Waits for a volume notification matching `want`.
  bool WaitForVolume(const std::function<bool(const platform::VolumeNotification&)>& want) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10), [&] {
      for (const auto& v : volumes_) {
        if (want(v)) return true;
      }
      return false;
    });
  }
  std::vector<std::string> Lines() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }
  std::vector<platform::VolumeNotification> Volumes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return volumes_;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.clear();
    volumes_.clear();
  }

 private:
  void Add(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    Push(line);
  }
  void Push(const std::string& line) {
    lines_.push_back(line);
    changed_.notify_all();
  }
  bool Has(const std::string& line) const {
    for (const auto& l : lines_) {
      if (l == line) return true;
    }
    return false;
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> lines_;
  std::vector<platform::VolumeNotification> volumes_;
};

std::string Id(platform::AudioSystem& audio, Flow flow, const std::wstring& name) {
  std::vector<platform::EndpointInfo> all;
  EXPECT_EQ(audio.EnumerateEndpoints(flow, devstate::kActive, &all), err::kSuccess);
  for (const auto& e : all) {
    if (e.name == name) return platform::ToUtf8(e.id);
  }
  return {};
}

std::unique_ptr<platform::EndpointVolume> HeadsetVolume(platform::AudioSystem& audio) {
  std::unique_ptr<platform::AudioEndpoint> ep;
  std::unique_ptr<platform::EndpointVolume> vol;
  EXPECT_EQ(audio.GetDefaultEndpoint(Flow::kRender, Role::kMultimedia, &ep), err::kSuccess);
  if (!ep) return nullptr;
  EXPECT_EQ(ep->Info().name, L"Headset Speakers");
  EXPECT_EQ(ep->ActivateVolume(&vol), err::kSuccess);
  return vol;
}

// The position of `line` in `lines`, or -1.
int At(const std::vector<std::string>& lines, const std::string& line) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == line) return static_cast<int>(i);
  }
  return -1;
}

TEST_F(PulseTest, PluggingUnpluggingAndTheDefaultAreNotifiedInOrder) {
  Recorder rec;
  std::unique_ptr<platform::Subscription> sub;
  ASSERT_EQ(audio_->SubscribeEndpoints(&rec, &sub), err::kSuccess);

  // Plugged: a sink with another headset's identity arrives.
  const int spare = daemon_.LoadSink("oro_test_spare", UsbProperties("Spare Headset", "f779", "OS-HS-0002"));
  ASSERT_GE(spare, 0);
  ASSERT_TRUE(rec.WaitFor("added " + Id(*audio_, Flow::kRender, L"Spare Headset")));
  const std::string spare_id = Id(*audio_, Flow::kRender, L"Spare Headset");

  // Made the default: every role of the render flow follows, the capture flow does not.
  ASSERT_EQ(daemon_.Pactl("set-default-sink oro_test_spare"), 0);
  ASSERT_TRUE(rec.WaitFor("default 0.2 " + spare_id));
  for (int role = 0; role < 3; ++role)
    EXPECT_GE(At(rec.Lines(), "default 0." + std::to_string(role) + " " + spare_id), 0);
  for (const auto& l : rec.Lines()) EXPECT_EQ(l.rfind("default 1.", 0), std::string::npos) << l;

  // Unplugged while default: removed first, then the default moves on (the
  // server picks the next sink), never to the removed endpoint.
  rec.Clear();
  ASSERT_EQ(daemon_.Pactl("unload-module " + std::to_string(spare)), 0);
  ASSERT_TRUE(rec.WaitFor("removed " + spare_id));
  ASSERT_TRUE(rec.WaitForPrefix("default 0.2 "));  // the last of the round
  const auto lines = rec.Lines();
  const int removed = At(lines, "removed " + spare_id);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind("default ", 0) == 0) {
      EXPECT_GT(static_cast<int>(i), removed) << lines[i];
    }
    EXPECT_EQ(lines[i].find("default 0.1 " + spare_id), std::string::npos);
  }

  // A changed description is a property change of the same endpoint, under the friendly name's key.
  rec.Clear();
  const std::string dongle_id = Id(*audio_, Flow::kRender, L"Dongle Speakers");
  std::string reply;
  ASSERT_TRUE(
      daemon_.Command(std::string("update-sink-proplist ") + kDongleSink + " device.description=Renamed", &reply))
      << reply;
  ASSERT_TRUE(rec.WaitFor("property " + dongle_id + " {a45c254e-df1c-4efd-8020-67d146a850e0},14"));
  EXPECT_EQ(Id(*audio_, Flow::kRender, L"Renamed"), dongle_id);
  for (const auto& l : rec.Lines()) EXPECT_EQ(l.rfind("property ", 0), 0u) << l;

  // Ended: nothing more arrives, however much changes; a second subscriber
  // shows the change was reported.
  sub.reset();
  rec.Clear();
  Recorder witness;
  std::unique_ptr<platform::Subscription> witness_sub;
  ASSERT_EQ(audio_->SubscribeEndpoints(&witness, &witness_sub), err::kSuccess);
  const int late = daemon_.LoadSink("oro_test_late", UsbProperties("Late", "f779", "OS-HS-0003"));
  ASSERT_GE(late, 0);
  const std::string late_id = Id(*audio_, Flow::kRender, L"Late");
  ASSERT_EQ(daemon_.Pactl("unload-module " + std::to_string(late)), 0);
  ASSERT_TRUE(witness.WaitFor("removed " + late_id));
  EXPECT_EQ(At(witness.Lines(), "added " + late_id), 0);
  EXPECT_TRUE(rec.Lines().empty());
}

TEST_F(PulseTest, VolumeAndMuteChangedByOthersReachTheSubscriberOfThatEndpointOnly) {
  auto vol = HeadsetVolume(*audio_);
  ASSERT_TRUE(vol);
  Recorder rec;
  std::unique_ptr<platform::Subscription> sub;
  ASSERT_EQ(vol->Subscribe(&rec, &sub), err::kSuccess);

  // pactl, another client of the server.
  ASSERT_EQ(daemon_.Pactl(std::string("set-sink-volume ") + kHeadsetSink + " 35%"), 0);
  ASSERT_TRUE(rec.WaitForVolume([](const auto& n) { return n.master_scalar == 0.35f && !n.muted; }));
  ASSERT_EQ(daemon_.Pactl(std::string("set-sink-mute ") + kHeadsetSink + " 1"), 0);
  ASSERT_TRUE(rec.WaitForVolume([](const auto& n) { return n.master_scalar == 0.35f && n.muted; }));

  // The kit in another process: every scalar it sets arrives as set.
  platform::pulse::PulseOptions options;
  options.server = daemon_.Server();
  auto other = platform::pulse::MakePulseAudioSystem(options);
  auto other_vol = HeadsetVolume(*other);
  ASSERT_TRUE(other_vol);
  ASSERT_EQ(other_vol->SetMute(false), err::kSuccess);
  ASSERT_EQ(other_vol->SetMasterScalar(0.53f), err::kSuccess);
  ASSERT_TRUE(rec.WaitForVolume([](const auto& n) { return n.master_scalar == 0.53f && !n.muted; }));

  // Another endpoint's volume and the headset's microphone are not this subscriber's business.
  rec.Clear();
  ASSERT_EQ(daemon_.Pactl(std::string("set-sink-volume ") + kDongleSink + " 20%"), 0);
  ASSERT_EQ(daemon_.Pactl(std::string("set-source-volume ") + kHeadsetSource + " 20%"), 0);
  ASSERT_EQ(daemon_.Pactl(std::string("set-sink-volume ") + kHeadsetSink + " 60%"), 0);
  ASSERT_TRUE(rec.WaitForVolume([](const auto& n) { return n.master_scalar == 0.60f; }));
  for (const auto& n : rec.Volumes()) EXPECT_EQ(n.master_scalar, 0.60f);

  // A subscription may end inside its own callback.
  struct SelfEnding : platform::VolumeListener {
    std::unique_ptr<platform::Subscription> sub;
    std::promise<void> called;
    int calls = 0;
    void OnVolumeNotify(const platform::VolumeNotification&) override {
      if (++calls == 1) called.set_value();
      sub.reset();
    }
  } self;
  ASSERT_EQ(vol->Subscribe(&self, &self.sub), err::kSuccess);
  ASSERT_EQ(daemon_.Pactl(std::string("set-sink-volume ") + kHeadsetSink + " 61%"), 0);
  ASSERT_EQ(self.called.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
  ASSERT_EQ(daemon_.Pactl(std::string("set-sink-volume ") + kHeadsetSink + " 62%"), 0);
  ASSERT_TRUE(rec.WaitForVolume([](const auto& n) { return n.master_scalar == 0.62f; }));
  EXPECT_EQ(self.calls, 1);
}

TEST_F(PulseTest, ServerKilledDuringACallGivesTheFallbackAndNotificationsResumeWhenItReturns) {
  auto vol = HeadsetVolume(*audio_);
  ASSERT_TRUE(vol);
  Recorder rec;
  std::unique_ptr<platform::Subscription> volume_sub, endpoint_sub;
  ASSERT_EQ(vol->Subscribe(&rec, &volume_sub), err::kSuccess);
  ASSERT_EQ(audio_->SubscribeEndpoints(&rec, &endpoint_sub), err::kSuccess);
  const std::string dongle_id = Id(*audio_, Flow::kRender, L"Dongle Speakers");

  // The server stops answering with a call under way, then dies.
  daemon_.Freeze();
  const auto start = std::chrono::steady_clock::now();
  auto call = std::async(std::launch::async, [&] {
    float s = 0;
    return vol->GetMasterScalar(&s);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  daemon_.Kill();
  const platform::ErrorCode rc = call.get();
  EXPECT_TRUE(rc == err::kServiceNotActive || rc == err::kTimeout) << rc;
  // Bounded: a hang would show as many times the bound, not as a few hundred milliseconds more.
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3 * std::chrono::milliseconds(1500));
  float s = 0;
  EXPECT_EQ(vol->GetMasterScalar(&s), err::kServiceNotActive);
  std::unique_ptr<platform::Subscription> refused;
  EXPECT_EQ(platform::pulse::MakePulseAudioSystem({daemon_.Server(), std::chrono::milliseconds(1500), ""})
                ->SubscribeEndpoints(&rec, &refused),
            err::kServiceNotActive);
  EXPECT_FALSE(refused);

  // Back, with the same devices: the same subscriptions hear it again.
  rec.Clear();
  ASSERT_TRUE(daemon_.Start()) << daemon_.Why();
  AddKitDevices();
  ASSERT_EQ(daemon_.Pactl(std::string("set-sink-volume ") + kHeadsetSink + " 44%"), 0);
  ASSERT_TRUE(rec.WaitForVolume([](const auto& n) { return n.master_scalar == 0.44f; }));
  ASSERT_EQ(daemon_.Pactl(std::string("set-default-sink ") + kDongleSink), 0);
  ASSERT_TRUE(rec.WaitFor("default 0.1 " + dongle_id));
  EXPECT_EQ(vol->GetMasterScalar(&s), err::kSuccess);
  EXPECT_EQ(s, 0.44f);
}

}  // namespace
}  // namespace oro::test
