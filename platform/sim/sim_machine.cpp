#include "oro/platform/sim/sim_machine.h"

#include <cmath>
#include <cstring>

#include "oro/platform/linux/host_adapters.h"
#include "oro/platform/little_endian.h"
#include "oro/platform/sim/sim_layout.h"
#include "oro/platform/text.h"
#include "store_values.h"

namespace oro::platform::sim {
namespace {

constexpr Flow kFlows[] = {Flow::kRender, Flow::kCapture};
constexpr Role kRoles[] = {Role::kConsole, Role::kMultimedia, Role::kCommunications};

void PutU16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) { StoreLe(b.data() + at, v); }

void PutU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) { StoreLe(b.data() + at, v); }

// The engine's device format as the audio system stores it: a blob header
// (type 0x41, size 40) followed by a WAVEFORMATEXTENSIBLE with PCM data.
std::vector<std::uint8_t> FormatBlob(const SimFormat& f) {
  std::vector<std::uint8_t> b(48, 0);
  PutU32(b, 0, 0x41);
  PutU32(b, 4, 40);
  const auto block = static_cast<std::uint16_t>(f.channels * f.bits / 8);
  PutU16(b, 8, 0xFFFE);
  PutU16(b, 10, f.channels);
  PutU32(b, 12, f.sample_rate);
  PutU32(b, 16, f.sample_rate * block);
  PutU16(b, 20, block);
  PutU16(b, 22, f.bits);
  PutU16(b, 24, 22);
  PutU16(b, 26, f.bits);
  PutU32(b, 28, f.channel_mask);
  // KSDATAFORMAT_SUBTYPE_PCM {00000001-0000-0010-8000-00aa00389b71}
  static const std::uint8_t kPcm[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                        0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};
  std::memcpy(b.data() + 32, kPcm, sizeof kPcm);
  return b;
}

std::vector<std::uint8_t> FloatBytes(float value) {
  std::vector<std::uint8_t> b(4);
  StoreF32Le(b.data(), value);
  return b;
}

bool ValidScalar(float v) { return std::isfinite(v) && v >= 0.0f && v <= 1.0f; }

std::wstring PropertiesKey(const std::wstring& endpoint_key) { return endpoint_key + L"\\" + layout::kPropertiesKey; }

// The first of two property values that exists.
std::wstring ReadEither(RegistryStore& store, const std::wstring& key, const wchar_t* first, const wchar_t* second) {
  std::wstring value;
  if (ReadString(store, key, first, &value) == err::kSuccess) return value;
  if (ReadString(store, key, second, &value) == err::kSuccess) return value;
  return {};
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

bool ParseHex4(const std::wstring& text, std::size_t at, std::uint16_t* out) {
  if (at + 4 > text.size()) return false;
  unsigned v = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const int d = HexDigit(text[at + i]);
    if (d < 0) return false;
    v = v * 16 + static_cast<unsigned>(d);
  }
  *out = static_cast<std::uint16_t>(v);
  return true;
}

}  // namespace

bool ParseUsbIds(const std::wstring& device_path, std::uint16_t* vendor, std::uint16_t* product) {
  const std::wstring upper = FoldCase(device_path);
  const auto vid = upper.find(L"VID_");
  if (vid == std::wstring::npos) return false;
  const auto pid = upper.find(L"PID_", vid + 4);
  if (pid == std::wstring::npos) return false;
  return ParseHex4(upper, vid + 4, vendor) && ParseHex4(upper, pid + 4, product);
}

bool SimMachine::Exists() {
  if (KeyExists(store_, layout::kSimRoot)) return true;
  for (Flow flow : kFlows) {
    std::vector<std::wstring> keys;
    if (ListSubKeys(store_, layout::FlowTreePath(flow), &keys) == err::kSuccess && !keys.empty()) return true;
  }
  return false;
}

ErrorCode SimMachine::Clear() {
  if (ErrorCode rc = DeleteTree(store_, layout::kAudioTree)) return rc;
  return DeleteTree(store_, layout::kSimRoot);
}

