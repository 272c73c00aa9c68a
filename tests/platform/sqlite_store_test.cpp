// The SQLite settings store runs the store contract, and what only it has:
// a change stamp that moves with every committed change.
#include <gtest/gtest.h>

#include <memory>

#include "oro/platform/sqlite/sqlite_registry_store.h"
#include "registry_store_contract.h"

namespace oro::platform::sqlite {
namespace {

using namespace contract;  // the suites and their helpers

struct SqliteStore {
  static std::unique_ptr<RegistryStore> Open(const oro::test::TempRoot& root, const Caller* caller) {
    StoreOptions options;
    options.caller = caller;
    return std::make_unique<SqliteRegistryStore>(root.RegistryDb(), options);
  }
};

INSTANTIATE_TYPED_TEST_SUITE_P(SqliteStore, RegistryStoreContract, SqliteStore);
INSTANTIATE_TYPED_TEST_SUITE_P(SqliteStore, RegistryStoreSecurityContract, SqliteStore);

TEST(SqliteStore, ChangeStampMovesWithEveryCommittedChangeFromAnyConnection) {
  oro::test::TempRoot root;
  auto store = std::make_unique<SqliteRegistryStore>(root.RegistryDb());
  auto other = std::make_unique<SqliteRegistryStore>(root.RegistryDb());
  KeyHandle h;
  ASSERT_EQ(store->CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\Watched", keyaccess::kAllAccess, nullptr, &h, nullptr),
            err::kSuccess);
  std::uint64_t first = 0, again = 0, after_other = 0, after_own = 0;
  ASSERT_EQ(store->ChangeStamp(&first), err::kSuccess);
  ASSERT_EQ(store->ChangeStamp(&again), err::kSuccess);
  EXPECT_EQ(first, again);
  RegValue v;
  EXPECT_EQ(store->QueryValue(h, L"absent", &v), err::kFileNotFound);
  ASSERT_EQ(store->ChangeStamp(&again), err::kSuccess);
  EXPECT_EQ(first, again);  // reading changes nothing
  const Bytes d = {1};
  ASSERT_EQ(other->SetValue(h, L"v", regtype::kBinary, d.data(), d.size()), err::kSuccess);
  ASSERT_EQ(store->ChangeStamp(&after_other), err::kSuccess);
  EXPECT_NE(after_other, again);
  ASSERT_EQ(store->SetValue(h, L"v", regtype::kBinary, d.data(), d.size()), err::kSuccess);
  ASSERT_EQ(store->ChangeStamp(&after_own), err::kSuccess);
  EXPECT_NE(after_own, after_other);
}

}  // namespace
}  // namespace oro::platform::sqlite
