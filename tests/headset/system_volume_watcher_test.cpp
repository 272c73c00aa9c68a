// The system volume watcher on the simulated machine: changes made by oro-sim
// in another process arrive as queued signals in the order volume, then mute;
// every percentage the kit sets reads back unchanged; scalars the audio system should
// never send are clamped; destroying watchers under a stream of changes is
// clean.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <atomic>
#include <cmath>
#include <limits>
#include <thread>

#include "oro/device_api/library_context.h"
#include "oro/headset/system_volume_watcher.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/sim/sim_machine.h"
#include "oro/platform/sqlite/sqlite_registry_store.h"
#include "oro/tools/sim/kit_machine.h"
#include "oro_ecd_api.h"
#include "temp_root.h"

namespace oro::headset {
namespace {

// Everything the watcher emitted, as "v35" and "m0"/"m1".
class Signals {
 public:
  explicit Signals(SystemVolumeWatcher& w) {
    QObject::connect(&w, &SystemVolumeWatcher::volumeChanged,
                     [this](int v) { seen.push_back("v" + std::to_string(v)); });
    QObject::connect(&w, &SystemVolumeWatcher::muteChanged, [this](bool m) { seen.push_back(m ? "m1" : "m0"); });
  }
  // Runs the event loop until `count` signals arrived (or a generous time passed).
  std::vector<std::string> WaitFor(std::size_t count, int limit_ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (seen.size() < count && t.elapsed() < limit_ms) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return seen;
  }
  std::vector<std::string> seen;
};

class WatcherTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "system_volume_watcher_test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
  }
  void SetUp() override {
    platform::sim::SimMachine machine(*platform_.registry);
    ASSERT_EQ(tools::sim::CreateKitMachine(machine, L"/tmp/"), 0u);
  }
  std::string Sim(const std::string& args) {
    std::string out;
    const int rc = test::RunCommand(
        "ORO_PLATFORM=sim ORO_ROOT='" + root_.Path() + "' '" + test::BuiltFile("oro-sim") + "' " + args, &out);
    EXPECT_EQ(rc, 0) << out;
    return out;
  }

  test::TempRoot root_;
  platform::Platform platform_ =
      platform::MakePlatform(platform::Profile::kSim, platform::ResolveStatePaths(root_.Path().c_str()));
};

TEST_F(WatcherTest, ChangesFromAnotherProcessArriveVolumeFirstAndMuteAlone) {
  SystemVolumeWatcher watcher(platform_.audio);
  ASSERT_TRUE(watcher.IsRegistered());
  Signals s(watcher);
  Sim("volume render 35");
  EXPECT_EQ(s.WaitFor(2), (std::vector<std::string>{"v35", "m0"}));
  Sim("mute render 1");
  EXPECT_EQ(s.WaitFor(3), (std::vector<std::string>{"v35", "m0", "m1"})) << "muting emits no volume";
  Sim("mute render 0");
  EXPECT_EQ(s.WaitFor(5), (std::vector<std::string>{"v35", "m0", "m1", "v35", "m0"}));
}

// The echo of the kit's own _SetVolum(v) reads as v for every percentage,
// so the panel never takes its own change for the user's and moves by one.
TEST_F(WatcherTest, EveryPercentageSetThroughTheExportReadsBackUnchanged) {
  SystemVolumeWatcher watcher(platform_.audio);
  Signals s(watcher);
  device_api::SetLibraryPlatform(platform::MakePlatform(platform::Profile::kSim, platform_.paths));
  for (int percent = 0; percent <= 100; ++percent) {
    if (percent == 75) continue;  // the kit's machine starts there: no change, no signal
    ASSERT_EQ(_SetVolum(percent, ORO_FLOW_RENDER, 0), 1);
    const auto seen = s.WaitFor(s.seen.size() + 2);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[seen.size() - 2], "v" + std::to_string(percent));
    EXPECT_EQ(seen.back(), "m0");
  }
}

TEST_F(WatcherTest, NoDefaultEndpointMeansSilentForGood) {
  Sim("unplug render");
  SystemVolumeWatcher watcher(platform_.audio);
  EXPECT_FALSE(watcher.IsRegistered());
  Signals s(watcher);
  Sim("plug headset-render");
  Sim("volume render 20");
  EXPECT_TRUE(s.WaitFor(1, 500).empty());
  SystemVolumeWatcher none(nullptr);
  EXPECT_FALSE(none.IsRegistered());
}

