// A fresh settings store per test, opened as an administrator, and the
// registry access module over it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "oro/common/registry_access.h"
#include "oro/platform/sqlite/sqlite_registry_store.h"
#include "temp_root.h"

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

inline platform::sqlite::StoreOptions OptionsFor(const platform::Caller* caller) {
  platform::sqlite::StoreOptions options;
  options.caller = caller;
  return options;
}

class RegistryTest : public ::testing::Test {
 protected:
  const std::wstring kKey = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit";

  void SetUp() override {
    ASSERT_EQ(store_.OpenError(), 0u) << store_.OpenErrorDetail();
    reg_.CreateKey(kKey);
  }

  TempRoot root_;
  const platform::Caller admin_{L"root", true};
  platform::sqlite::SqliteRegistryStore store_{root_.RegistryDb(), OptionsFor(&admin_)};
  common::RegistryAccess reg_{store_};
};

}  // namespace oro::test
