// The headset's reports as payloads (the 64 bytes after the report ID) and
// the firmware update's reports (64 bytes, report ID included). Pure
// functions over bytes; one place per report format.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace oro::headset {

constexpr std::size_t kPayloadSize = 64;
using Payload = std::array<std::uint8_t, kPayloadSize>;

// Opcodes in payload byte 0.
constexpr std::uint8_t kLightingOpcode = 0x0A;
constexpr std::uint8_t kStatusOpcode = 0x0B;
constexpr std::uint8_t kStatusQuery = 0x01;
constexpr std::uint8_t kKeyMarker = 0xFF;
constexpr std::uint8_t kVirtual71Key = 0x01;
constexpr std::uint8_t kVirtual71Broadcast = 0x0A;

enum class LightingMode : std::uint8_t { kOff = 0, kSteady = 1, kBreathing = 2, kColourCycle = 3, kMusicRhythm = 4 };

// Mode, speed (1 to 20 on the panel) and colour; colour values of 256 or more
// go out as 255, negative ones as 0.
struct Lighting {
  int mode = 1;
  int speed = 1;
  int red = 38;
  int green = 90;
  int blue = 90;
};

Payload BuildLighting(const Lighting& lighting);

// The 7.1 key: the device's notification, the acknowledgement carrying the
// state the toggle produces (state_before XOR 1), and the host's broadcast of
// the current state.
bool IsVirtual71Key(const std::uint8_t* payload, std::size_t size);
Payload BuildVirtual71Ack(std::uint8_t state_before);
Payload BuildVirtual71Broadcast(std::uint8_t state);

Payload BuildStatusQuery();

struct HeadsetStatus {
  bool linked = false;
  bool charging = false;
  int battery_step = 0;
  // (step + 1) x 10, at most 100.
  int percent = 0;
  // The battery picture: 1 to 8 for "bp_<n>0", 10 for the full picture
  // ("bp_100") from 90 per cent up; 0 while charging or not linked.
  int image_index = 0;
};

// A reply payload as received; false when it is too short to hold the status.
bool DecodeStatus(const std::uint8_t* payload, std::size_t size, HeadsetStatus* status);

// Firmware update reports, report ID in byte 0.
constexpr std::size_t kUpdateReportSize = 64;
constexpr std::size_t kUpdateChunk = 63;
constexpr std::uint8_t kUpdateControlId = 0x55;
constexpr std::uint8_t kUpdateDataId = 0x41;
constexpr std::uint8_t kUpdateEnterCommand = 0x55;
constexpr std::uint8_t kStatusModeEntered = 0x02;
constexpr std::uint8_t kStatusFlow = 0x60;
constexpr std::uint8_t kStatusEnd = 0x01;
constexpr std::uint8_t kFlowPace = 0xFF;
constexpr std::uint8_t kFlowStream = 0x00;
// Collections of the update on the kit's interface.
constexpr int kUpdateControlCollection = 3;
constexpr int kUpdateDataCollection = 4;

using UpdateReport = std::array<std::uint8_t, kUpdateReportSize>;

UpdateReport BuildEnterUpdate(int mode);
// The next chunk: up to 63 bytes of the image, zeros after them.
UpdateReport BuildDataPacket(const std::uint8_t* chunk, std::size_t size);

enum class UpdateStatus { kNone, kModeEntered, kPace, kStream, kEnd };

// A status read from the control collection. The mode acknowledgement is
// taken from any read with data; flow and end need a whole 64-byte report
// with report ID 0x55. *result is the device's code of an end status.
UpdateStatus DecodeUpdateStatus(const std::uint8_t* report, std::size_t size, int* result);

}  // namespace oro::headset
