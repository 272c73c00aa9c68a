#include "volume_balance.h"

#include <algorithm>

namespace oro::panel {
namespace {
int Clamp(int v) { return std::clamp(v, 0, 100); }
}  // namespace

BalanceOutcome ApplyBalance(common::PropertyBlock2& block, int previous_master, VolumeSource source, bool locked) {
  BalanceOutcome out;
  int m = block.MasterVolume();
  int l = block.LeftVolume();
  int r = block.RightVolume();
  switch (source) {
    case VolumeSource::kPageMaster:
    case VolumeSource::kStripMaster:
    case VolumeSource::kSystem: {
      // The louder side follows the master; the other keeps its distance.
      const int d = m - previous_master;
      if (l > r) {
        r = Clamp(r + d);
        l = m;
      } else if (l == r) {
        l = r = m;
      } else {
        l = Clamp(l + d);
        r = m;
      }
      out.set_endpoint_volume = source != VolumeSource::kSystem;
      break;
    }
    case VolumeSource::kLeft:
      if (locked) {
        r = l;
        m = Clamp(l);
      } else {
        m = std::max(l, r);
      }
      out.set_endpoint_volume = true;
      break;
    case VolumeSource::kRight:
      if (locked) {
        l = r;
        m = Clamp(r);
      } else {
        m = std::max(l, r);
      }
      out.set_endpoint_volume = true;
      break;
  }
  block.SetMasterVolume(m);
  block.SetLeftVolume(l);
  block.SetRightVolume(r);
  if (m == 0 && !block.SpeakerMute()) {
    block.SetSpeakerMute(true);
    out.mute_changed = true;
  } else if (m != 0 && block.SpeakerMute()) {
    block.SetSpeakerMute(false);
    out.mute_changed = true;
    out.unmute_sets_volume = true;
  }
  return out;
}

}  // namespace oro::panel
