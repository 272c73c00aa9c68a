// Finding endpoints in the registry's endpoint tree.
#include <cwchar>
#include <cwctype>

#include "oro/common/apo_installer.h"
#include "oro/platform/install_layout.h"
#include "oro/platform/text.h"

namespace oro::common {
namespace {

std::wstring Lower(const std::wstring& text) {
  std::wstring out = text;
  for (auto& c : out) c = static_cast<wchar_t>(std::towlower(c));
  return out;
}

}  // namespace

std::vector<std::pair<bool, std::wstring>> FindDeviceEndpoints(RegistryAccess& reg, std::uint32_t vendor,
                                                               std::uint32_t product, ApoFlow flow) {
  wchar_t pattern[32];
  std::swprintf(pattern, sizeof pattern / sizeof pattern[0], L"vid_%.4x&pid_%.4x", vendor, product);
  std::wstring tree = std::wstring(apo::kMainTree) + (flow == ApoFlow::kRender ? apo::kRenderPart : apo::kCapturePart);
  tree.pop_back();  // the part ends with a separator
  std::vector<std::pair<bool, std::wstring>> found;
  if (!reg.KeyExists(tree)) return found;
  for (const auto& id : reg.EnumerateSubKeys(tree)) {
    const std::wstring props = tree + L"\\" + id + apo::kPropertiesPart;
    if (!reg.KeyExists(props)) continue;
    std::wstring path;
    if (reg.ValueExists(props, apo::kPkeyDevicePath)) {
      path = reg.ReadString(props, apo::kPkeyDevicePath);
    } else if (reg.ValueExists(props, apo::kPkeyDevicePathOld)) {
      path = reg.ReadString(props, apo::kPkeyDevicePathOld);
    } else {
      continue;
    }
    if (Lower(path).find(pattern) != std::wstring::npos) found.emplace_back(false, id);
  }
  return found;
}

std::wstring EndpointKeyPath(RegistryAccess& reg, const std::wstring& id) {
  if (id.empty() || id.find(L'\\') != std::wstring::npos) return {};
  for (const wchar_t* part : {apo::kRenderPart, apo::kCapturePart}) {
    const std::wstring key = apo::kMainTree + std::wstring(part) + id;
    if (reg.KeyExists(key)) return key;
  }
  return {};
}

void EnableSystemEffects(RegistryAccess& reg, const std::wstring& id) {
  const std::wstring key = EndpointKeyPath(reg, id);
  if (key.size() > 1) reg.WriteDword(key + apo::kFxPropertiesPart, apo::kSysFxDisabled, 0);
}

std::wstring InstallFolder(const std::wstring& program_path) {
  const auto cut = program_path.find_last_of(L"\\/");
  if (program_path.size() <= 3 || cut == std::wstring::npos) return {};
  return program_path.substr(0, cut);
}

std::wstring ApoModulePath(const std::wstring& program_path) {
  const std::string folder = platform::ProcessingObjectFolder(platform::ToUtf8(InstallFolder(program_path)));
  return platform::FromUtf8(folder) + L"/" + apo::kApoModuleFile;
}

}  // namespace oro::common
