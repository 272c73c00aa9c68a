#include "oro/headset/headset_reports.h"

#include <algorithm>
#include <cstring>

namespace oro::headset {
namespace {

std::uint8_t Clamp(int value, int low, int high) { return static_cast<std::uint8_t>(std::clamp(value, low, high)); }

}  // namespace

Payload BuildLighting(const Lighting& l) {
  Payload p{};
  p[0] = kLightingOpcode;
  p[1] = Clamp(l.mode, 0, 255);
  p[2] = Clamp(l.speed, 0, 255);
  p[3] = Clamp(l.red, 0, 255);
  p[4] = Clamp(l.green, 0, 255);
  p[5] = Clamp(l.blue, 0, 255);
  return p;
}

bool IsVirtual71Key(const std::uint8_t* payload, std::size_t size) {
  return payload && size >= 5 && payload[0] == kKeyMarker && payload[1] == kKeyMarker && payload[2] == kKeyMarker &&
         payload[3] == kKeyMarker && payload[4] == kVirtual71Key;
}

Payload BuildVirtual71Ack(std::uint8_t state_before) {
  Payload p{};
  p[0] = p[1] = p[2] = p[3] = kKeyMarker;
  p[4] = kVirtual71Key;
  p[5] = static_cast<std::uint8_t>(state_before ^ 1);
  return p;
}

Payload BuildVirtual71Broadcast(std::uint8_t state) {
  Payload p{};
  p[0] = kKeyMarker;
  p[3] = kVirtual71Broadcast;
  p[4] = state;
  return p;
}

Payload BuildStatusQuery() {
  Payload p{};
  p[0] = kStatusOpcode;
  p[1] = kStatusQuery;
  return p;
}

bool DecodeStatus(const std::uint8_t* payload, std::size_t size, HeadsetStatus* status) {
  if (!payload || size < 4 || !status) return false;
  HeadsetStatus s;
  s.linked = payload[1] != 0;
  s.charging = payload[2] == 1;
  s.battery_step = payload[3];
  const int p = (s.battery_step + 1) * 10;
  s.percent = std::min(p, 100);
  if (s.linked && !s.charging) s.image_index = p < 90 ? s.battery_step + 1 : 10;
  *status = s;
  return true;
}

UpdateReport BuildEnterUpdate(int mode) {
  UpdateReport r{};
  r[0] = kUpdateControlId;
  r[1] = kUpdateEnterCommand;
  r[2] = static_cast<std::uint8_t>(mode & 0xFF);
  return r;
}

UpdateReport BuildDataPacket(const std::uint8_t* chunk, std::size_t size) {
  UpdateReport r{};
  r[0] = kUpdateDataId;
  if (chunk) std::memcpy(r.data() + 1, chunk, std::min(size, kUpdateChunk));
  return r;
}

UpdateStatus DecodeUpdateStatus(const std::uint8_t* report, std::size_t size, int* result) {
  if (!report || size < 3) return UpdateStatus::kNone;
  if (report[1] == kStatusModeEntered && report[2] == 0x01) return UpdateStatus::kModeEntered;
  if (size != kUpdateReportSize || report[0] != kUpdateControlId) return UpdateStatus::kNone;
  if (report[1] == kStatusFlow) {
    if (report[2] == kFlowPace) return UpdateStatus::kPace;
    if (report[2] == kFlowStream) return UpdateStatus::kStream;
    return UpdateStatus::kNone;
  }
  if (report[1] == kStatusEnd) {
    if (result) *result = report[2];
    return UpdateStatus::kEnd;
  }
  return UpdateStatus::kNone;
}

}  // namespace oro::headset
