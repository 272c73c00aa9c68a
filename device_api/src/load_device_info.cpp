#include "load_device_info.h"

#include <cstring>
#include <vector>

#include "oro/common/eq_coefficients.h"
#include "oro/common/registry_access.h"
#include "oro/device_api/library_context.h"
#include "oro_ecd_api.h"

namespace oro::device_api {

using common::kBlockStoreKey;
using common::RegistryAccess;
using common::RegistryException;

namespace {

constexpr std::uint32_t kDefaultSampleRate = 48000;
constexpr std::uint32_t kDefaultNoiseReduction = 50;

RegistryAccess Access() {
  auto& p = LibraryPlatform();
  if (!p.registry) throw RegistryException(L"No settings store");
  return RegistryAccess(*p.registry);
}

// Reads the persisted block over the defaults in `block` (at most the
// block's length; a shorter value leaves the rest at its default), or writes
// the defaults when nothing is persisted. A value of the wrong type is left
// alone for the next send to replace.
template <typename Block>
bool LoadOrSeed(RegistryAccess& reg, const wchar_t* name, Block* block) {
  try {
    if (!reg.ValueExists(kBlockStoreKey, name)) {
      reg.WriteBinary(kBlockStoreKey, name, block, sizeof *block);
      return true;
    }
    const std::vector<std::uint8_t> stored = reg.ReadBinary(kBlockStoreKey, name);
    std::memcpy(block, stored.data(), std::min(stored.size(), sizeof *block));
    if (stored.size() != sizeof *block) {
      DebugLine(L"persisted block " + std::wstring(name) + L" has " + std::to_wstring(stored.size()) +
                L" bytes instead of " + std::to_wstring(sizeof *block));
    }
    return true;
  } catch (const RegistryException& e) {
    DebugLine(e.Message());
    return false;
  }
}

}  // namespace

void DebugLine(const std::wstring& text) {
  auto& p = LibraryPlatform();
  if (p.debug) p.debug->Write(L"[quenta]" + text);
}

void PersistBlock(const wchar_t* value_name, const void* data, std::size_t size) {
  RegistryAccess reg = Access();
  try {
    reg.WriteBinary(kBlockStoreKey, value_name, data, size);
  } catch (const RegistryException&) {
    // The kit's key is normally made by set-up; make it rather than lose the
    // block, and report whatever still fails.
    if (reg.KeyExists(kBlockStoreKey)) throw;
    reg.CreateKey(kBlockStoreKey);
    reg.WriteBinary(kBlockStoreKey, value_name, data, size);
  }
}

bool LoadDeviceInfo(common::DeviceInfo* out) {
  // One reading of each endpoint serves every place the value appears.
  const std::int32_t capture_volume = _getVolum(ORO_FLOW_CAPTURE);
  const std::int32_t capture_mute = _GetMasterMute(ORO_FLOW_CAPTURE);
  const std::int32_t render_volume = _getVolum(ORO_FLOW_RENDER);
  const std::int32_t render_mute = _GetMasterMute(ORO_FLOW_RENDER);

  common::DeviceInfo info;
  common::PropertyBlock1& b1 = info.Block1();
  b1.SetMicVolume(static_cast<std::uint32_t>(capture_volume));
  b1.SetMonitorVolume(static_cast<std::uint32_t>(render_volume));
  b1.SetMicSampleRate(kDefaultSampleRate);
  b1.SetNoiseReductionStrength(kDefaultNoiseReduction);
  b1.SetVoiceKind(common::Voice::kMonster);

  common::PropertyBlock2& b2 = info.Block2();
  b2.SetMasterVolume(render_volume);
  b2.SetLeftVolume(render_volume);
  b2.SetRightVolume(render_volume);
  b2.SetSampleRate(kDefaultSampleRate);
  b2.SetEnvironmentKind(common::Environment::kConcertHall);
  b2.SetRoom(common::RoomSize::kSmall);

  common::PropertyBlock3& b3 = info.Block3();

  bool ok = true;
  try {
    RegistryAccess reg = Access();
    if (!reg.KeyExists(kBlockStoreKey)) reg.CreateKey(kBlockStoreKey);
    ok &= LoadOrSeed(reg, common::kBlock1ValueName, &b1);
    ok &= LoadOrSeed(reg, common::kBlock2ValueName, &b2);
    ok &= LoadOrSeed(reg, common::kBlock3ValueName, &b3);
  } catch (const RegistryException& e) {
    DebugLine(e.Message());
    ok = false;
  }

  b1.SetMicVolume(static_cast<std::uint32_t>(capture_volume));
  b1.SetMicMute(capture_mute != 0);
  common::ComputeEqCoefficients(b2, b3);
  b2.SetMasterVolume(render_volume);
  b2.SetLeftVolume(render_volume);
  b2.SetRightVolume(render_volume);
  b2.SetSpeakerMute(render_mute != 0);

  if (out) *out = info;
  return ok;
}

}  // namespace oro::device_api
