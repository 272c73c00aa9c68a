// The three sound parameter blocks and the device record that carries them,
// as byte-exact little-endian layouts. The library, the panel, the processing
// object and oroctl all read and edit the blocks through these types; no code
// outside this header should need a raw offset.
//
// Every field type is a byte array, so the structs have alignment 1 and no
// padding, and a block can be copied to and from the wire with memcpy.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

#include "oro/platform/little_endian.h"

namespace oro::common {

// ---------------------------------------------------------------------------
// Little-endian field types.

class U16Le {
 public:
  std::uint16_t Get() const { return platform::LoadLe<std::uint16_t>(b_); }
  void Set(std::uint16_t v) { platform::StoreLe(b_, v); }

 private:
  std::uint8_t b_[2] = {};
};

class U32Le {
 public:
  std::uint32_t Get() const { return platform::LoadLe<std::uint32_t>(b_); }
  void Set(std::uint32_t v) { platform::StoreLe(b_, v); }

 private:
  std::uint8_t b_[4] = {};
};

class F32Le {
 public:
  float Get() const { return platform::LoadF32Le(b_); }
  void Set(float f) { platform::StoreF32Le(b_, f); }

 private:
  std::uint8_t b_[4] = {};
};

// ---------------------------------------------------------------------------
// Equalizer records inside block 2.

constexpr std::size_t kEqBandCount = 10;

struct EqBand {
  std::uint16_t type = 0;
  float centre_hz = 0;
  float gain_db = 0;
  float bandwidth_hz = 0;
};

// Second-order section normalised so that a0 = 1.
struct BiquadCoefficients {
  float a1 = 0;
  float a2 = 0;
  float b0 = 0;
  float b1 = 0;
  float b2 = 0;
};

class EqBandRecord {  // 14 bytes
 public:
  EqBand Get() const { return {type_.Get(), centre_hz_.Get(), gain_db_.Get(), bandwidth_hz_.Get()}; }
  void Set(const EqBand& b) {
    type_.Set(b.type);
    centre_hz_.Set(b.centre_hz);
    gain_db_.Set(b.gain_db);
    bandwidth_hz_.Set(b.bandwidth_hz);
  }
  void SetGain(float gain_db) { gain_db_.Set(gain_db); }

 private:
  U16Le type_;
  F32Le centre_hz_;
  F32Le gain_db_;
  F32Le bandwidth_hz_;
  friend struct BlockLayout;
};

class EqCoefficientRecord {  // 20 bytes, stored in the order a1, a2, b0, b1, b2
 public:
  BiquadCoefficients Get() const { return {a1_.Get(), a2_.Get(), b0_.Get(), b1_.Get(), b2_.Get()}; }
  void Set(const BiquadCoefficients& c) {
    a1_.Set(c.a1);
    a2_.Set(c.a2);
    b0_.Set(c.b0);
    b1_.Set(c.b1);
    b2_.Set(c.b2);
  }

 private:
  F32Le a1_;
  F32Le a2_;
  F32Le b0_;
  F32Le b1_;
  F32Le b2_;
  friend struct BlockLayout;
};

// ---------------------------------------------------------------------------
// Field values with names.

enum class Voice : std::uint8_t { kMonster = 1, kCartoon = 2, kMan = 3, kWoman = 4 };
enum class Environment : std::uint8_t { kConcertHall = 1, kUnderwater = 2, kBathroom = 3, kCrazy = 4 };
enum class RoomSize : std::uint8_t { kSmall = 1, kMedium = 2, kLarge = 3 };
enum class SoundFieldMode : std::uint8_t {
  kNone = 0,
  kClockwise = 1,
  kCounterClockwise = 2,
  kAngleHeld = 3,
  kCentred = 4,
  kInitial = 5,
};
// Speaker trims in stored order.
enum class Speaker : std::uint8_t { kL, kR, kLS, kRS, kLB, kRB, kC, kW };
constexpr std::size_t kSpeakerCount = 8;
constexpr int kTrimMin = -13;
constexpr int kTrimMax = 4;
constexpr int kEqGainMin = -20;
constexpr int kEqGainMax = 20;

// The four listening modes of block 2, of which at most one is on after the
// panel switches one on.
enum class ListeningMode : std::uint8_t { kVirtual71, kSoundField, kSpatial, kEqualizer };

// ---------------------------------------------------------------------------
// Block 1: microphone side, 32 bytes.

class PropertyBlock1 {
 public:
  static constexpr std::size_t kSize = 32;

