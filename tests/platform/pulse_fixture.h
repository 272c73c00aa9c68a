// A private sound server with the kit's devices as null sinks and sources
// carrying the headset's and the dongle's USB properties, and the host
// adapter pointed at it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "oro/platform/pulse/pulse_audio_system.h"
#include "pulse_daemon.h"
#include "temp_root.h"

namespace oro::test {

constexpr const char* kHeadsetSink = "oro_test_headset";
constexpr const char* kDongleSink = "oro_test_dongle";
constexpr const char* kHeadsetSource = "oro_test_headset_mic";

inline std::string UsbProperties(const std::string& description, const std::string& product,
                                 const std::string& serial) {
  return "device.description='" + description + "' device.bus=usb device.vendor.id=040b device.product.id=" + product +
         " device.serial=" + serial + " device.product.name='OroSound Gaming Headset'";
}

class PulseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("ORO_ROOT", root_.Path().c_str(), 1);
    if (!daemon_.Start()) GTEST_SKIP() << daemon_.Why();
    AddKitDevices();
    platform::pulse::PulseOptions options;
    options.server = daemon_.Server();
    options.bound = std::chrono::milliseconds(1500);
    audio_ = platform::pulse::MakePulseAudioSystem(options);
  }

 public:
  // The headset (default sink) and dongle sinks and the headset's microphone
  // (default source) on `daemon`.
  static void LoadKitDevices(const PulseDaemon& daemon, int* headset = nullptr, int* dongle = nullptr,
                             int* mic = nullptr) {
    const int h = daemon.LoadSink(kHeadsetSink, UsbProperties("Headset Speakers", "f779", "OS-HS-0001"));
    const int d = daemon.LoadSink(kDongleSink, UsbProperties("Dongle Speakers", "f778", "OS-DG-0001"));
    const int m =
        daemon.LoadSource(kHeadsetSource, UsbProperties("Headset Microphone", "f779", "OS-HS-0001"), kDongleSink);
    ASSERT_GE(h, 0);
    ASSERT_GE(d, 0);
    ASSERT_GE(m, 0);
    ASSERT_EQ(daemon.Pactl(std::string("set-default-sink ") + kHeadsetSink), 0);
    ASSERT_EQ(daemon.Pactl(std::string("set-default-source ") + kHeadsetSource), 0);
    if (headset) *headset = h;
    if (dongle) *dongle = d;
    if (mic) *mic = m;
  }

 protected:
  void AddKitDevices() { LoadKitDevices(daemon_, &headset_module_, &dongle_module_, &mic_module_); }

  TempRoot root_;
  PulseDaemon daemon_{root_.Path()};
  std::unique_ptr<platform::AudioSystem> audio_;
  int headset_module_ = -1;
  int dongle_module_ = -1;
  int mic_module_ = -1;
};

}  // namespace oro::test
