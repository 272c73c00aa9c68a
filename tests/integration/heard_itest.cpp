// The equalizer heard end to end on a real sound server: the panel's side
// (the device library in this process, oroctl in another) publishes the
// blocks, the processing is installed as a filter sink in front of the
// headset, tones are played into it and recorded from the headset's monitor.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <thread>
#include <vector>

#include "oro/common/property_blocks.h"
#include "oro/device_api/library_context.h"
#include "oro/platform/make_platform.h"
#include "oro_ecd_api.h"
#include "pulse_daemon.h"
#include "temp_root.h"

namespace oro::test {
namespace {

constexpr const char* kHeadset = "oro_heard_headset";
constexpr int kRate = 48000;

struct Levels {
  double left_db = 0;
  double right_db = 0;
  double largest_step = 0;  // largest change between two samples of one channel
};

pid_t Spawn(const std::vector<std::string>& args, const std::string& out_file) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (!out_file.empty()) {
      const int fd = open(out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(fd, 1);
    }
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

class HeardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("ORO_ROOT", root_.Path().c_str(), 1);
    setenv("ORO_PLATFORM", "host", 1);
    setenv("PULSE_SERVER", daemon_.Server().c_str(), 1);
    if (access("/usr/bin/pacat", X_OK) != 0) GTEST_SKIP() << "pacat (pulseaudio-utils) is not installed";
    std::string why;
    if (!PulseDaemon::CanLoadBuiltPlugins(&why)) GTEST_SKIP() << why;
    if (!daemon_.Start()) GTEST_SKIP() << daemon_.Why();
    ASSERT_GE(daemon_.LoadSink(kHeadset,
                               "device.description='Headset' device.bus=usb device.vendor.id=040b "
                               "device.product.id=f779 device.serial=OS-HS-0001"),
              0);
    ASSERT_EQ(daemon_.Pactl(std::string("set-default-sink ") + kHeadset), 0);

    platform_ = platform::MakePlatform(platform::Profile::kHost, platform::ResolveStatePaths(root_.Path().c_str()));
    device_api::SetLibraryPlatform(platform_);
    ASSERT_EQ(getDeviceInfo(0, &record_), ORO_OK);  // holds the section as a running panel does
    loaded_ = true;

    std::vector<platform::EndpointInfo> render;
    ASSERT_EQ(platform_.audio->EnumerateEndpoints(platform::Flow::kRender, platform::devstate::kActive, &render), 0u);
    ASSERT_EQ(render.size(), 1u);
    ASSERT_EQ(platform_.audio->InstallProcessing(render[0].id), 0u);
  }
  void TearDown() override {
    if (loaded_) releaseDeviceInfo(&record_);
  }

  // Changes one field of the stored block 2, as a panel started afresh does
  // (oroctl may have changed the equalizer since this record was loaded).
  void SendBlock2(const std::function<void(common::PropertyBlock2&)>& change) {
    releaseDeviceInfo(&record_);
    ASSERT_EQ(getDeviceInfo(0, &record_), ORO_OK);
    common::PropertyBlock2 b2 = record_.Block2();
    change(b2);
    ASSERT_EQ(setDeviceProperty(&record_, common::kPropertyType2, &b2), ORO_OK);
  }

  int Oroctl(const std::string& args) {
    std::string out;
    const int rc = RunCommand(BuiltFile("oroctl") + " " + args, &out);
    EXPECT_EQ(rc, 0) << out;
    return rc;
  }

