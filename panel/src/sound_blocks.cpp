#include "sound_blocks.h"

namespace oro::panel {

int SoundBlocks::Load() {
  const int result = api_.getDeviceInfo(0, record_);
  if (result < 0) return result;
  loaded_ = true;
  block2_ = record_.Block2();
  block1_ = record_.Block1();
  block3_ = record_.Block3();
  sent1_ = block1_;
  sent2_ = block2_;
  return result;
}

void SoundBlocks::Release() {
  if (!loaded_) return;
  loaded_ = false;
  api_.releaseDeviceInfo(record_);
}

void SoundBlocks::SendBlock1() {
  sent1_ = block1_;
  api_.setDeviceProperty(record_, common::kPropertyType1, &block1_);
}

void SoundBlocks::SendBlock2() {
  sent2_ = block2_;
  api_.setDeviceProperty(record_, common::kPropertyType2, &block2_);
}

void SoundBlocks::SendBlock3() {
  api_.setDeviceProperty(record_, common::kPropertyType3, &block3_);
  block2_ = record_.Block2();
}

void SoundBlocks::SendMonitoringOff() {
  block1_.SetMonitoring(false);
  api_.setDeviceProperty(record_, common::kPropertyType1, &block1_);
}

}  // namespace oro::panel
