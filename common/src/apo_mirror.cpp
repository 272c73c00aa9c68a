// The audio system's endpoints copied into the endpoint tree, where the effect
// registration looks for them.
#include <cwctype>
#include <set>

#include "oro/common/apo_installer.h"

namespace oro::common {
namespace {

constexpr const wchar_t* kRenderIdPrefix = L"{0.0.0.00000000}.";
constexpr const wchar_t* kCaptureIdPrefix = L"{0.0.1.00000000}.";
// Property keys the tree carries beside those the registration reads.
constexpr const wchar_t* kPkeyFriendlyName = L"{a45c254e-df1c-4efd-8020-67d146a850e0},14";
constexpr const wchar_t* kPkeyInterfaceName = L"{026e516e-b814-414b-83cd-856d6fef4822},2";

std::wstring Folded(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

// Writes only what differs, so a mirror of an unchanged system changes nothing.
void Put(RegistryAccess& reg, const std::wstring& key, const std::wstring& name, const std::wstring& value) {
  if (reg.ValueExists(key, name) && reg.ReadValue(key, name).type == platform::regtype::kSz &&
      reg.ReadString(key, name) == value) {
    return;
  }
  reg.WriteString(key, name, value);
}

void Put(RegistryAccess& reg, const std::wstring& key, const std::wstring& name, std::uint32_t value) {
  if (reg.ValueExists(key, name) && reg.ReadValue(key, name).type == platform::regtype::kDword &&
      reg.ReadDword(key, name) == value) {
    return;
  }
  reg.WriteDword(key, name, value);
}

}  // namespace

std::wstring EndpointKeyName(const std::wstring& endpoint_id) {
  for (const wchar_t* prefix : {kRenderIdPrefix, kCaptureIdPrefix}) {
    const std::wstring p = prefix;
    if (endpoint_id.size() > p.size() && endpoint_id.compare(0, p.size(), p) == 0) {
      const std::wstring name = endpoint_id.substr(p.size());
      if (name.find(L'\\') == std::wstring::npos) return name;
    }
  }
  return {};
}

std::wstring EndpointIdOfKey(ApoFlow flow, const std::wstring& key_name) {
  return (flow == ApoFlow::kRender ? kRenderIdPrefix : kCaptureIdPrefix) + key_name;
}

platform::ErrorCode MirrorAudioEndpoints(platform::AudioSystem& audio, RegistryAccess& reg) {
  std::vector<platform::EndpointInfo> flows[2];
  for (ApoFlow flow : {ApoFlow::kRender, ApoFlow::kCapture}) {
    const auto f = flow == ApoFlow::kRender ? platform::Flow::kRender : platform::Flow::kCapture;
    // Nothing is written unless both flows could be read: a server that is
    // away must not mark every endpoint gone.
    if (platform::ErrorCode rc = audio.EnumerateEndpoints(f, 0xF, &flows[static_cast<int>(flow)])) return rc;
  }
  for (ApoFlow flow : {ApoFlow::kRender, ApoFlow::kCapture}) {
    std::wstring tree =
        std::wstring(apo::kMainTree) + (flow == ApoFlow::kRender ? apo::kRenderPart : apo::kCapturePart);
    tree.pop_back();
    std::set<std::wstring> present;
    for (const auto& e : flows[static_cast<int>(flow)]) {
      const std::wstring name = EndpointKeyName(e.id);
      if (name.empty()) continue;
      present.insert(Folded(name));
      const std::wstring key = tree + L"\\" + name;
      const std::wstring props = key + apo::kPropertiesPart;
      if (!reg.KeyExists(props)) reg.CreateKey(props);
      Put(reg, key, apo::kDeviceState, e.state);
      Put(reg, props, apo::kPkeyEndpointName, e.name);
      Put(reg, props, kPkeyFriendlyName, e.name);
      Put(reg, props, apo::kPkeyAdapterNameOld, e.adapter_name);
      Put(reg, props, kPkeyInterfaceName, e.adapter_name);
      Put(reg, props, apo::kPkeyDevicePathOld, e.device_path);
    }
    // Endpoints that went away stay, with their effect slots, as not present.
    if (!reg.KeyExists(tree)) continue;
    for (const auto& name : reg.EnumerateSubKeys(tree)) {
      if (present.count(Folded(name))) continue;
      Put(reg, tree + L"\\" + name, apo::kDeviceState, apo::kStateNotPresent);
    }
  }
  return platform::err::kSuccess;
}

}  // namespace oro::common