  // Plays `seconds` of a left and a right tone into the filter and records
  // the headset; `during` runs halfway through. Levels are measured over the
  // steady middle of the recording, against the tone's own level.
  Levels Play(double left_hz, double right_hz, double amplitude, double seconds,
              const std::function<void()>& during = nullptr) {
    const std::string in = root_.Path() + "/tone.raw";
    const std::string rec = root_.Path() + "/heard.raw";
    {
      const std::size_t n = static_cast<std::size_t>(seconds * kRate);
      std::vector<float> v(2 * n);
      for (std::size_t i = 0; i < n; ++i) {
        v[2 * i] = static_cast<float>(amplitude * std::sin(2 * M_PI * left_hz * i / kRate));
        v[2 * i + 1] = static_cast<float>(amplitude * std::sin(2 * M_PI * right_hz * i / kRate));
      }
      std::ofstream(in, std::ios::binary).write(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(float));
    }
    const std::vector<std::string> format = {"--format=float32le", "--rate=48000", "--channels=2", "--raw"};
    // Small buffers: with the default ones a busy machine loses parts of the recording.
    std::vector<std::string> rec_args = {"/usr/bin/parec", "--latency-msec=20",
                                         std::string("--device=") + kHeadset + ".monitor"};
    rec_args.insert(rec_args.end(), format.begin(), format.end());
    const pid_t recorder = Spawn(rec_args, rec);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::vector<std::string> play_args = {"/usr/bin/pacat", "--latency-msec=100",
                                          std::string("--device=oro_filter.") + kHeadset};
    play_args.insert(play_args.end(), format.begin(), format.end());
    play_args.push_back(in);
    const pid_t player = Spawn(play_args, "");
    if (during) {
      // Halfway through what is heard, not what was sent: the server may take
      // a moment to start the stream.
      WaitForTone(rec, amplitude);
      std::this_thread::sleep_for(std::chrono::duration<double>(seconds / 2));
      during();
    }
    int status = 0;
    waitpid(player, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "pacat failed";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kill(recorder, SIGINT);
    waitpid(recorder, nullptr, 0);

    std::ifstream f(rec, std::ios::binary | std::ios::ate);
    std::vector<float> s(static_cast<std::size_t>(f.tellg()) / sizeof(float));
    f.seekg(0);
    f.read(reinterpret_cast<char*>(s.data()), s.size() * sizeof(float));
    // The tone starts where the first loud sample is; skip its first and last 200 ms.
    std::size_t start = 0;
    while (start + 1 < s.size() && std::fabs(s[start]) < amplitude / 8 && std::fabs(s[start + 1]) < amplitude / 8) {
      start += 2;
    }
    const std::size_t edge = 2 * kRate / 5;
    const std::size_t length = static_cast<std::size_t>(2 * seconds * kRate);
    Levels l;
    if (s.size() < start + length || length < 2 * edge + 2) {
      ADD_FAILURE() << "recorded " << s.size() / 2 << " frames, tone from " << start / 2;
      return l;
    }
    double sum[2] = {0, 0};
    for (std::size_t i = start + edge; i < start + length - edge; ++i) {
      sum[i % 2] += static_cast<double>(s[i]) * s[i];
      if (i >= start + edge + 2) l.largest_step = std::max(l.largest_step, std::fabs(double(s[i]) - s[i - 2]));
    }
    const double frames = static_cast<double>(length - 2 * edge) / 2;
    const double tone = amplitude / std::sqrt(2.0);
    l.left_db = 20 * std::log10(std::sqrt(sum[0] / frames) / tone);
    l.right_db = 20 * std::log10(std::sqrt(sum[1] / frames) / tone);
    return l;
  }

  static void WaitForTone(const std::string& rec, double amplitude) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::size_t at = 0;
    while (std::chrono::steady_clock::now() < deadline) {
      std::ifstream f(rec, std::ios::binary);
      f.seekg(static_cast<std::streamoff>(at));
      float v = 0;
      while (f.read(reinterpret_cast<char*>(&v), sizeof v)) {
        at += sizeof v;
        if (std::fabs(v) > amplitude / 2) return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  TempRoot root_;
  PulseDaemon daemon_{root_.Path()};
  platform::Platform platform_;
  common::DeviceInfo record_;
  bool loaded_ = false;
};

TEST_F(HeardTest, EqualizerAndBalanceAreHeardAsTheBlocksSay) {
  // Equalizer off: both tones pass unchanged, whatever the gains.
  ASSERT_EQ(Oroctl("eq set 1k=+6"), 0);
  Levels l = Play(1000, 100, 0.25, 1.5);
  EXPECT_NEAR(l.left_db, 0.0, 0.3);
  EXPECT_NEAR(l.right_db, 0.0, 0.3);

  // On, with 1 kHz at +6 dB: the 1 kHz tone is 6 dB louder, 100 Hz unchanged.
  SendBlock2([](common::PropertyBlock2& b) { b.SetMode(common::ListeningMode::kEqualizer, true); });
  l = Play(1000, 100, 0.25, 1.5);
  EXPECT_NEAR(l.left_db, 6.0, 0.3);
  EXPECT_NEAR(l.right_db, 0.0, 0.3);

  // Balance: the left channel at half the master volume, the right at full.
  ASSERT_EQ(Oroctl("eq flat"), 0);
  SendBlock2([](common::PropertyBlock2& b) {
    b.SetMasterVolume(100);
    b.SetLeftVolume(50);
    b.SetRightVolume(100);
  });
  l = Play(100, 100, 0.25, 1.5);
  EXPECT_NEAR(l.left_db, 20 * std::log10(0.5), 0.3);
  EXPECT_NEAR(l.right_db, 0.0, 0.3);
}

TEST_F(HeardTest, BlockChangedDuringPlaybackDoesNotClick) {
  // 1 kHz boosted by 12 dB, then the curve made flat while the tone plays:
  // the tone drops to a quarter, and no sample jumps further than the boosted
  // tone itself moves.
  ASSERT_EQ(Oroctl("eq set 1k=+12"), 0);
  SendBlock2([](common::PropertyBlock2& b) { b.SetMode(common::ListeningMode::kEqualizer, true); });
  const double amplitude = 0.1;
  const Levels l = Play(1000, 1000, amplitude, 3.0, [&] { Oroctl("eq flat"); });
  const double boosted_step = amplitude * std::pow(10.0, 12.0 / 20) * 2 * M_PI * 1000 / kRate;
  EXPECT_LT(l.largest_step, boosted_step * 1.2);
  EXPECT_LT(l.left_db, 10.0) << "the change was not heard";
  EXPECT_GT(l.left_db, 2.0) << "the boost was not heard";
}

}  // namespace
}  // namespace oro::test