  std::uint32_t MicSampleRate() const { return mic_sample_rate_.Get(); }
  void SetMicSampleRate(std::uint32_t hz) { mic_sample_rate_.Set(hz); }
  std::uint32_t MicVolume() const { return mic_volume_.Get(); }
  void SetMicVolume(std::uint32_t percent) { mic_volume_.Set(percent); }
  std::uint32_t MonitorVolume() const { return monitor_volume_.Get(); }
  void SetMonitorVolume(std::uint32_t percent) { monitor_volume_.Set(percent); }
  std::uint32_t NoiseReductionStrength() const { return noise_reduction_strength_.Get(); }
  void SetNoiseReductionStrength(std::uint32_t strength) { noise_reduction_strength_.Set(strength); }

  bool VoiceChanger() const { return voice_changer_ != 0; }
  void SetVoiceChanger(bool on) { voice_changer_ = on ? 1 : 0; }
  Voice VoiceKind() const { return static_cast<Voice>(voice_); }
  void SetVoiceKind(Voice v) { voice_ = static_cast<std::uint8_t>(v); }
  bool MicEcho() const { return mic_echo_ != 0; }
  void SetMicEcho(bool on) { mic_echo_ = on ? 1 : 0; }
  bool NoiseReduction() const { return noise_reduction_ != 0; }
  void SetNoiseReduction(bool on) { noise_reduction_ = on ? 1 : 0; }
  bool MicMute() const { return mic_mute_ != 0; }
  void SetMicMute(bool on) { mic_mute_ = on ? 1 : 0; }
  bool MicProcessing() const { return mic_processing_ != 0; }
  void SetMicProcessing(bool on) { mic_processing_ = on ? 1 : 0; }
  std::uint8_t MicEchoLevel() const { return mic_echo_level_; }
  void SetMicEchoLevel(std::uint8_t level) { mic_echo_level_ = level; }
  bool Monitoring() const { return monitoring_ != 0; }
  void SetMonitoring(bool on) { monitoring_ = on ? 1 : 0; }

 private:
  std::uint8_t reserved0_[4] = {};
  U32Le mic_sample_rate_;
  U32Le mic_volume_;
  U32Le monitor_volume_;
  U32Le noise_reduction_strength_;
  std::uint8_t voice_changer_ = 0;
  std::uint8_t voice_ = 0;
  std::uint8_t mic_echo_ = 0;
  std::uint8_t noise_reduction_ = 0;
  std::uint8_t mic_mute_ = 0;
  std::uint8_t mic_processing_ = 0;
  std::uint8_t mic_echo_level_ = 0;
  std::uint8_t monitoring_ = 0;
  std::uint8_t reserved28_[4] = {};
  friend struct BlockLayout;
};

// ---------------------------------------------------------------------------
// Block 2: speaker side, 575 bytes.

class PropertyBlock2 {
 public:
  static constexpr std::size_t kSize = 575;

  bool SpeakerProcessing() const { return speaker_processing_ != 0; }
  void SetSpeakerProcessing(bool on) { speaker_processing_ = on ? 1 : 0; }
  std::uint32_t SampleRate() const { return sample_rate_.Get(); }
  void SetSampleRate(std::uint32_t hz) { sample_rate_.Set(hz); }

  // Volumes are stored in one byte each and read as signed.
  int MasterVolume() const { return static_cast<std::int8_t>(master_volume_); }
  void SetMasterVolume(int percent) { master_volume_ = static_cast<std::uint8_t>(percent); }
  int LeftVolume() const { return static_cast<std::int8_t>(left_volume_); }
  void SetLeftVolume(int percent) { left_volume_ = static_cast<std::uint8_t>(percent); }
  int RightVolume() const { return static_cast<std::int8_t>(right_volume_); }
  void SetRightVolume(int percent) { right_volume_ = static_cast<std::uint8_t>(percent); }
  bool SpeakerMute() const { return speaker_mute_ != 0; }
  void SetSpeakerMute(bool on) { speaker_mute_ = on ? 1 : 0; }

  bool RoomEffect() const { return room_effect_ != 0; }
  void SetRoomEffect(bool on) { room_effect_ = on ? 1 : 0; }
  Environment EnvironmentKind() const { return static_cast<Environment>(environment_); }
  void SetEnvironmentKind(Environment e) { environment_ = static_cast<std::uint8_t>(e); }
  RoomSize Room() const { return static_cast<RoomSize>(room_size_); }
  void SetRoom(RoomSize s) { room_size_ = static_cast<std::uint8_t>(s); }

  SoundFieldMode FieldMode() const { return static_cast<SoundFieldMode>(sound_field_mode_); }
  void SetFieldMode(SoundFieldMode m) { sound_field_mode_ = static_cast<std::uint8_t>(m); }
  int Trim(Speaker s) const { return static_cast<std::int8_t>(trims_[static_cast<std::size_t>(s)]); }
  void SetTrim(Speaker s, int db) { trims_[static_cast<std::size_t>(s)] = static_cast<std::uint8_t>(db); }

