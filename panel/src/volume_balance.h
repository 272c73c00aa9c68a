// The rule that keeps master, left and right volume consistent when one of
// them moves, and the mute that follows the master reaching 0. Kept free of
// widgets: the volume page shows what it decides and makes the calls.
#pragma once

#include "oro/common/property_blocks.h"

namespace oro::panel {

// Where a volume change came from.
enum class VolumeSource { kPageMaster = 0, kLeft = 1, kRight = 2, kStripMaster = 3, kSystem = 4 };

struct BalanceOutcome {
  bool set_endpoint_volume = false;  // _SetVolum(master, 0) with the own-volume guard
  bool mute_changed = false;         // _SetMasterMute(mute byte, 0) after the send
  bool unmute_sets_volume = false;   // and then _SetVolum(master, 0) again
};

// `block` already holds the moved value (byte 8, 9 or 10); `previous_master`
// is byte 8 of the last block 2 sent. Changes bytes 8 to 11 of `block`.
BalanceOutcome ApplyBalance(common::PropertyBlock2& block, int previous_master, VolumeSource source, bool locked);

}  // namespace oro::panel