ErrorCode SimMachine::AddEndpoint(const SimEndpointSpec& def) {
  if (def.guid.empty() || def.guid.find(L'\\') != std::wstring::npos || !ValidScalar(def.volume)) {
    return err::kInvalidParameter;
  }
  const std::wstring key = layout::EndpointKeyPath(def.flow, def.guid);
  if (KeyExists(store_, key)) return err::kAlreadyExists;

  const std::wstring props = PropertiesKey(key);
  const std::wstring friendly = def.description + L" (" + def.adapter_name + L")";
  ErrorCode rc = err::kSuccess;
  auto step = [&rc](ErrorCode r) {
    if (rc == err::kSuccess) rc = r;
  };
  step(WriteDword(store_, key, layout::kDeviceState, def.state));
  step(WriteBinary(store_, key, layout::kVolume, FloatBytes(def.volume)));
  step(WriteDword(store_, key, layout::kMute, def.mute ? 1 : 0));
  if (!def.alias.empty()) step(WriteString(store_, key, layout::kAlias, def.alias));
  step(WriteString(store_, props, layout::kPkeyDescription, def.description));
  step(WriteString(store_, props, layout::kPkeyFriendlyName, friendly));
  step(WriteString(store_, props, layout::kPkeyAdapterName, def.adapter_name));
  step(WriteString(store_, props, layout::kPkeyInterfaceName, def.adapter_name));
  step(WriteString(store_, props, layout::kPkeyDevicePath, def.device_path));
  step(WriteBinary(store_, props, layout::kPkeyDeviceFormat, FormatBlob(def.format)));
  if (def.flow == Flow::kRender) {
    step(WriteDword(store_, props, layout::kPkeyPhysicalSpeakers, def.format.channel_mask));
  }
  for (const auto& [name, value] : def.extra_properties) step(WriteString(store_, props, name, value));
  for (const auto& [name, value] : def.extra_numbers) step(WriteDword(store_, props, name, value));
  if (!def.effects.empty() || !def.effect_modes.empty()) {
    const std::wstring fx = key + L"\\" + layout::kFxPropertiesKey;
    for (const auto& [name, value] : def.effects) step(WriteString(store_, fx, name, value));
    for (const auto& [name, modes] : def.effect_modes) step(WriteMultiString(store_, fx, name, modes));
  }
  if (rc) return rc;
  // A new active endpoint fills roles of its flow that nobody holds yet.
  return def.state == devstate::kActive ? SetState(layout::EndpointId(def.flow, def.guid), def.state) : rc;
}

ErrorCode SimMachine::ReadEndpoint(Flow flow, const std::wstring& guid, SimEndpoint* out) {
  const std::wstring key = layout::EndpointKeyPath(flow, guid);
  if (!KeyExists(store_, key)) return err::kNotFound;
  SimEndpoint e;
  e.info.id = layout::EndpointId(flow, guid);
  e.info.flow = flow;
  // An endpoint without a readable state is treated as gone, as a damaged
  // entry would be by the real system.
  if (ReadDword(store_, key, layout::kDeviceState, &e.info.state)) e.info.state = devstate::kNotPresent;
  const std::wstring props = PropertiesKey(key);
  e.info.name = ReadEither(store_, props, layout::kPkeyFriendlyName, layout::kPkeyDescription);
  e.info.adapter_name = ReadEither(store_, props, layout::kPkeyAdapterNameAlt, layout::kPkeyAdapterName);
  e.info.device_path = ReadEither(store_, props, layout::kPkeyDevicePathAlt, layout::kPkeyDevicePath);
  ReadString(store_, key, layout::kAlias, &e.alias);
  e.volume_error = GetVolume(e.info.id, &e.volume);
  if (!e.volume_error) e.volume_error = GetMute(e.info.id, &e.mute);
  for (Role role : kRoles) {
    std::wstring def;
    if (GetDefault(flow, role, &def) == err::kSuccess && FoldCase(def) == FoldCase(e.info.id)) {
      e.default_roles.push_back(role);
    }
  }
  *out = std::move(e);
  return err::kSuccess;
}

ErrorCode SimMachine::List(std::vector<SimEndpoint>* out) {
  out->clear();
  for (Flow flow : kFlows) {
    std::vector<std::wstring> guids;
    if (ErrorCode rc = ListSubKeys(store_, layout::FlowTreePath(flow), &guids)) return rc;
    for (const auto& guid : guids) {
      SimEndpoint e;
      if (ErrorCode rc = ReadEndpoint(flow, guid, &e)) return rc;
      out->push_back(std::move(e));
    }
  }
  return err::kSuccess;
}

