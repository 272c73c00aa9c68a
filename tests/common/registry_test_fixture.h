// A fresh settings store per test, opened as an administrator, and the
// registry access module over it: the SQLite store on Linux, the system's
// registry (with roots of the test's own) on Windows.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "oro/common/registry_access.h"
#include "temp_root.h"
#ifdef _WIN32
#include "oro/platform/windows/wine_host.h"
#include "windows_registry_fixture.h"
#else
#include "oro/platform/sqlite/sqlite_registry_store.h"
#endif

namespace oro::test {

// The message of the RegistryException `action` throws, or "(no exception)".
template <typename Action>
std::wstring ErrorOf(Action&& action) {
  try {
    std::forward<Action>(action)();
  } catch (const common::RegistryException& e) {
    return e.Message();
  }
  return L"(no exception)";
}

#ifndef _WIN32
inline platform::sqlite::StoreOptions OptionsFor(const platform::Caller* caller) {
  platform::sqlite::StoreOptions options;
  options.caller = caller;
  return options;
}
#endif

// The store of `root` as `caller` sees it. The system's registry knows only
// the process's own account, so on Windows the caller is the process.
inline std::unique_ptr<platform::RegistryStore> OpenStore(const TempRoot& root, const platform::Caller* caller) {
#ifdef _WIN32
  (void)caller;
  return OpenTestRegistry(root);
#else
  return std::make_unique<platform::sqlite::SqliteRegistryStore>(root.RegistryDb(), OptionsFor(caller));
#endif
}

// A store that cannot be used: its file (on Windows its roots' key) cannot
// be opened.
inline std::unique_ptr<platform::RegistryStore> OpenUnusableStore(const TempRoot& root) {
#ifdef _WIN32
  return OpenRefusedTestRegistry(root);
#else
  // The database path names a folder.
  return std::make_unique<platform::sqlite::SqliteRegistryStore>(root.Path());
#endif
}

// Why a test that needs a second, non-administrator account cannot run here
// (empty: it can).
inline std::string NoSecondAccount() {
#ifdef _WIN32
  return "the system's registry answers to the process's own token, and a test program cannot log on as a second, "
         "non-administrator account (Wine has one user only)";
#else
  return {};
#endif
}

// Why an administrator cannot open keys whose access list refuses them here.
inline std::string NoAdministratorOverride() {
#ifdef _WIN32
  if (platform::windows_host::WineVersion().empty()) return {};
  return "Wine grants no rights for the backup, restore and take-ownership privileges, so an administrator is held "
         "to a key's access list there";
#else
  return {};
#endif
}

// Why new keys do not take their parent's inheritable entries here.
inline std::string NoInheritance() {
#ifdef _WIN32
  if (platform::windows_host::WineVersion().empty()) return {};
  return "Wine gives every new key its fixed default access list; it does not inherit the parent's entries";
#else
  return {};
#endif
}

#define ORO_SKIP_UNLESS_EMPTY(reason)      \
  do {                                     \
    const std::string why = (reason);      \
    if (!why.empty()) GTEST_SKIP() << why; \
  } while (false)

class RegistryTest : public ::testing::Test {
 protected:
  const std::wstring kKey = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit";

  void SetUp() override {
    std::string detail;
    ASSERT_EQ(store_.Status(&detail), 0u) << detail;
    reg_.CreateKey(kKey);
  }

  TempRoot root_;
  const platform::Caller admin_{L"root", true};
  std::unique_ptr<platform::RegistryStore> owned_store_ = OpenStore(root_, &admin_);
  platform::RegistryStore& store_ = *owned_store_;
  common::RegistryAccess reg_{store_};
};

}  // namespace oro::test
