// Notifications of the simulated audio system: changes written by another
// connection to the store (as oro-sim in another process writes them) reach
// the subscribers in a fixed order, and a subscription once destroyed never
// calls back again.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "oro/platform/sim/sim_adapters.h"
#include "oro/platform/sim/sim_machine.h"
#include "oro/platform/sqlite/sqlite_registry_store.h"
#include "oro/tools/sim/kit_machine.h"
#include "temp_root.h"

namespace oro::platform::sim {
namespace {

using namespace std::chrono_literals;

// Records every callback as one line.
class Recorder final : public EndpointListener, public VolumeListener {
 public:
  void OnDeviceAdded(const std::wstring& id) override { Add(L"added " + id); }
  void OnDeviceRemoved(const std::wstring& id) override { Add(L"removed " + id); }
  void OnDeviceStateChanged(const std::wstring& id, std::uint32_t state) override {
    Add(L"state " + id + L" " + std::to_wstring(state));
  }
  void OnDefaultDeviceChanged(Flow flow, Role role, const std::wstring& id) override {
    Add(L"default " + std::to_wstring(static_cast<int>(flow)) + std::to_wstring(static_cast<int>(role)) + L" " + id);
  }
  void OnPropertyValueChanged(const std::wstring& id, const std::wstring& key) override {
    Add(L"property " + id + L" " + key);
  }
  void OnVolumeNotify(const VolumeNotification& n) override {
    if (on_volume) on_volume();
    Add(L"volume " + std::to_wstring(static_cast<int>(n.master_scalar * 100.0f + 0.5f)) + (n.muted ? L" muted" : L""));
  }

  // Waits until `count` lines arrived (or a generous time passed).
  std::vector<std::wstring> WaitFor(std::size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait_for(lock, 5s, [&] { return lines_.size() >= count; });
    return lines_;
  }
  std::vector<std::wstring> Lines() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }

  std::function<void()> on_volume;

 private:
  void Add(std::wstring line) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      lines_.push_back(std::move(line));
    }
    cv_.notify_all();
  }
  std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<std::wstring> lines_;
};

class SimNotify : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(tools::sim::CreateKitMachine(other_machine_, L"/tmp/"), err::kSuccess); }

  std::wstring IdOf(const wchar_t* alias) {
    SimEndpoint e;
    EXPECT_EQ(other_machine_.Find(alias, &e), err::kSuccess);
    return e.info.id;
  }
  std::unique_ptr<EndpointVolume> RenderVolume() {
    std::unique_ptr<AudioEndpoint> ep;
    EXPECT_EQ(audio_->GetDefaultEndpoint(Flow::kRender, Role::kConsole, &ep), err::kSuccess);
    std::unique_ptr<EndpointVolume> v;
    if (ep) EXPECT_EQ(ep->ActivateVolume(&v), err::kSuccess);
    return v;
  }

  test::TempRoot root_;
  std::shared_ptr<sqlite::SqliteRegistryStore> store_ =
      std::make_shared<sqlite::SqliteRegistryStore>(root_.RegistryDb());
  std::unique_ptr<AudioSystem> audio_ =
      MakeSimAudioSystem(store_, [this](std::uint64_t* s) { return store_->ChangeStamp(s); });
  // Changes come through a connection of their own, as from another process.
  sqlite::SqliteRegistryStore other_{root_.RegistryDb()};
  SimMachine other_machine_{other_};
};

