// The Windows registry adapter in the test programs: each TempRoot gets five
// empty roots of its own below the current user's key, removed when the
// program ends (the Wine prefix of a run is fresh anyway).
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

constexpr const wchar_t* kRegistryTestBase = L"Software\\OroSoundKitTests";

inline std::wstring RegistryBaseFor(const TempRoot& root) {
  const std::string& path = root.Path();
  return std::wstring(kRegistryTestBase) + L"\\" + platform::FromUtf8(path.substr(path.find_last_of("/\\") + 1));
}

inline std::unique_ptr<platform::RegistryStore> OpenTestRegistry(const TempRoot& root) {
  // Registered once per program, on first use.
  static const bool cleanup = [] {
    struct Cleanup : ::testing::Environment {
      void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kRegistryTestBase); }
    };
    ::testing::AddGlobalTestEnvironment(new Cleanup);
    return true;
  }();
  (void)cleanup;
  return platform::windows_host::MakeRedirectedRegistryStore(RegistryBaseFor(root));
}

}  // namespace oro::test
