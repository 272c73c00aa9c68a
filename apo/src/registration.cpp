// DllRegisterServer and DllUnregisterServer: the two effect classes as an
// in-process server registers them, in the settings store of the platform
// the environment names.
#include <exception>
#include <string>

#include "oro/common/registry_access.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/text.h"
#include "oro_sound_apo.h"

namespace {

struct EffectClass {
  const wchar_t* clsid;
  const wchar_t* name;
};

constexpr EffectClass kClasses[] = {
    {L"{7E473820-7159-4426-A7D7-123DD7EB697D}", L"OroSound stream effect"},
    {L"{D2C675CA-6F7D-446C-BE57-296224C134A6}", L"OroSound endpoint effect"},
};

constexpr const wchar_t* kMachine = L"HKEY_LOCAL_MACHINE\\";
constexpr const wchar_t* kClsidRoot = L"SOFTWARE\\Classes\\CLSID\\";
constexpr const wchar_t* kApoRoot = L"SOFTWARE\\Classes\\AudioEngine\\AudioProcessingObjects\\";
constexpr const wchar_t* kDefaultMode = L"{C18E2F7E-933D-4965-B7D1-1EEF228D2AF3}";

// Deletes a key under HKEY_LOCAL_MACHINE when it is there. Only "not found"
// counts as absent: a store that cannot answer must not pass for clean.
void DeleteIfPresent(oro::common::RegistryAccess& reg, const std::wstring& sub_key) {
  namespace p = oro::platform;
  p::KeyHandle handle;
  const p::ErrorCode rc = reg.Store().OpenKey(p::RootKey::kLocalMachine, sub_key,
                                              p::keyaccess::kQueryValue | p::keyaccess::kWow64_64Key, &handle);
  if (rc == p::err::kFileNotFound) return;
  if (rc != p::err::kSuccess) throw oro::common::RegistryException(L"cannot open " + sub_key);
  reg.DeleteKey(kMachine + sub_key);
}

void Register(oro::common::RegistryAccess& reg, oro::platform::ModuleLoader* modules) {
  const std::wstring path = modules ? modules->PathContaining(reinterpret_cast<const void*>(&DllRegisterServer)) : L"";
  if (path.empty()) throw oro::common::RegistryException(L"cannot tell where OroSoundAPO is loaded from");
  for (const auto& c : kClasses) {
    const std::wstring clsid_key = kMachine + std::wstring(kClsidRoot) + c.clsid;
    reg.CreateKey(clsid_key + L"\\InprocServer32");
    reg.WriteString(clsid_key, L"", c.name);
    reg.WriteString(clsid_key + L"\\InprocServer32", L"", path);
    reg.WriteString(clsid_key + L"\\InprocServer32", L"ThreadingModel", L"Both");

    const std::wstring apo_key = kMachine + std::wstring(kApoRoot) + c.clsid;
    reg.CreateKey(apo_key);
    reg.WriteString(apo_key, L"FriendlyName", c.name);
    reg.WriteDword(apo_key, L"MajorVersion", 1);
    reg.WriteDword(apo_key, L"MinorVersion", 0);
    reg.WriteMultiStringList(apo_key, L"ProcessingModes", {kDefaultMode});
  }
}

void Unregister(oro::common::RegistryAccess& reg, oro::platform::ModuleLoader*) {
  for (const auto& c : kClasses) {
    const std::wstring clsid_key = kClsidRoot + std::wstring(c.clsid);
    DeleteIfPresent(reg, clsid_key + L"\\InprocServer32");
    DeleteIfPresent(reg, clsid_key);
    DeleteIfPresent(reg, kApoRoot + std::wstring(c.clsid));
  }
}

template <typename F>
int32_t InStore(F&& work) {
  try {
    oro::platform::Platform platform = oro::platform::MakePlatformFromEnvironment();
    if (!platform.registry) return ORO_APO_SELFREG_E_CLASS;
    oro::common::RegistryAccess reg(*platform.registry);
    work(reg, platform.modules.get());
    return ORO_APO_S_OK;
  } catch (...) {
    return ORO_APO_SELFREG_E_CLASS;
  }
}

}  // namespace

extern "C" ORO_APO_API int32_t DllRegisterServer(void) { return InStore(Register); }

extern "C" ORO_APO_API int32_t DllUnregisterServer(void) { return InStore(Unregister); }