TEST_F(SimNotify, ChangesArriveInAFixedOrderForEverySubscriber) {
  Recorder first, second, volume;
  std::unique_ptr<Subscription> s1, s2, sv;
  ASSERT_EQ(audio_->SubscribeEndpoints(&first, &s1), err::kSuccess);
  ASSERT_EQ(audio_->SubscribeEndpoints(&second, &s2), err::kSuccess);
  auto render = RenderVolume();
  ASSERT_EQ(render->Subscribe(&volume, &sv), err::kSuccess);

  const std::wstring headset = IdOf(L"headset-render");
  const std::wstring dongle = IdOf(L"dongle-render");
  ASSERT_EQ(other_machine_.SetVolume(headset, 0.35f), err::kSuccess);
  EXPECT_EQ(volume.WaitFor(1), (std::vector<std::wstring>{L"volume 35"}));
  ASSERT_EQ(other_machine_.SetMute(headset, true), err::kSuccess);
  EXPECT_EQ(volume.WaitFor(2).back(), L"volume 35 muted");

  // Unplugging hands the defaults over; all of it is one round.
  ASSERT_EQ(other_machine_.Unplug(headset), err::kSuccess);
  const std::vector<std::wstring> expected = {L"state " + headset + L" 8", L"default 00 " + dongle,
                                              L"default 01 " + dongle, L"default 02 " + dongle};
  EXPECT_EQ(first.WaitFor(4), expected);
  EXPECT_EQ(second.WaitFor(4), expected);

  SimEndpointSpec endpoint;
  endpoint.flow = Flow::kRender;
  endpoint.guid = L"{0F00BA44-0000-4000-8000-000000000001}";
  endpoint.alias = L"usb-speaker";
  endpoint.adapter_name = L"USB Speaker";
  endpoint.device_path = L"{1}.USB\\VID_1234&PID_5678&MI_00\\1";
  ASSERT_EQ(other_machine_.AddEndpoint(endpoint), err::kSuccess);
  EXPECT_EQ(first.WaitFor(5).back(), L"added {0.0.0.00000000}." + endpoint.guid);
}

TEST_F(SimNotify, ADestroyedSubscriptionNeverCallsBack) {
  Recorder listener;
  std::atomic<bool> in_callback{false};
  std::atomic<int> calls{0};
  listener.on_volume = [&] {
    in_callback = true;
    ++calls;
    std::this_thread::sleep_for(100ms);
    in_callback = false;
  };
  auto render = RenderVolume();
  std::unique_ptr<Subscription> sub;
  ASSERT_EQ(render->Subscribe(&listener, &sub), err::kSuccess);
  const std::wstring headset = IdOf(L"headset-render");
  ASSERT_EQ(other_machine_.SetVolume(headset, 0.5f), err::kSuccess);
  for (int i = 0; i < 500 && !in_callback; ++i) std::this_thread::sleep_for(2ms);
  ASSERT_TRUE(in_callback) << "no notification arrived";
  sub.reset();
  EXPECT_FALSE(in_callback) << "the subscription ended while its callback still ran";
  const int seen = calls;
  ASSERT_EQ(other_machine_.SetVolume(headset, 0.6f), err::kSuccess);
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(calls, seen);
}

TEST_F(SimNotify, ASubscriptionMayEndInsideItsOwnCallback) {
  struct SelfEnding final : VolumeListener {
    void OnVolumeNotify(const VolumeNotification&) override {
      ++calls;
      sub.reset();
    }
    std::unique_ptr<Subscription> sub;
    std::atomic<int> calls{0};
  } listener;
  Recorder witness;
  std::unique_ptr<Subscription> witness_sub;
  auto render = RenderVolume();
  ASSERT_EQ(render->Subscribe(&listener, &listener.sub), err::kSuccess);
  ASSERT_EQ(render->Subscribe(&witness, &witness_sub), err::kSuccess);
  const std::wstring headset = IdOf(L"headset-render");
  ASSERT_EQ(other_machine_.SetVolume(headset, 0.2f), err::kSuccess);
  witness.WaitFor(1);
  ASSERT_EQ(other_machine_.SetVolume(headset, 0.3f), err::kSuccess);
  EXPECT_EQ(witness.WaitFor(2).size(), 2u);
  EXPECT_EQ(listener.calls, 1);
}

TEST_F(SimNotify, AnEndpointThatIsGoneCannotBeWatched) {
  auto render = RenderVolume();
  ASSERT_EQ(other_machine_.Unplug(IdOf(L"headset-render")), err::kSuccess);
  Recorder listener;
  std::unique_ptr<Subscription> sub;
  EXPECT_EQ(render->Subscribe(&listener, &sub), err::kNotFound);
  EXPECT_FALSE(sub);
}

}  // namespace
}  // namespace oro::platform::sim
