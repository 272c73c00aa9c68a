// The filter the sound server runs: what it does to audio for a given block 2
// (equalizer, balance, pass-through of what it cannot apply) and how it takes
// up a block published in the section while audio flows.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstring>
#include <memory>
#include <thread>

#include "oro/common/eq_coefficients.h"
#include "oro/platform/linux/host_adapters.h"
#include "speaker_filter.h"
#include "stereo_processor.h"
#include "temp_root.h"
#include "tone.h"

namespace oro::test {
namespace {

using apo::SpeakerParams;
using common::PropertyBlock2;

constexpr float kRate = 48000.0f;

PropertyBlock2 EqBlock(int band, int gain_db, std::uint32_t block_rate = 48000, bool eq_on = true) {
  PropertyBlock2 b;
  b.SetSampleRate(block_rate);
  b.SetMasterVolume(80);
  b.SetLeftVolume(80);
  b.SetRightVolume(80);
  common::PropertyBlock3 gains;
  if (band >= 0) gains.SetGain(static_cast<std::size_t>(band), gain_db);
  common::ComputeEqCoefficients(b, gains);
  b.SetMode(common::ListeningMode::kEqualizer, eq_on);
  return b;
}

SpeakerParams Decode(const PropertyBlock2& b, float rate = kRate) {
  SpeakerParams p;
  EXPECT_TRUE(apo::DecodeSpeakerParams(b, rate, &p));
  return p;
}

// Level change in dB of a tone through the processor, measured once the
// filters have settled.
double GainDb(const SpeakerParams& p, double hz, float rate = kRate) {
  apo::StereoProcessor proc;
  proc.Change(p);
  float warm = 0;
  proc.Process(&warm, &warm, &warm, &warm, 1);           // the change is complete after one buffer
  const std::size_t n = static_cast<std::size_t>(rate);  // one second; the 30 Hz band rings for a while
  const std::vector<float> in = Sine(hz, rate, n);
  std::vector<float> l(n), r(n);
  proc.Process(in.data(), in.data(), l.data(), r.data(), n);
  const std::size_t tail = n / 4;
  return Db(Rms(l.data() + n - tail, tail) / Rms(in.data() + n - tail, tail));
}

// |H| of the cascade in the block, in dB, at hz: the response the block
// describes, worked out independently of the processor.
double BlockResponseDb(const PropertyBlock2& b, double hz, double rate) {
  const std::complex<double> z1 = std::polar(1.0, -2.0 * M_PI * hz / rate);
  const std::complex<double> z2 = z1 * z1;
  std::complex<double> h = 1.0;
  for (std::size_t i = 0; i < common::kEqBandCount; ++i) {
    const auto c = b.Coefficients(i);
    h *= (double(c.b0) + double(c.b1) * z1 + double(c.b2) * z2) / (1.0 + double(c.a1) * z1 + double(c.a2) * z2);
  }
  return Db(std::abs(h));
}

TEST(SpeakerFilterSound, EqualizerAppliesTheBlocksCoefficients) {
  const PropertyBlock2 boost = EqBlock(5, 6);  // 1 kHz +6 dB
  EXPECT_NEAR(GainDb(Decode(boost), 1000), 6.0, 0.05);
  EXPECT_NEAR(GainDb(Decode(boost), 100), 0.0, 0.05);

  // A curve over every band, checked against the response the block describes.
  PropertyBlock2 curve;
  curve.SetSampleRate(48000);
  common::PropertyBlock3 gains;
  const int g[common::kEqBandCount] = {8, -6, 4, -3, 2, 6, -8, 5, -4, 3};
  for (std::size_t i = 0; i < common::kEqBandCount; ++i) gains.SetGain(i, g[i]);
  common::ComputeEqCoefficients(curve, gains);
  curve.SetMode(common::ListeningMode::kEqualizer, true);
  for (double hz : {60.0, 250.0, 1000.0, 3000.0, 8000.0, 15000.0}) {
    EXPECT_NEAR(GainDb(Decode(curve), hz), BlockResponseDb(curve, hz, kRate), 0.05) << hz << " Hz";
  }
}

TEST(SpeakerFilterSound, EqualizerOffPassesAudioBitForBit) {
  apo::StereoProcessor proc;
  proc.Change(Decode(EqBlock(5, 12, 48000, /*eq_on=*/false)));
  const std::vector<float> in = Sine(1000, kRate, 4096);
  std::vector<float> l(in.size()), r(in.size());
  proc.Process(in.data(), in.data(), l.data(), r.data(), in.size());
  EXPECT_EQ(std::memcmp(l.data(), in.data(), in.size() * sizeof(float)), 0);
  EXPECT_EQ(std::memcmp(r.data(), in.data(), in.size() * sizeof(float)), 0);
}

TEST(SpeakerFilterSound, BlockOfAnotherRateIsHeardAtTheRunningRate) {
  // Coefficients made for 48 kHz would put the band near 1088 Hz at 44.1 kHz.
  const PropertyBlock2 boost = EqBlock(5, 6, 48000);
  EXPECT_NEAR(GainDb(Decode(boost, 44100.0f), 1000, 44100.0f), 6.0, 0.05);
}

TEST(SpeakerFilterSound, BalanceScalesEachChannelByItsVolume) {
  PropertyBlock2 b = EqBlock(-1, 0);
  b.SetMasterVolume(100);
  b.SetLeftVolume(50);
  b.SetRightVolume(100);
  SpeakerParams p = Decode(b);
  EXPECT_FLOAT_EQ(p.left_gain, 0.5f);
  EXPECT_FLOAT_EQ(p.right_gain, 1.0f);

  // Out-of-range bytes are taken at their nearest bound, a silent block as no balance.
  b.SetLeftVolume(-3);
  b.SetRightVolume(120);
  p = Decode(b);
  EXPECT_FLOAT_EQ(p.left_gain, 0.0f);
  EXPECT_FLOAT_EQ(p.right_gain, 1.0f);
  b.SetMasterVolume(0);
  b.SetLeftVolume(0);
  b.SetRightVolume(0);
  p = Decode(b);
  EXPECT_FLOAT_EQ(p.left_gain, 1.0f);
  EXPECT_FLOAT_EQ(p.right_gain, 1.0f);
}

TEST(SpeakerFilterSound, BlocksThatCannotBeAppliedAreRefused) {
  SpeakerParams p;
  PropertyBlock2 nan = EqBlock(5, 6);
  auto c = nan.Coefficients(5);
  c.b1 = std::nanf("");
  nan.SetCoefficients(5, c);
  EXPECT_FALSE(apo::DecodeSpeakerParams(nan, kRate, &p));

  PropertyBlock2 ringing = EqBlock(5, 6);
  ringing.SetCoefficients(2, common::BiquadCoefficients{-1.9f, 1.01f, 1.0f, 0.0f, 0.0f});
  EXPECT_FALSE(apo::DecodeSpeakerParams(ringing, kRate, &p));

  // The same block with the equalizer off has nothing to refuse.
  ringing.SetMode(common::ListeningMode::kEqualizer, false);
  EXPECT_TRUE(apo::DecodeSpeakerParams(ringing, kRate, &p));
}

TEST(SpeakerFilterSound, ChangeIsCrossfadedWithinOneBuffer) {
  // A 1 kHz tone boosted by 20 dB, then the equalizer switched off while it
  // plays: no sample may jump further than the boosted tone itself moves.
  apo::StereoProcessor proc;
  proc.Change(Decode(EqBlock(5, 20)));
  const std::size_t period = 512;  // buffer edges away from the tone's zero crossings
  const std::size_t n = period * 20;
  const std::vector<float> in = Sine(1000, kRate, n);
  std::vector<float> out(n), other(n);
  for (std::size_t at = 0; at < n; at += period) {
    if (at == period * 10) proc.Change(Decode(EqBlock(5, 20, 48000, /*eq_on=*/false)));
    proc.Process(in.data() + at, in.data() + at, out.data() + at, other.data() + at, period);
  }
  const double step = 10.0 * 0.25 * 2.0 * M_PI * 1000.0 / kRate;  // the boosted tone's largest step
  double largest = 0;
  for (std::size_t i = 1; i < n; ++i) largest = std::max(largest, std::fabs(double(out[i]) - out[i - 1]));
  EXPECT_LT(largest, step * 1.1);
  EXPECT_NEAR(Db(Rms(out.data() + period * 5, period * 5) / Rms(in.data(), period * 5)), 20.0, 0.2);
  // From the buffer after the change on, the tone is untouched.
  EXPECT_EQ(std::memcmp(out.data() + period * 11, in.data() + period * 11, period * 9 * sizeof(float)), 0);
}

// The filter reading a real section in a state folder of its own.
class SpeakerFilterSection : public ::testing::Test {
 protected:
  void Publish(const PropertyBlock2& b, std::int32_t capacity = common::kSectionSize - 4) {
    if (!section_) {
      auto objects = platform::linux_host::MakeFileNamedObjects(root_.RunDir());
      ASSERT_EQ(objects->CreateSection(common::kSectionName, common::kSectionSize, nullptr, &section_), 0u);
    }
    std::memcpy(section_->Data(), &capacity, 4);
    std::memcpy(section_->Data() + 4 + common::kBlock2PayloadOffset, common::BytesOf(b), PropertyBlock2::kSize);
  }