// An audio system that hands the watcher's listener to the test, which then
// sends what a faulty system might.
class ScriptedAudio final : public platform::AudioSystem,
                            public platform::AudioEndpoint,
                            public platform::EndpointVolume {
 public:
  platform::ErrorCode GetDefaultEndpoint(platform::Flow, platform::Role,
                                         std::unique_ptr<platform::AudioEndpoint>* out) override {
    struct Borrowed final : platform::AudioEndpoint {
      explicit Borrowed(ScriptedAudio* a) : a_(a) {}
      const platform::EndpointInfo& Info() const override { return a_->info_; }
      platform::ErrorCode ActivateVolume(std::unique_ptr<platform::EndpointVolume>* out) override {
        struct Vol final : platform::EndpointVolume {
          explicit Vol(ScriptedAudio* a) : a_(a) {}
          platform::ErrorCode GetMasterScalar(float*) override { return 0; }
          platform::ErrorCode SetMasterScalar(float) override { return 0; }
          platform::ErrorCode GetMute(bool*) override { return 0; }
          platform::ErrorCode SetMute(bool) override { return 0; }
          platform::ErrorCode Subscribe(platform::VolumeListener* l,
                                        std::unique_ptr<platform::Subscription>* o) override {
            a_->listener = l;
            *o = std::make_unique<platform::Subscription>();
            return 0;
          }
          ScriptedAudio* a_;
        };
        *out = std::make_unique<Vol>(a_);
        return 0;
      }
      platform::ErrorCode ActivateClient() override { return 0; }
      ScriptedAudio* a_;
    };
    *out = std::make_unique<Borrowed>(this);
    return 0;
  }
  platform::ErrorCode EnumerateEndpoints(platform::Flow, std::uint32_t, std::vector<platform::EndpointInfo>*) override {
    return 0;
  }
  const platform::EndpointInfo& Info() const override { return info_; }
  platform::ErrorCode ActivateVolume(std::unique_ptr<platform::EndpointVolume>*) override { return 1; }
  platform::ErrorCode ActivateClient() override { return 0; }
  platform::ErrorCode GetMasterScalar(float*) override { return 0; }
  platform::ErrorCode SetMasterScalar(float) override { return 0; }
  platform::ErrorCode GetMute(bool*) override { return 0; }
  platform::ErrorCode SetMute(bool) override { return 0; }

  platform::VolumeListener* listener = nullptr;
  platform::EndpointInfo info_;
};

TEST_F(WatcherTest, ScalarsOutsideTheRangeOrNotANumberAreClamped) {
  auto audio = std::make_shared<ScriptedAudio>();
  SystemVolumeWatcher watcher(audio);
  ASSERT_TRUE(audio->listener);
  Signals s(watcher);
  for (float v :
       {std::numeric_limits<float>::quiet_NaN(), 1.5f, -0.25f, std::numeric_limits<float>::infinity(), 1.0f, 0.0f}) {
    audio->listener->OnVolumeNotify({v, false});
  }
  EXPECT_EQ(s.WaitFor(12),
            (std::vector<std::string>{"v0", "m0", "v100", "m0", "v0", "m0", "v100", "m0", "v100", "m0", "v0", "m0"}));
}

TEST_F(WatcherTest, WatchersDestroyedUnderAStreamOfChangesTouchNothing) {
  platform::sqlite::SqliteRegistryStore other(platform_.paths.registry_db);
  std::atomic<bool> done{false};
  std::atomic<int> made{0};
  std::thread writer([&] {
    platform::sim::SimMachine machine(other);
    std::wstring id;
    machine.GetDefault(platform::Flow::kRender, platform::Role::kConsole, &id);
    // Changes keep coming until enough watchers have come and gone: a fast
    // store must not end the stream before the second one exists.
    for (int i = 0; i < 1000 || made < 20; ++i) {
      machine.SetVolume(id, static_cast<float>(i % 101) / 100.0f);
      machine.SetMute(id, i % 7 == 0);
    }
    done = true;
  });
  while (!done) {
    auto watcher = std::make_unique<SystemVolumeWatcher>(platform_.audio);
    Signals s(*watcher);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(made % 3 * 10));
    watcher.reset();  // notifications may be on their way right now
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    ++made;
  }
  writer.join();
  EXPECT_GE(made, 20);
}

}  // namespace
}  // namespace oro::headset
