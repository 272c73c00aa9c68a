// getDeviceInfo, setDeviceProperty and releaseDeviceInfo against a simulated
// machine (or Windows' own registry, objects and endpoints): what the record
// holds, what is persisted and what is published.
#include "oro/common/eq_coefficients.h"
#include "property_fixture.h"
#ifndef _WIN32
#include "oro/platform/sim/sim_machine.h"
#endif

namespace oro::test {
namespace {

using common::kBlock1ValueName;
using common::kBlock2ValueName;
using common::kBlock3ValueName;
using common::PropertyBlock1;
using common::PropertyBlock2;
using common::PropertyBlock3;

constexpr std::size_t kBlock1At = 4;
constexpr std::size_t kBlock2At = 36;

TEST_F(PropertyTest, FirstRunGivesDefaultsIdentityFiltersAndPublishesThem) {
  Load();
  const PropertyBlock1& b1 = record_.Block1();
  EXPECT_EQ(b1.MicSampleRate(), 48000u);
  EXPECT_EQ(b1.MicVolume(), static_cast<std::uint32_t>(capture_percent_));
  EXPECT_EQ(b1.MonitorVolume(), static_cast<std::uint32_t>(render_percent_));
  EXPECT_EQ(b1.NoiseReductionStrength(), 50u);
  EXPECT_EQ(b1.VoiceKind(), common::Voice::kMonster);
  EXPECT_FALSE(b1.MicMute());
  EXPECT_FALSE(b1.Monitoring());

  const PropertyBlock2& b2 = record_.Block2();
  EXPECT_EQ(b2.SampleRate(), 48000u);
  EXPECT_EQ(b2.MasterVolume(), render_percent_);
  EXPECT_EQ(b2.LeftVolume(), render_percent_);
  EXPECT_EQ(b2.RightVolume(), render_percent_);
  EXPECT_EQ(b2.EnvironmentKind(), common::Environment::kConcertHall);
  EXPECT_EQ(b2.Room(), common::RoomSize::kSmall);
  for (std::size_t i = 0; i < common::kEqBandCount; ++i) {
    const auto c = b2.Coefficients(i);
    EXPECT_EQ(c.a1, 0.0f);
    EXPECT_EQ(c.a2, 0.0f);
    EXPECT_EQ(c.b0, 1.0f);
    EXPECT_EQ(c.b1, 0.0f);
    EXPECT_EQ(c.b2, 0.0f);
    EXPECT_EQ(b2.Band(i).centre_hz, common::kEqBands[i].centre_hz);
  }
  EXPECT_EQ(Bytes(record_.Block3()), std::vector<std::uint8_t>(32, 0));

  // Persisted defaults: block 2 as built before the equalizer was computed.
  EXPECT_EQ(Persisted(kBlock1ValueName), Bytes(b1));
  const auto stored2 = Persisted(kBlock2ValueName);
  ASSERT_EQ(stored2.size(), PropertyBlock2::kSize);
  EXPECT_EQ(Slice(stored2, 35, 340), std::vector<std::uint8_t>(340, 0));
  EXPECT_EQ(Slice(stored2, 0, 35), Slice(Bytes(b2), 0, 35));
  EXPECT_EQ(Persisted(kBlock3ValueName), std::vector<std::uint8_t>(32, 0));

  const auto section = SectionBytes();
  ASSERT_EQ(section.size(), 8188u);
  EXPECT_EQ(Slice(section, 0, 4), (std::vector<std::uint8_t>{0xF8, 0x1F, 0, 0}));  // 8184
  EXPECT_EQ(Slice(section, kBlock1At, 32), Bytes(b1));
  EXPECT_EQ(Slice(section, kBlock2At, 575), Bytes(b2));
}

TEST_F(PropertyTest, LoadKeepsPersistedFieldsAndRefreshesVolumesAndMutes) {
  PropertyBlock1 b1;
  b1.SetMicVolume(10);
  b1.SetMonitorVolume(33);
  b1.SetNoiseReductionStrength(77);
  b1.SetMonitoring(true);
  StoreRaw(kBlock1ValueName, Bytes(b1));
  PropertyBlock2 b2;
  b2.SetSampleRate(48000);
  b2.SetMasterVolume(5);
  b2.SetSpeakerMute(true);
  b2.SetEnvironmentKind(common::Environment::kBathroom);
  StoreRaw(kBlock2ValueName, Bytes(b2));
  PropertyBlock3 b3;
  b3.SetGain(5, 6);
  StoreRaw(kBlock3ValueName, Bytes(b3));

#ifndef _WIN32
  // (Windows' endpoints are the machine's own: their mutes are left alone.)
  platform::sim::SimMachine machine(*platform_.registry);
  platform::sim::SimEndpoint capture;
  ASSERT_EQ(machine.Find(tools::sim::kHeadsetCapture, &capture), 0u);
  ASSERT_EQ(machine.SetMute(capture.info.id, true), 0u);
#endif

  Load();
  EXPECT_EQ(record_.Block1().MicVolume(), static_cast<std::uint32_t>(capture_percent_));
#ifndef _WIN32
  EXPECT_TRUE(record_.Block1().MicMute());
#endif
  EXPECT_EQ(record_.Block1().MonitorVolume(), 33u);
  EXPECT_EQ(record_.Block1().NoiseReductionStrength(), 77u);
  EXPECT_TRUE(record_.Block1().Monitoring());
  EXPECT_EQ(record_.Block2().MasterVolume(), render_percent_);
  EXPECT_EQ(record_.Block2().RightVolume(), render_percent_);
  EXPECT_FALSE(record_.Block2().SpeakerMute()) << "the stored mute gives way to the endpoint's";
  EXPECT_EQ(record_.Block2().EnvironmentKind(), common::Environment::kBathroom);
  EXPECT_EQ(record_.Block2().Band(5).gain_db, 6.0f);
  EXPECT_NE(record_.Block2().Coefficients(5).b0, 1.0f);

  // Refreshed values are not written back.
  EXPECT_EQ(Persisted(kBlock1ValueName), Bytes(b1));
  EXPECT_EQ(Persisted(kBlock2ValueName), Bytes(b2));
}

TEST_F(PropertyTest, MissingCaptureEndpointReadsAsFiftyAndUnmuted) {
#ifdef _WIN32
  GTEST_SKIP() << "unplugs the capture endpoints, which only the simulated machine lets a test do";
#else
  platform::sim::SimMachine machine(*platform_.registry);
  std::vector<platform::sim::SimEndpoint> all;
  ASSERT_EQ(machine.List(&all), 0u);
  for (const auto& e : all) {
    if (e.info.flow == platform::Flow::kCapture) {
      ASSERT_EQ(machine.SetMute(e.info.id, true), 0u);
      ASSERT_EQ(machine.Unplug(e.info.id), 0u);
    }
  }
  Load();
  EXPECT_EQ(record_.Block1().MicVolume(), 50u);
  EXPECT_FALSE(record_.Block1().MicMute());
  EXPECT_EQ(record_.Block1().MonitorVolume(), 75u);
#endif
}

TEST_F(PropertyTest, TypeOneAndTwoAreStoredAndPublishedAsGiven) {
  Load();
  PropertyBlock1 b1 = record_.Block1();
  b1.SetMonitoring(true);
  b1.SetVoiceKind(common::Voice::kCartoon);
  ASSERT_EQ(setDeviceProperty(&record_, 1, &b1), ORO_OK);
  EXPECT_EQ(Bytes(record_.Block1()), Bytes(b1));
  EXPECT_EQ(Persisted(kBlock1ValueName), Bytes(b1));
  EXPECT_EQ(Slice(SectionBytes(), kBlock1At, 32), Bytes(b1));

  // A type-2 block replaces the equalizer tables too: they are not recomputed.
  PropertyBlock2 b2 = record_.Block2();
  b2.SetMode(common::ListeningMode::kEqualizer, true);
  b2.SetCoefficients(3, common::BiquadCoefficients{0.5f, 0.25f, 2.0f, 0.125f, 4.0f});
  b2.SetBand(3, common::EqBand{2, 251.0f, 9.0f, 17.0f});
  std::vector<std::uint8_t> raw = Bytes(b2);
  raw[400] = 0xAB;  // reserved bytes travel too
  ASSERT_EQ(setDeviceProperty(&record_, 2, raw.data()), ORO_OK);
  EXPECT_EQ(Bytes(record_.Block2()), raw);
  EXPECT_EQ(Persisted(kBlock2ValueName), raw);
  const auto section = SectionBytes();
  EXPECT_EQ(Slice(section, kBlock2At, 575), raw);
  EXPECT_EQ(Slice(section, kBlock1At, 32), Bytes(b1)) << "block 1 untouched by a type-2 send";
}

TEST_F(PropertyTest, TypeThreeRecomputesTheEqualizerAndStoresBothBlocks) {
  Load();
  PropertyBlock2 before = record_.Block2();
  PropertyBlock3 gains;
  gains.SetGain(0, -20);
  gains.SetGain(5, 6);
  gains.SetGain(9, 20);
  ASSERT_EQ(setDeviceProperty(&record_, 3, &gains), ORO_OK);

  PropertyBlock2 want = before;
  common::ComputeEqCoefficients(want, gains);
  EXPECT_EQ(Bytes(record_.Block3()), Bytes(gains));
  EXPECT_EQ(Bytes(record_.Block2()), Bytes(want));
  EXPECT_EQ(record_.Block2().Band(5).gain_db, 6.0f);
  EXPECT_EQ(Persisted(kBlock3ValueName), Bytes(gains));
  EXPECT_EQ(Persisted(kBlock2ValueName), Bytes(want));

  const auto section = SectionBytes();
  EXPECT_EQ(Slice(section, kBlock2At, 575), Bytes(want));
  // Block 3 itself is never published.
  EXPECT_EQ(Slice(section, 611, 8188 - 611), std::vector<std::uint8_t>(8188 - 611, 0));

  // All gains back to 0: identity in every band again.
  ASSERT_EQ(setDeviceProperty(&record_, 3, std::vector<std::uint8_t>(32, 0).data()), ORO_OK);
  for (std::size_t i = 0; i < common::kEqBandCount; ++i) EXPECT_EQ(record_.Block2().Coefficients(i).b0, 1.0f);
}

TEST_F(PropertyTest, UnknownTypesChangeNothing) {
  Load();
  const auto record_before = Bytes(record_);
  const auto section_before = SectionBytes();
  const auto stored_before = Persisted(kBlock2ValueName);
  const std::vector<std::uint8_t> block(575, 0x5A);
  for (int type : {0, 4, -1, 1000}) {
    EXPECT_EQ(setDeviceProperty(&record_, type, block.data()), ORO_ERR_INVALID_TYPE) << type;
  }
  EXPECT_EQ(Bytes(record_), record_before);
  EXPECT_EQ(SectionBytes(), section_before);
  EXPECT_EQ(Persisted(kBlock1ValueName), Bytes(record_.Block1()));
  EXPECT_EQ(Persisted(kBlock2ValueName), stored_before);
  EXPECT_EQ(Persisted(kBlock3ValueName), std::vector<std::uint8_t>(32, 0));
}

TEST_F(PropertyTest, ReleaseEndsPublicationButKeepsStoring) {
  Load();
  ASSERT_EQ(releaseDeviceInfo(&record_), ORO_OK);
  loaded_ = false;
  EXPECT_TRUE(SectionBytes().empty()) << "nobody else held the section";

  // A record used after release still stores, and never reaches a freed block.
  PropertyBlock1 b1 = record_.Block1();
  b1.SetMicEchoLevel(42);
  EXPECT_EQ(setDeviceProperty(&record_, 1, &b1), ORO_OK);
  EXPECT_EQ(Persisted(kBlock1ValueName), Bytes(b1));
  EXPECT_TRUE(SectionBytes().empty());
  EXPECT_EQ(releaseDeviceInfo(&record_), ORO_OK);

  // A new getDeviceInfo publishes what was stored.
  Load();
  EXPECT_EQ(Slice(SectionBytes(), kBlock1At + 26, 1), std::vector<std::uint8_t>{42});
}

}  // namespace
}  // namespace oro::test