  // Runs one buffer of `frames` and returns the left output's level against the input's.
  double Buffer(apo::SpeakerFilter& f, std::size_t frames = 480) {
    const std::vector<float> in = Sine(1000, kRate, frames, 0.25, clock_);
    clock_ += frames;
    std::vector<float> l(frames), r(frames);
    f.Run(in.data(), in.data(), l.data(), r.data(), frames);
    last_ = l;
    return Rms(l.data(), frames) / Rms(in.data(), frames);
  }

  TempRoot root_;
  std::unique_ptr<platform::SharedSection> section_;
  std::size_t clock_ = 0;
  std::vector<float> last_;
};

TEST_F(SpeakerFilterSection, NewBlockIsHeardFromTheNextBuffer) {
  PropertyBlock2 b = EqBlock(-1, 0);
  Publish(b);
  apo::SpeakerFilter filter(kRate, root_.RunDir());
  // The helper opens the section in the background; until then audio passes.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  b.SetLeftVolume(40);
  Publish(b);
  while (Buffer(filter) > 0.75 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_NEAR(Buffer(filter), 0.5, 1e-6);

  // Published between two buffers: the next buffer moves to it and ends there.
  b.SetLeftVolume(80);
  Publish(b);
  Buffer(filter);
  EXPECT_NEAR(std::fabs(last_.back()) / 0.25, std::fabs(std::sin(2 * M_PI * 1000.0 * (clock_ - 1) / kRate)), 1e-4);
  EXPECT_NEAR(Buffer(filter), 1.0, 1e-6);
}

TEST_F(SpeakerFilterSection, AbsentOrForeignSectionPassesAudioThrough) {
  apo::SpeakerFilter filter(kRate, root_.RunDir());
  EXPECT_EQ(Buffer(filter), 1.0);  // no section at all

  PropertyBlock2 b = EqBlock(-1, 0);
  b.SetLeftVolume(20);
  Publish(b, /*capacity=*/0);  // created, never filled by the library
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  Buffer(filter);
  EXPECT_EQ(Buffer(filter), 1.0);

  Publish(b);  // the same block in a proper section is applied
  Buffer(filter);
  EXPECT_NEAR(Buffer(filter), 0.25, 1e-6);

  PropertyBlock2 bad = EqBlock(5, 6);
  bad.SetCoefficients(5, common::BiquadCoefficients{0, 0, std::numeric_limits<float>::infinity(), 0, 0});
  Publish(bad);
  Buffer(filter);
  EXPECT_EQ(Buffer(filter), 1.0);
}

}  // namespace
}  // namespace oro::test