ErrorCode SimMachine::Load(const std::wstring& id, SimEndpoint* out) {
  Flow flow;
  std::wstring guid;
  if (!layout::ParseEndpointId(id, &flow, &guid)) return err::kNotFound;
  return ReadEndpoint(flow, guid, out);
}

ErrorCode SimMachine::Find(const std::wstring& ref, SimEndpoint* out) {
  std::vector<SimEndpoint> all;
  if (ErrorCode rc = List(&all)) return rc;
  const std::wstring want = FoldCase(ref);
  for (auto& e : all) {
    Flow flow;
    std::wstring guid;
    layout::ParseEndpointId(e.info.id, &flow, &guid);
    if (FoldCase(e.info.id) == want || FoldCase(guid) == want || (!e.alias.empty() && FoldCase(e.alias) == want)) {
      *out = std::move(e);
      return err::kSuccess;
    }
  }
  return err::kNotFound;
}

ErrorCode SimMachine::EndpointKey(const std::wstring& id, std::wstring* key) {
  Flow flow;
  std::wstring guid;
  if (!layout::ParseEndpointId(id, &flow, &guid)) return err::kNotFound;
  *key = layout::EndpointKeyPath(flow, guid);
  return KeyExists(store_, *key) ? err::kSuccess : err::kNotFound;
}

ErrorCode SimMachine::GetState(const std::wstring& id, std::uint32_t* state) {
  std::wstring key;
  if (ErrorCode rc = EndpointKey(id, &key)) return rc;
  return ReadDword(store_, key, layout::kDeviceState, state);
}

ErrorCode SimMachine::FirstActive(Flow flow, const std::wstring& except, std::wstring* id) {
  std::vector<std::wstring> guids;
  if (ErrorCode rc = ListSubKeys(store_, layout::FlowTreePath(flow), &guids)) return rc;
  for (const auto& guid : guids) {
    const std::wstring candidate = layout::EndpointId(flow, guid);
    std::uint32_t state = 0;
    if (FoldCase(candidate) != FoldCase(except) && GetState(candidate, &state) == err::kSuccess &&
        state == devstate::kActive) {
      *id = candidate;
      return err::kSuccess;
    }
  }
  return err::kNotFound;
}

ErrorCode SimMachine::SetState(const std::wstring& id, std::uint32_t state) {
  std::wstring key;
  if (ErrorCode rc = EndpointKey(id, &key)) return rc;
  if (ErrorCode rc = WriteDword(store_, key, layout::kDeviceState, state)) return rc;
  Flow flow;
  std::wstring guid;
  layout::ParseEndpointId(id, &flow, &guid);
  for (Role role : kRoles) {
    std::wstring current;
    const bool held = GetDefault(flow, role, &current) == err::kSuccess;
    std::uint32_t current_state = 0;
    const bool holder_active =
        held && GetState(current, &current_state) == err::kSuccess && current_state == devstate::kActive;
    const std::wstring name = layout::DefaultValueName(flow, role);
    if (state == devstate::kActive) {
      if (!holder_active) {
        if (ErrorCode rc = WriteString(store_, layout::kDefaultsKey, name, id)) return rc;
      }
    } else if (held && FoldCase(current) == FoldCase(id)) {
      std::wstring next;
      ErrorCode rc = FirstActive(flow, id, &next) == err::kSuccess
                         ? WriteString(store_, layout::kDefaultsKey, name, next)
                         : DeleteValue(store_, layout::kDefaultsKey, name);
      if (rc) return rc;
    }
  }
  return err::kSuccess;
}

ErrorCode SimMachine::Plug(const std::wstring& id, bool take_defaults) {
  if (ErrorCode rc = SetState(id, devstate::kActive)) return rc;
  if (!take_defaults) return err::kSuccess;
  Flow flow;
  std::wstring guid;
  layout::ParseEndpointId(id, &flow, &guid);
  for (Role role : kRoles) {
    if (ErrorCode rc = SetDefault(flow, role, id)) return rc;
  }
  return err::kSuccess;
}

