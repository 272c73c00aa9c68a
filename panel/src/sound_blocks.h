// The device record and the panel's copies of the three property blocks: the
// working copies the pages edit and the last-sent copies of blocks 1 and 2.
// Every send goes through here, so the copies stay consistent with what the
// library holds.
#pragma once

#include "device_api.h"
#include "oro/common/property_blocks.h"

namespace oro::panel {

class SoundBlocks {
 public:
  explicit SoundBlocks(DeviceApi& api) : api_(api) {}

  // getDeviceInfo, then the working and last-sent copies from the record.
  int Load();
  // releaseDeviceInfo once; later calls do nothing.
  void Release();
  bool Loaded() const { return loaded_; }

  common::PropertyBlock1& Block1() { return block1_; }
  common::PropertyBlock2& Block2() { return block2_; }
  common::PropertyBlock3& Block3() { return block3_; }
  const common::PropertyBlock1& LastSent1() const { return sent1_; }
  const common::PropertyBlock2& LastSent2() const { return sent2_; }
  common::DeviceInfo& Record() { return record_; }

  void SendBlock1();
  void SendBlock2();
  // Sends block 3, then takes the library's recomputed block 2 back so that
  // later type-2 sends carry the new equalizer table.
  void SendBlock3();
  // Block 1 with monitoring off, without touching the last-sent copy.
  void SendMonitoringOff();

 private:
  DeviceApi& api_;
  common::DeviceInfo record_{};
  common::PropertyBlock1 block1_{};
  common::PropertyBlock2 block2_{};
  common::PropertyBlock3 block3_{};
  common::PropertyBlock1 sent1_{};
  common::PropertyBlock2 sent2_{};
  bool loaded_ = false;
};

}  // namespace oro::panel
