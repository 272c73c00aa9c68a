// The system volume watcher on a desktop: volume and mute changed with pactl
// on a private sound server reach the watcher's signals, volume first.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "oro/headset/system_volume_watcher.h"
#include "oro/platform/make_platform.h"
#include "pulse_daemon.h"
#include "temp_root.h"

namespace oro::headset {
namespace {

TEST(HostVolumeWatcher, PactlChangesReachTheWatcherVolumeFirstAndMuteAlone) {
  static int argc = 1;
  static char name[] = "host_volume_watcher_test";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
  test::TempRoot root;
  test::PulseDaemon daemon(root.Path());
  setenv("ORO_ROOT", root.Path().c_str(), 1);
  if (!daemon.Start()) GTEST_SKIP() << daemon.Why();
  setenv("PULSE_SERVER", daemon.Server().c_str(), 1);
  ASSERT_GE(daemon.LoadSink("oro_watch_headset",
                            "device.description='Headset' device.bus=usb "
                            "device.vendor.id=040b device.product.id=f779"),
            0);
  ASSERT_EQ(daemon.Pactl("set-default-sink oro_watch_headset"), 0);

  platform::Platform host =
      platform::MakePlatform(platform::Profile::kHost, platform::ResolveStatePaths(root.Path().c_str()));
  SystemVolumeWatcher watcher(host.audio);
  ASSERT_TRUE(watcher.IsRegistered());
  std::vector<std::string> seen;
  QObject::connect(&watcher, &SystemVolumeWatcher::volumeChanged,
                   [&](int v) { seen.push_back("v" + std::to_string(v)); });
  QObject::connect(&watcher, &SystemVolumeWatcher::muteChanged, [&](bool m) { seen.push_back(m ? "m1" : "m0"); });
  // Runs the event loop until `count` signals arrived (or a generous time passed).
  const auto wait_for = [&](std::size_t count) {
    QElapsedTimer t;
    t.start();
    while (seen.size() < count && t.elapsed() < 10000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return seen;
  };

  ASSERT_EQ(daemon.Pactl("set-sink-volume oro_watch_headset 35%"), 0);
  EXPECT_EQ(wait_for(2), (std::vector<std::string>{"v35", "m0"}));
  ASSERT_EQ(daemon.Pactl("set-sink-mute oro_watch_headset 1"), 0);
  EXPECT_EQ(wait_for(3), (std::vector<std::string>{"v35", "m0", "m1"})) << "muting emits no volume";
  ASSERT_EQ(daemon.Pactl("set-sink-mute oro_watch_headset 0"), 0);
  EXPECT_EQ(wait_for(5), (std::vector<std::string>{"v35", "m0", "m1", "v35", "m0"}));
  ASSERT_EQ(daemon.Pactl("set-sink-volume oro_watch_headset 72%"), 0);
  EXPECT_EQ(wait_for(7), (std::vector<std::string>{"v35", "m0", "m1", "v35", "m0", "v72", "m0"}));
}

}  // namespace
}  // namespace oro::headset
