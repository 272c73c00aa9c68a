// The firmware update exchange behind _update_3031_fw, with its waits bounded.
#pragma once

#include <cstdint>

#include "oro/platform/hid_bus.h"

namespace oro::device_api {

struct FirmwareBounds {
  int mode_ms = 5000;  // update-mode acknowledgement
  int pace_ms = 5000;  // a flow-control report while the device holds the sender
  int end_ms = 30000;  // the end status after the last packet
  int write_ms = 2000;
};

using FirmwareProgress = void (*)(void* context, std::int32_t value, std::int32_t stage);

// The export's whole exchange on a bus; results as _update_3031_fw documents.
std::int32_t RunFirmwareUpdate(platform::HidBus& bus, FirmwareProgress progress, void* context,
                               const std::uint8_t* image, std::int32_t length, std::int32_t mode,
                               const FirmwareBounds& bounds);

}  // namespace oro::device_api
