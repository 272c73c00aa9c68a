// The SQLite settings store runs the store contract, and what only it has:
// a change stamp that moves with every committed change, and its files' modes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>

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

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Writes one value, so that the log and its index exist too.
void WriteOne(const std::string& db) {
  SqliteRegistryStore store(db);
  ASSERT_EQ(store.OpenError(), err::kSuccess) << store.OpenErrorDetail();
  EXPECT_TRUE(store.CurrentCaller().administrator) << "the owner administers its store";
  KeyHandle h;
  ASSERT_EQ(store.CreateKey(RootKey::kCurrentUser, L"Software\\Kit", keyaccess::kAllAccess, nullptr, &h, nullptr),
            err::kSuccess);
  const std::uint8_t v[] = {1, 0, 0, 0};
  ASSERT_EQ(store.SetValue(h, L"v", regtype::kDword, v, sizeof v), err::kSuccess);
}

// The store holds every secret of the kit: under umask 000 its file and
// journals are still the owner's alone (the folder's group may read them in a
// set-group-id folder), and an older file open to everybody is narrowed.
TEST(SqliteStore, FileAndJournalsAreOwnerOnlyWhateverTheUmask) {
  oro::test::TempRoot root;
  const mode_t old_umask = umask(0);
  const std::string own = root.Path() + "/own/registry.db";
  WriteOne(own);
  for (const char* suffix : {"", "-wal", "-shm"}) EXPECT_EQ(ModeOf(own + suffix), 0600u) << suffix;

  for (const char* suffix : {"", "-wal", "-shm"}) ASSERT_EQ(chmod((own + suffix).c_str(), 0666), 0);
  WriteOne(own);
  for (const char* suffix : {"", "-wal", "-shm"}) EXPECT_EQ(ModeOf(own + suffix), 0600u) << "narrowed " << suffix;

  const std::string shared_folder = root.Path() + "/shared";
  ASSERT_EQ(mkdir(shared_folder.c_str(), 0750), 0);
  ASSERT_EQ(chmod(shared_folder.c_str(), 02750), 0);
  WriteOne(shared_folder + "/registry.db");
  for (const char* suffix : {"", "-wal", "-shm"}) {
    EXPECT_EQ(ModeOf(shared_folder + "/registry.db" + suffix), 0640u) << suffix;
  }
  umask(old_umask);
}

}  // namespace
}  // namespace oro::platform::sqlite
