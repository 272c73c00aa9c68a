// The Windows registry adapter in the test programs: each TempRoot gets five
// empty roots of its own below the current user's key, under a key of the
// test program's own, removed when the program ends. Test programs run in
// parallel in one prefix, so none may touch another's keys.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "oro/platform/text.h"
#include "oro/platform/windows/windows_registry_store.h"
#include "oro/platform/windows/wine_host.h"
#include "temp_root.h"

namespace oro::test {

// This program's key: Software\OroSoundKitTests\<process id>.
inline const std::wstring& ProgramRegistryBase() {
  static const std::wstring base = L"Software\\OroSoundKitTests\\" + std::to_wstring(GetCurrentProcessId());
  return base;
}

inline std::wstring RegistryBaseFor(const TempRoot& root) {
  const std::string& path = root.Path();
  return ProgramRegistryBase() + L"\\" + platform::FromUtf8(path.substr(path.find_last_of("/\\") + 1));
}

// Sets an access list on `key` (an empty one refuses everybody but the
// owner's reading and rewriting of the list).
inline LONG SetTestKeyAccess(HKEY key, bool open_to_all) {
  SECURITY_DESCRIPTOR sd;
  InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
  ACL acl;
  InitializeAcl(&acl, sizeof acl, ACL_REVISION);
  // A null list grants everything.
  SetSecurityDescriptorDacl(&sd, TRUE, open_to_all ? nullptr : &acl, FALSE);
  return RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd);
}

// Removes this program's roots when it ends, unlocking refused ones first.
inline void CleanTestRegistryAtExit() {
  static const bool registered = [] {
    struct Cleanup : ::testing::Environment {
      void TearDown() override {
        HKEY base = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, ProgramRegistryBase().c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &base) ==
            0) {
          wchar_t name[256];
          for (DWORD i = 0;; ++i) {
            DWORD size = 256;
            if (RegEnumKeyExW(base, i, name, &size, nullptr, nullptr, nullptr, nullptr) != 0) break;
            const std::wstring test(name, size);
            for (const wchar_t* root : {L"", L"\\HKEY_CLASSES_ROOT"}) {
              HKEY key = nullptr;
              if (RegOpenKeyExW(base, (test + root).c_str(), 0, WRITE_DAC | KEY_WOW64_64KEY, &key) == 0) {
                SetTestKeyAccess(key, true);
                RegCloseKey(key);
              }
            }
          }
          RegCloseKey(base);
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, ProgramRegistryBase().c_str());
      }
    };
    ::testing::AddGlobalTestEnvironment(new Cleanup);
    return true;
  }();
  (void)registered;
}

inline std::unique_ptr<platform::RegistryStore> OpenTestRegistry(const TempRoot& root) {
  CleanTestRegistryAtExit();
  return platform::windows_host::MakeRedirectedRegistryStore(RegistryBaseFor(root));
}

// A store whose first root refuses to be read.
inline std::unique_ptr<platform::RegistryStore> OpenRefusedTestRegistry(const TempRoot& root) {
  CleanTestRegistryAtExit();
  const std::wstring base = RegistryBaseFor(root);
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, (base + L"\\HKEY_CLASSES_ROOT").c_str(), 0, nullptr, 0,
                      WRITE_DAC | KEY_WOW64_64KEY, nullptr, &key, nullptr) == 0) {
    SetTestKeyAccess(key, false);
    RegCloseKey(key);
  }
  return platform::windows_host::MakeRedirectedRegistryStore(base);
}

}  // namespace oro::test