  // Switching one listening mode on switches the other three off; switching
  // a mode off leaves the others alone.
  bool Mode(ListeningMode mode) const { return *ModeByte(mode) != 0; }
  void SetMode(ListeningMode mode, bool on) {
    if (on) {
      virtual71_ = sound_field_ = spatial_ = equalizer_ = 0;
    }
    *ModeByte(mode) = on ? 1 : 0;
  }

  // band in 0..kEqBandCount-1, in the order 30 Hz .. 16 kHz.
  EqBand Band(std::size_t band) const { return bands_[band].Get(); }
  void SetBand(std::size_t band, const EqBand& b) { bands_[band].Set(b); }
  BiquadCoefficients Coefficients(std::size_t band) const { return coefficients_[band].Get(); }
  void SetCoefficients(std::size_t band, const BiquadCoefficients& c) { coefficients_[band].Set(c); }

 private:
  const std::uint8_t* ModeByte(ListeningMode mode) const {
    switch (mode) {
      case ListeningMode::kVirtual71:
        return &virtual71_;
      case ListeningMode::kSoundField:
        return &sound_field_;
      case ListeningMode::kSpatial:
        return &spatial_;
      case ListeningMode::kEqualizer:
        break;
    }
    return &equalizer_;
  }
  std::uint8_t* ModeByte(ListeningMode mode) {
    return const_cast<std::uint8_t*>(static_cast<const PropertyBlock2*>(this)->ModeByte(mode));
  }

  std::uint8_t speaker_processing_ = 0;
  std::uint8_t virtual71_ = 0;
  std::uint8_t reserved2_[2] = {};
  U32Le sample_rate_;
  std::uint8_t master_volume_ = 0;
  std::uint8_t left_volume_ = 0;
  std::uint8_t right_volume_ = 0;
  std::uint8_t speaker_mute_ = 0;
  std::uint8_t room_effect_ = 0;
  std::uint8_t environment_ = 0;
  std::uint8_t room_size_ = 0;
  std::uint8_t sound_field_ = 0;
  std::uint8_t sound_field_mode_ = 0;
  std::uint8_t trims_[kSpeakerCount] = {};
  std::uint8_t reserved25_[8] = {};
  std::uint8_t spatial_ = 0;
  std::uint8_t equalizer_ = 0;
  EqBandRecord bands_[kEqBandCount];
  EqCoefficientRecord coefficients_[kEqBandCount];
  std::uint8_t reserved375_[200] = {};
  friend struct BlockLayout;
};

// ---------------------------------------------------------------------------
// Block 3: equalizer gains, 32 bytes.

class PropertyBlock3 {
 public:
  static constexpr std::size_t kSize = 32;

  // Gain in dB of band 0..kEqBandCount-1.
  int Gain(std::size_t band) const { return static_cast<std::int8_t>(gains_[band]); }
  void SetGain(std::size_t band, int db) { gains_[band] = static_cast<std::uint8_t>(db); }

 private:
  std::uint8_t gains_[kEqBandCount] = {};
  std::uint8_t reserved10_[22] = {};
  friend struct BlockLayout;
};

// ---------------------------------------------------------------------------
// The device record the panel owns and the library fills, 944 bytes.

class DeviceInfo {
 public:
  static constexpr std::size_t kSize = 944;

  PropertyBlock1& Block1() { return block1_; }
  const PropertyBlock1& Block1() const { return block1_; }
  PropertyBlock2& Block2() { return block2_; }
  const PropertyBlock2& Block2() const { return block2_; }
  PropertyBlock3& Block3() { return block3_; }
  const PropertyBlock3& Block3() const { return block3_; }

  // The library's handle of the published section; opaque to everybody else.
  std::uint64_t SectionHandle() const {
    std::uint64_t h;
    std::memcpy(&h, handle_, sizeof h);
    return h;
  }
  void SetSectionHandle(std::uint64_t h) { std::memcpy(handle_, &h, sizeof h); }

