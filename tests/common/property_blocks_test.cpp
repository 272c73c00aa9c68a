// The typed blocks must put every field at the byte the processing object and
// the stored values expect, little-endian, whatever the host does.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "oro/common/property_blocks.h"

namespace oro::common {
namespace {

template <typename Block>
std::vector<std::uint8_t> Image(const Block& b) {
  return std::vector<std::uint8_t>(BytesOf(b), BytesOf(b) + sizeof b);
}

void PutU32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

float FloatAt(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  float f;
  std::memcpy(&f, &bytes[at], sizeof f);
  return f;
}

TEST(PropertyBlock1, FieldsLandAtTheirWireOffsets) {
  PropertyBlock1 b;
  b.SetMicSampleRate(48000);
  b.SetMicVolume(0x01020304);
  b.SetMonitorVolume(77);
  b.SetNoiseReductionStrength(50);
  b.SetVoiceChanger(true);
  b.SetVoiceKind(Voice::kWoman);
  b.SetMicEcho(true);
  b.SetNoiseReduction(true);
  b.SetMicMute(true);
  b.SetMicProcessing(true);
  b.SetMicEchoLevel(99);
  b.SetMonitoring(true);

  std::vector<std::uint8_t> want(32, 0);
  PutU32(want, 4, 48000);
  PutU32(want, 8, 0x01020304);
  PutU32(want, 12, 77);
  PutU32(want, 16, 50);
  want[20] = 1;
  want[21] = 4;
  want[22] = 1;
  want[23] = 1;
  want[24] = 1;
  want[25] = 1;
  want[26] = 99;
  want[27] = 1;
  EXPECT_EQ(Image(b), want);
}

TEST(PropertyBlock2, FieldsLandAtTheirWireOffsets) {
  PropertyBlock2 b;
  b.SetSpeakerProcessing(true);
  b.SetSampleRate(44100);
  b.SetMasterVolume(100);
  b.SetLeftVolume(60);
  b.SetRightVolume(40);
  b.SetSpeakerMute(true);
  b.SetRoomEffect(true);
  b.SetEnvironmentKind(Environment::kBathroom);
  b.SetRoom(RoomSize::kLarge);
  b.SetFieldMode(SoundFieldMode::kCounterClockwise);
  b.SetTrim(Speaker::kL, -13);
  b.SetTrim(Speaker::kW, 4);
  b.SetBand(9, EqBand{1, 16000.0f, -20.0f, 10738.0f});
  b.SetCoefficients(0, BiquadCoefficients{1.0f, 2.0f, 3.0f, 4.0f, 5.0f});

  const auto bytes = Image(b);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[4] | (bytes[5] << 8), 44100);
  EXPECT_EQ(bytes[8], 100);
  EXPECT_EQ(bytes[9], 60);
  EXPECT_EQ(bytes[10], 40);
  EXPECT_EQ(bytes[11], 1);
  EXPECT_EQ(bytes[12], 1);
  EXPECT_EQ(bytes[13], 3);
  EXPECT_EQ(bytes[14], 3);
  EXPECT_EQ(bytes[16], 2);
  EXPECT_EQ(bytes[17], 0xF3);  // -13
  EXPECT_EQ(bytes[24], 4);     // W is the eighth trim

  // Last band record: type, then three floats, at 35 + 9 * 14.
  const std::size_t band = 35 + 9 * 14;
  EXPECT_EQ(bytes[band], 1);
  EXPECT_EQ(bytes[band + 1], 0);
  EXPECT_EQ(FloatAt(bytes, band + 2), 16000.0f);
  EXPECT_EQ(FloatAt(bytes, band + 6), -20.0f);
  EXPECT_EQ(FloatAt(bytes, band + 10), 10738.0f);
  // Coefficients in the order a1, a2, b0, b1, b2 at 175.
  for (int i = 0; i < 5; ++i) EXPECT_EQ(FloatAt(bytes, 175 + 4 * i), float(i + 1)) << "coefficient " << i;
}

TEST(PropertyBlock2, VolumesAndTrimsReadAsSigned) {
  std::vector<std::uint8_t> raw(PropertyBlock2::kSize, 0);
  raw[8] = 0xFF;
  raw[17 + 6] = 0xF6;
  const auto b = BlockFromBytes<PropertyBlock2>(raw.data());
  EXPECT_EQ(b.MasterVolume(), -1);
  EXPECT_EQ(b.Trim(Speaker::kC), -10);
}

TEST(PropertyBlock2, SwitchingAModeOnSwitchesTheOthersOff) {
  PropertyBlock2 b;
  b.SetMode(ListeningMode::kVirtual71, true);
  b.SetMode(ListeningMode::kSpatial, true);
  EXPECT_FALSE(b.Mode(ListeningMode::kVirtual71));

  std::vector<std::uint8_t> raw(PropertyBlock2::kSize, 0);
  raw[1] = raw[15] = raw[33] = 1;
  b = BlockFromBytes<PropertyBlock2>(raw.data());
  b.SetMode(ListeningMode::kEqualizer, true);
  const auto bytes = Image(b);
  EXPECT_EQ(bytes[1], 0);
  EXPECT_EQ(bytes[15], 0);
  EXPECT_EQ(bytes[33], 0);
  EXPECT_EQ(bytes[34], 1);

  // Switching a mode off leaves the others as they are.
  raw[34] = 1;
  b = BlockFromBytes<PropertyBlock2>(raw.data());
  b.SetMode(ListeningMode::kSoundField, false);
  EXPECT_TRUE(b.Mode(ListeningMode::kVirtual71));
  EXPECT_TRUE(b.Mode(ListeningMode::kSpatial));
  EXPECT_TRUE(b.Mode(ListeningMode::kEqualizer));
  EXPECT_FALSE(b.Mode(ListeningMode::kSoundField));
}

}  // namespace
}  // namespace oro::common
