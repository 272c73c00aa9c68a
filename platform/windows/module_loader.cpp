// Modules loaded once nobody but their owner (or SYSTEM, the administrators or
// TrustedInstaller) could have changed them: the file's access list grants
// writing to nobody else, and neither does any folder's on its path, so the
// name cannot be pointed elsewhere between the check and the load.
#include <aclapi.h>
#include <sddl.h>
#include <windows.h>

#include <memory>
#include <string>

#include "oro/platform/windows/windows_adapters.h"

namespace oro::platform::windows_host {
namespace {

constexpr ACCESS_MASK kChanges = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY |
                                 FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER | DELETE | GENERIC_WRITE | GENERIC_ALL;

bool IsTrustedSid(PSID sid, PSID owner) {
  if (owner && EqualSid(sid, owner)) return true;
  for (WELL_KNOWN_SID_TYPE type : {WinLocalSystemSid, WinBuiltinAdministratorsSid, WinCreatorOwnerSid}) {
    BYTE buffer[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof buffer;
    if (CreateWellKnownSid(type, nullptr, buffer, &size) && EqualSid(sid, buffer)) return true;
  }
  // TrustedInstaller owns the system's own files.
  PSID installer = nullptr;
  bool trusted = false;
  if (ConvertStringSidToSidW(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", &installer)) {
    trusted = EqualSid(sid, installer);
    LocalFree(installer);
  }
  return trusted;
}

// True when only trusted accounts may change the object at `path`.
bool ClosedToOthers(const std::wstring& path) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                            &owner, nullptr, &dacl, nullptr, &sd) != ERROR_SUCCESS) {
    return false;
  }
  bool closed = dacl != nullptr;  // no access list at all lets everybody in
  for (DWORD i = 0; closed && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) {
      closed = false;
      break;
    }
    const auto* header = static_cast<ACE_HEADER*>(ace);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE)) continue;
    const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    PSID sid = const_cast<DWORD*>(&allowed->SidStart);
    if ((allowed->Mask & kChanges) && !IsTrustedSid(sid, owner)) closed = false;
  }
  LocalFree(sd);
  return closed;
}

bool FoldersAreClosed(std::wstring path) {
  for (;;) {
    const auto cut = path.find_last_of(L'\\');
    if (cut == std::wstring::npos || cut < 3) return true;  // "C:\" is the system's
    path.resize(cut);
    if (!ClosedToOthers(path)) return false;
  }
}

std::wstring FullPath(const std::wstring& path) {
  wchar_t buffer[32768];
  const DWORD n = GetFullPathNameW(path.c_str(), 32768, buffer, nullptr);
  return (n > 0 && n < 32768) ? std::wstring(buffer, n) : std::wstring();
}

std::wstring ModuleFile(HMODULE module) {
  std::wstring buffer(32768, L'\0');
  const DWORD n = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (n == 0 || n >= buffer.size()) return L"";
  buffer.resize(n);
  return buffer;
}

class WindowsModule final : public LoadedModule {
 public:
  explicit WindowsModule(HMODULE module) : module_(module) {}
  ~WindowsModule() override { FreeLibrary(module_); }
  WindowsModule(const WindowsModule&) = delete;
  WindowsModule& operator=(const WindowsModule&) = delete;
  void* Symbol(const char* name) override {
    return name ? reinterpret_cast<void*>(GetProcAddress(module_, name)) : nullptr;
  }

 private:
  HMODULE module_;
};

class WindowsModuleLoader final : public ModuleLoader {
 public:
  ErrorCode Load(const std::wstring& path, std::unique_ptr<LoadedModule>* out) override {
    if (!out || path.empty()) return err::kInvalidParameter;
    std::wstring full = FullPath(path);
    for (auto& c : full) {
      if (c == L'/') c = L'\\';
    }
    const DWORD attributes = full.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      const DWORD e = GetLastError();
      return (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) ? err::kFileNotFound : err::kAccessDenied;
    }
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) return err::kAccessDenied;
    if (!ClosedToOthers(full) || !FoldersAreClosed(full)) return err::kAccessDenied;
    // Only the file named and the system's folders supply its imports.
    HMODULE module =
        LoadLibraryExW(full.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module) return err::kModuleNotFound;
    *out = std::make_unique<WindowsModule>(module);
    return err::kSuccess;
  }

  std::wstring PathContaining(const void* address) override {
    HMODULE module = nullptr;
    if (!address ||
        !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(address), &module)) {
      return L"";
    }
    return ModuleFile(module);
  }
};

}  // namespace

std::unique_ptr<ModuleLoader> MakeWindowsModuleLoader() { return std::make_unique<WindowsModuleLoader>(); }

}  // namespace oro::platform::windows_host