 private:
  PropertyBlock1 block1_;
  PropertyBlock2 block2_;
  std::uint8_t reserved607_[292] = {};
  PropertyBlock3 block3_;
  std::uint8_t reserved931_[5] = {};
  std::uint8_t handle_[8] = {};
  friend struct BlockLayout;
};

// Raw bytes of a block or record, for the store and the section.
template <typename Block>
const std::uint8_t* BytesOf(const Block& block) {
  return reinterpret_cast<const std::uint8_t*>(&block);
}
template <typename Block>
Block BlockFromBytes(const void* data) {
  Block block;
  std::memcpy(&block, data, sizeof block);
  return block;
}

// ---------------------------------------------------------------------------
// Where the blocks live.

// Persisted copies: binary values under this key.
inline constexpr const wchar_t* kBlockStoreKey = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit";
inline constexpr const wchar_t* kBlock1ValueName = L"{F5530E75-A2A5-43E8-B9DF-1A1E225B5D1A}";
inline constexpr const wchar_t* kBlock2ValueName = L"{6F8E9E8B-C370-48D3-A20E-D1CA1D61BB3C}";
inline constexpr const wchar_t* kBlock3ValueName = L"{983E6A3C-E1AE-49BD-9E50-8FCB108C3F8D}";

// The section the processing object reads: a 32-bit payload capacity at
// byte 0, then the payload. Writes address the payload.
inline constexpr const wchar_t* kSectionName = L"Global\\{372E213D-95EA-4306-A914-F50DB21A21CE}";
constexpr std::int32_t kSectionSize = 8188;
constexpr std::size_t kSectionHeaderSize = 4;
constexpr std::size_t kBlock1PayloadOffset = 0;
constexpr std::size_t kBlock2PayloadOffset = 32;

// Property types of setDeviceProperty.
constexpr std::int32_t kPropertyType1 = 1;
constexpr std::int32_t kPropertyType2 = 2;
constexpr std::int32_t kPropertyType3 = 3;

// Compile-time proof of every offset the processing object and the stored
// values depend on.
struct BlockLayout {
  static constexpr bool Check() {
    static_assert(alignof(PropertyBlock1) == 1 && alignof(PropertyBlock2) == 1 && alignof(DeviceInfo) == 1);
    static_assert(std::is_trivially_copyable_v<DeviceInfo> && std::is_standard_layout_v<DeviceInfo>);
    static_assert(sizeof(EqBandRecord) == 14 && sizeof(EqCoefficientRecord) == 20);
    static_assert(offsetof(EqBandRecord, centre_hz_) == 2 && offsetof(EqBandRecord, bandwidth_hz_) == 10);
    static_assert(offsetof(EqCoefficientRecord, b0_) == 8 && offsetof(EqCoefficientRecord, b2_) == 16);

    static_assert(sizeof(PropertyBlock1) == PropertyBlock1::kSize);
    static_assert(offsetof(PropertyBlock1, mic_sample_rate_) == 4);
    static_assert(offsetof(PropertyBlock1, mic_volume_) == 8);
    static_assert(offsetof(PropertyBlock1, monitor_volume_) == 12);
    static_assert(offsetof(PropertyBlock1, noise_reduction_strength_) == 16);
    static_assert(offsetof(PropertyBlock1, voice_changer_) == 20);
    static_assert(offsetof(PropertyBlock1, voice_) == 21);
    static_assert(offsetof(PropertyBlock1, noise_reduction_) == 23);
    static_assert(offsetof(PropertyBlock1, mic_mute_) == 24);
    static_assert(offsetof(PropertyBlock1, mic_echo_level_) == 26);
    static_assert(offsetof(PropertyBlock1, monitoring_) == 27);

    static_assert(sizeof(PropertyBlock2) == PropertyBlock2::kSize);
    static_assert(offsetof(PropertyBlock2, virtual71_) == 1);
    static_assert(offsetof(PropertyBlock2, sample_rate_) == 4);
    static_assert(offsetof(PropertyBlock2, master_volume_) == 8);
    static_assert(offsetof(PropertyBlock2, right_volume_) == 10);
    static_assert(offsetof(PropertyBlock2, speaker_mute_) == 11);
    static_assert(offsetof(PropertyBlock2, environment_) == 13);
    static_assert(offsetof(PropertyBlock2, room_size_) == 14);
    static_assert(offsetof(PropertyBlock2, sound_field_) == 15);
    static_assert(offsetof(PropertyBlock2, sound_field_mode_) == 16);
    static_assert(offsetof(PropertyBlock2, trims_) == 17);
    static_assert(offsetof(PropertyBlock2, spatial_) == 33);
    static_assert(offsetof(PropertyBlock2, equalizer_) == 34);
    static_assert(offsetof(PropertyBlock2, bands_) == 35);
    static_assert(offsetof(PropertyBlock2, coefficients_) == 175);
    static_assert(offsetof(PropertyBlock2, reserved375_) == 375);

    static_assert(sizeof(PropertyBlock3) == PropertyBlock3::kSize);

    static_assert(sizeof(DeviceInfo) == DeviceInfo::kSize);
    static_assert(offsetof(DeviceInfo, block2_) == 32);
    static_assert(offsetof(DeviceInfo, reserved607_) == 607);
    static_assert(offsetof(DeviceInfo, block3_) == 899);
    static_assert(offsetof(DeviceInfo, handle_) == 936);

    static_assert(kBlock2PayloadOffset + PropertyBlock2::kSize + kSectionHeaderSize <= kSectionSize);
    return true;
  }
};
static_assert(BlockLayout::Check());

}  // namespace oro::common
