// The device sets the pace: after a pace report (0x60 0xFF) the sender waits
// 3 ms, sends one packet and waits for the next flow report; after a stream
// report (0x60 0x00) it sends a packet on every pass. An end status (0x01) is
// honoured at any point after update mode was entered.
#include "oro/device_api/firmware_update.h"

#include <chrono>
#include <thread>

#include "hid_collections.h"
#include "oro/common/hid_device.h"
#include "oro/headset/headset_reports.h"
#include "oro_ecd_api.h"

namespace oro::device_api {
namespace {

namespace err = platform::err;
using Clock = std::chrono::steady_clock;
using headset::UpdateStatus;

constexpr int kPaceSleepMs = 3;
// While the device holds the sender, one wait of the poll loop.
constexpr int kHeldPollMs = 20;

enum class Pacing { kStream = 0, kOne = 1, kHeld = 2 };

std::int32_t FailureResult(platform::ErrorCode code) {
  return code == err::kTimeout ? ORO_ERR_TIMEOUT : ORO_ERR_DEVICE_LOST;
}

int MillisLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

class Exchange {
 public:
  Exchange(platform::HidConnection& control, platform::HidConnection& data, const FirmwareBounds& bounds)
      : control_(control), data_(data), bounds_(bounds) {}

  // One read of the control collection waiting at most wait_ms. False on a
  // failure, with *failure set; a quiet device is not a failure.
  bool Poll(int wait_ms, UpdateStatus* status, int* result, platform::ErrorCode* failure) {
    std::uint8_t report[headset::kUpdateReportSize] = {};
    std::size_t got = 0;
    const auto rc = control_.Read(report, sizeof report, wait_ms, &got);
    *status = UpdateStatus::kNone;
    if (rc == err::kTimeout) return true;
    if (rc != err::kSuccess) {
      *failure = rc;
      return false;
    }
    *status = headset::DecodeUpdateStatus(report, got, result);
    return true;
  }

  platform::ErrorCode Send(platform::HidConnection& to, const headset::UpdateReport& report) {
    return to.Write(report.data(), report.size(), bounds_.write_ms);
  }

  platform::HidConnection& control_;
  platform::HidConnection& data_;
  const FirmwareBounds& bounds_;
};

}  // namespace

std::int32_t RunFirmwareUpdate(platform::HidBus& bus, FirmwareProgress progress, void* context,
                               const std::uint8_t* image, std::int32_t length, std::int32_t mode,
                               const FirmwareBounds& bounds) {
  if (!image || length < 0) return ORO_ERR_INVALID_ARGUMENT;
  auto report = [&](std::int32_t value, std::int32_t stage) {
    if (progress) progress(context, value, stage);
  };
  report(0, 0);
  common::HidIdentity id;
  if (!common::FindSupportedDevice(bus, &id)) return 0;
  report(0, 1);
  std::unique_ptr<platform::HidConnection> control, data;
  const auto vid = static_cast<std::uint16_t>(id.vendor_id), pid = static_cast<std::uint16_t>(id.product_id);
  const auto iface = static_cast<std::uint16_t>(id.interface_number);
  if (OpenInterfaceCollection(bus, vid, pid, iface, headset::kUpdateControlCollection, &control) != err::kSuccess ||
      OpenInterfaceCollection(bus, vid, pid, iface, headset::kUpdateDataCollection, &data) != err::kSuccess) {
    return -1;
  }
  control->Flush();
  Exchange x(*control, *data, bounds);
  report(0, 2);
  if (const auto rc = x.Send(*control, headset::BuildEnterUpdate(mode))) return FailureResult(rc);

  UpdateStatus status = UpdateStatus::kNone;
  int result = 0;
  platform::ErrorCode failure = err::kSuccess;
  for (const auto deadline = Clock::now() + std::chrono::milliseconds(bounds.mode_ms);;) {
    const int left = MillisLeft(deadline);
    if (left == 0) return ORO_ERR_TIMEOUT;
    if (!x.Poll(left, &status, &result, &failure)) return FailureResult(failure);
    if (status == UpdateStatus::kModeEntered) break;
  }
  report(0, 3);

  const std::int32_t count = length / static_cast<std::int32_t>(headset::kUpdateChunk);
  const std::int32_t rest = length - count * static_cast<std::int32_t>(headset::kUpdateChunk);
  Pacing pacing = Pacing::kOne;
  Clock::time_point held_since = Clock::now();
  bool ended = false;
  // A flow or end status changes the sender's state; false when the wait for
  // one ran out or the device failed.
  auto apply = [&](UpdateStatus s) {
    if (s == UpdateStatus::kPace) pacing = Pacing::kOne;
    if (s == UpdateStatus::kStream) pacing = Pacing::kStream;
    if (s == UpdateStatus::kEnd) ended = true;
  };
  std::int64_t tally = 0;
  for (std::int32_t sent = 0; sent < count && !ended;) {
    if (pacing != Pacing::kHeld) {
      if (pacing == Pacing::kOne) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kPaceSleepMs));
        pacing = Pacing::kHeld;
        held_since = Clock::now();
      }
      const std::uint8_t* chunk = image + static_cast<std::size_t>(sent) * headset::kUpdateChunk;
      if (const auto rc = x.Send(*data, headset::BuildDataPacket(chunk, headset::kUpdateChunk))) {
        return FailureResult(rc);
      }
      ++sent;
      tally += 100;
      report(static_cast<std::int32_t>(tally / count), 4);
    }
    // Streaming polls without waiting; a held sender waits a little per pass
    // instead of spinning, and no longer than the pace bound in all.
    const int wait = pacing == Pacing::kHeld ? kHeldPollMs : 0;
    if (!x.Poll(wait, &status, &result, &failure)) return FailureResult(failure);
    apply(status);
    if (pacing == Pacing::kHeld && status == UpdateStatus::kNone &&
        Clock::now() - held_since > std::chrono::milliseconds(bounds.pace_ms)) {
      return ORO_ERR_TIMEOUT;
    }
  }
  if (!ended && rest != 0) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(bounds.pace_ms);
    while (pacing != Pacing::kStream && !ended) {
      const int left = MillisLeft(deadline);
      if (left == 0) return ORO_ERR_TIMEOUT;
      if (!x.Poll(left, &status, &result, &failure)) return FailureResult(failure);
      apply(status);
    }
    if (!ended) {
      const std::uint8_t* chunk = image + static_cast<std::size_t>(count) * headset::kUpdateChunk;
      if (const auto rc = x.Send(*data, headset::BuildDataPacket(chunk, static_cast<std::size_t>(rest)))) {
        return FailureResult(rc);
      }
    }
  }
  if (!ended) {
    report(100, 4);
    report(0, 5);
    const auto deadline = Clock::now() + std::chrono::milliseconds(bounds.end_ms);
    while (!ended) {
      const int left = MillisLeft(deadline);
      if (left == 0) return ORO_ERR_TIMEOUT;
      if (!x.Poll(left, &status, &result, &failure)) return FailureResult(failure);
      if (status == UpdateStatus::kEnd) ended = true;
    }
  }
  report(result, 6);
  return result;
}

}  // namespace oro::device_api