ErrorCode SimMachine::Unplug(const std::wstring& id) { return SetState(id, devstate::kUnplugged); }

ErrorCode SimMachine::GetDefault(Flow flow, Role role, std::wstring* id) {
  const ErrorCode rc = ReadString(store_, layout::kDefaultsKey, layout::DefaultValueName(flow, role), id);
  if (rc == err::kFileNotFound || (rc == err::kSuccess && id->empty())) return err::kNotFound;
  return rc;
}

ErrorCode SimMachine::SetDefault(Flow flow, Role role, const std::wstring& id) {
  Flow endpoint_flow;
  std::wstring guid;
  if (!layout::ParseEndpointId(id, &endpoint_flow, &guid)) return err::kNotFound;
  if (endpoint_flow != flow) return err::kInvalidParameter;
  std::uint32_t state = 0;
  if (ErrorCode rc = GetState(id, &state)) return rc;
  if (state != devstate::kActive) return err::kInvalidParameter;
  return WriteString(store_, layout::kDefaultsKey, layout::DefaultValueName(flow, role), id);
}

ErrorCode SimMachine::GetVolume(const std::wstring& id, float* scalar) {
  std::wstring key;
  if (ErrorCode rc = EndpointKey(id, &key)) return rc;
  std::vector<std::uint8_t> bytes;
  const ErrorCode rc = ReadBinary(store_, key, layout::kVolume, &bytes);
  if (rc == err::kFileNotFound) {
    *scalar = 1.0f;
    return err::kSuccess;
  }
  if (rc) return rc;
  if (bytes.size() != 4) return err::kRegistryCorrupt;
  const float value = LoadF32Le(bytes.data());
  if (!std::isfinite(value)) return err::kRegistryCorrupt;
  *scalar = value;
  return err::kSuccess;
}

ErrorCode SimMachine::SetVolume(const std::wstring& id, float scalar) {
  if (!ValidScalar(scalar)) return err::kInvalidParameter;
  std::wstring key;
  if (ErrorCode rc = EndpointKey(id, &key)) return rc;
  return WriteBinary(store_, key, layout::kVolume, FloatBytes(scalar));
}

ErrorCode SimMachine::GetMute(const std::wstring& id, bool* mute) {
  std::wstring key;
  if (ErrorCode rc = EndpointKey(id, &key)) return rc;
  std::uint32_t v = 0;
  const ErrorCode rc = ReadDword(store_, key, layout::kMute, &v);
  if (rc == err::kFileNotFound) {
    *mute = false;
    return err::kSuccess;
  }
  if (rc) return rc;
  *mute = v != 0;
  return err::kSuccess;
}

ErrorCode SimMachine::SetMute(const std::wstring& id, bool mute) {
  std::wstring key;
  if (ErrorCode rc = EndpointKey(id, &key)) return rc;
  return WriteDword(store_, key, layout::kMute, mute ? 1 : 0);
}

std::uint32_t SimMachine::OsVersion() {
  std::uint32_t v = 0;
  return ReadDword(store_, layout::kSystemKey, layout::kOsVersion, &v) ? layout::kDefaultOsVersion : v;
}

ErrorCode SimMachine::SetOsVersion(std::uint32_t version) {
  return WriteDword(store_, layout::kSystemKey, layout::kOsVersion, version);
}

std::uint32_t SimMachine::LocaleId() {
  std::uint32_t v = 0;
  return ReadDword(store_, layout::kSystemKey, layout::kLocaleId, &v) ? layout::kDefaultLocaleId : v;
}

ErrorCode SimMachine::SetLocaleId(std::uint32_t lcid) {
  return WriteDword(store_, layout::kSystemKey, layout::kLocaleId, lcid);
}

std::wstring SimMachine::TempFolder() {
  std::wstring v;
  if (ReadString(store_, layout::kSystemKey, layout::kTempFolder, &v) == err::kSuccess && !v.empty()) {
    if (v.back() != L'/') v.push_back(L'/');
    return v;
  }
  return linux_host::MakeLinuxSystemInfo()->TempFolder();
}

ErrorCode SimMachine::SetTempFolder(const std::wstring& folder) {
  return WriteString(store_, layout::kSystemKey, layout::kTempFolder, folder);
}

}  // namespace oro::platform::sim
