// Store files the store did not write, or cannot write: each gives a clear
// error code and detail, and nothing on disk is changed or lost.
#include <gtest/gtest.h>
#include <sched.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>

#include "oro/platform/sqlite/sqlite_registry_store.h"
#include "store_child_process.h"
#include "temp_root.h"

namespace oro::platform::sqlite {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void RawSql(const std::string& path, const char* sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
}

// A store with enough keys and values to span many pages.
void FillStore(const std::string& path) {
  SqliteRegistryStore store(path);
  ASSERT_EQ(store.OpenError(), err::kSuccess);
  Bytes block(575, 0xAB);
  for (int i = 0; i < 200; ++i) {
    KeyHandle h;
    ASSERT_EQ(store.CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\Fill\\K" + std::to_wstring(i), keyaccess::kAllAccess,
                              nullptr, &h, nullptr),
              err::kSuccess);
    ASSERT_EQ(store.SetValue(h, L"block", regtype::kBinary, block.data(), block.size()), err::kSuccess);
  }
}

// Every kind of call answers the open error of a store that did not open.
void ExpectEveryCallFails(SqliteRegistryStore& store, ErrorCode code) {
  KeyHandle h{RootKey::kLocalMachine, L"SOFTWARE", 1, keyaccess::kAllAccess};
  const Bytes d = {1, 2, 3, 4};
  RegValue v;
  std::wstring name;
  KeyInfo info;
  KeySecurity sec;
  EXPECT_EQ(store.OpenKey(RootKey::kLocalMachine, L"SOFTWARE", keyaccess::kRead, &h), code);
  EXPECT_EQ(store.CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\X", keyaccess::kRead, nullptr, &h, nullptr), code);
  EXPECT_EQ(store.DeleteKey(RootKey::kLocalMachine, L"SOFTWARE"), code);
  EXPECT_EQ(store.DeleteKey(RootKey::kLocalMachine, L""), code);
  EXPECT_EQ(store.QueryValue(h, L"v", &v), code);
  EXPECT_EQ(store.SetValue(h, L"v", regtype::kBinary, d.data(), d.size()), code);
  EXPECT_EQ(store.DeleteValue(h, L"v"), code);
  EXPECT_EQ(store.EnumKey(h, 0, &name), code);
  EXPECT_EQ(store.EnumValue(h, 0, &name, &v), code);
  EXPECT_EQ(store.QueryInfo(h, &info), code);
  EXPECT_EQ(store.GetSecurity(h, &sec), code);
  EXPECT_EQ(store.SetSecurity(h, KeySecurity{L"Administrators", {}}, true, true), code);
  EXPECT_EQ(store.SetSecurity(h, sec, false, false), code);
}

class StoreBadInput : public ::testing::Test {
 protected:
  oro::test::TempRoot root_;
  const std::string db_ = root_.RegistryDb();
};

TEST_F(StoreBadInput, GarbageFileIsRefusedAndKeptAsItWas) {
  std::string garbage(8192, '\0');
  std::mt19937 rng(7);
  for (auto& c : garbage) c = static_cast<char>(rng());
  WriteFile(db_, garbage);
  SqliteRegistryStore store(db_);
  EXPECT_EQ(store.OpenError(), err::kBadDb);
  EXPECT_NE(store.OpenErrorDetail().find(db_), std::string::npos) << store.OpenErrorDetail();
  ExpectEveryCallFails(store, err::kBadDb);
  EXPECT_TRUE(ReadFile(db_) == garbage) << "file changed";
}

TEST_F(StoreBadInput, TruncatedFileIsRefusedAndKeptAsItWas) {
  FillStore(db_);
  const std::string whole = ReadFile(db_);
  ASSERT_GT(whole.size(), 16u * 4096u);
  for (std::size_t cut : {whole.size() / 2, whole.size() / 2 + 1000, std::size_t{60}}) {
    const std::string part = whole.substr(0, cut);
    WriteFile(db_, part);
    SqliteRegistryStore store(db_);
    EXPECT_EQ(store.OpenError(), err::kBadDb) << "cut at " << cut;
    EXPECT_FALSE(store.OpenErrorDetail().empty());
    ExpectEveryCallFails(store, err::kBadDb);
    EXPECT_TRUE(ReadFile(db_) == part) << "file changed";
  }
}

TEST_F(StoreBadInput, DamagedPagesInsideAreRefused) {
  FillStore(db_);
  std::string bytes = ReadFile(db_);
  // Scribble over the middle of the file, leaving the header intact.
  for (std::size_t i = bytes.size() / 2; i < bytes.size() / 2 + 4096; ++i) bytes[i] = '\x5A';
  WriteFile(db_, bytes);
  SqliteRegistryStore store(db_);
  EXPECT_EQ(store.OpenError(), err::kBadDb) << store.OpenErrorDetail();
  EXPECT_TRUE(ReadFile(db_) == bytes) << "file changed";
}

TEST_F(StoreBadInput, NewerLayoutAndOtherProgramsDatabasesAreLeftAlone) {
  { SqliteRegistryStore create(db_); }
  RawSql(db_, "PRAGMA user_version = 7");
  {
    const std::string before = ReadFile(db_);
    SqliteRegistryStore store(db_);
    EXPECT_EQ(store.OpenError(), err::kBadDb);
    EXPECT_NE(store.OpenErrorDetail().find("version 7"), std::string::npos) << store.OpenErrorDetail();
    EXPECT_TRUE(ReadFile(db_) == before) << "file changed";
  }
  const std::string other = root_.Path() + "/other.db";
  RawSql(other, "CREATE TABLE notes(t TEXT); INSERT INTO notes VALUES('keep me')");
  const std::string before = ReadFile(other);
  SqliteRegistryStore store(other);
  EXPECT_EQ(store.OpenError(), err::kBadDb);
  EXPECT_TRUE(ReadFile(other) == before) << "file changed";
  const std::string tagged = root_.Path() + "/tagged.db";
  RawSql(tagged, "PRAGMA application_id = 1234");
  EXPECT_EQ(SqliteRegistryStore(tagged).OpenError(), err::kBadDb);
}

TEST_F(StoreBadInput, MissingFilesAndFoldersAreCreatedOnlyWhenAllowed) {
  StoreOptions no_create;
  no_create.create = false;
  SqliteRegistryStore absent(db_, no_create);
  EXPECT_EQ(absent.OpenError(), err::kFileNotFound);
  ExpectEveryCallFails(absent, err::kFileNotFound);
  EXPECT_FALSE(fs::exists(db_));

  const std::string nested = root_.Path() + "/a/b/registry.db";
  SqliteRegistryStore made(nested);
  ASSERT_EQ(made.OpenError(), err::kSuccess) << made.OpenErrorDetail();
  struct stat st {};
  ASSERT_EQ(stat((root_.Path() + "/a/b").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, geteuid() == 0 ? 0755u : 0700u);

  WriteFile(root_.Path() + "/plain", "not a folder");
  SqliteRegistryStore blocked(root_.Path() + "/plain/sub/registry.db");
  EXPECT_EQ(blocked.OpenError(), err::kPathNotFound);
  EXPECT_NE(blocked.OpenErrorDetail().find("plain"), std::string::npos) << blocked.OpenErrorDetail();
  ExpectEveryCallFails(blocked, err::kPathNotFound);

  SqliteRegistryStore folder(root_.Path() + "/a");
  EXPECT_EQ(folder.OpenError(), err::kAccessDenied);
  EXPECT_EQ(SqliteRegistryStore("").OpenError(), err::kInvalidParameter);

  WriteFile(db_, "");  // an empty file is a store waiting for its tables
  SqliteRegistryStore empty(db_);
  EXPECT_EQ(empty.OpenError(), err::kSuccess) << empty.OpenErrorDetail();
}

// A full disk: a tiny tmpfs mounted in a private mount namespace of a child.
// The write that does not fit fails with 112 and takes nothing with it.
TEST_F(StoreBadInput, FullDiskFailsTheWriteAndKeepsEverythingWrittenBefore) {
  const std::string mount_point = root_.Path() + "/small";
  ASSERT_TRUE(fs::create_directory(mount_point));
  auto result = oro::test::RunInChild([mount_point] {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", mount_point.c_str(), "tmpfs", 0, "size=400k") != 0) {
      return std::string("skip ") + std::strerror(errno);
    }
    const std::string db = mount_point + "/registry.db";
    int written = 0;
    ErrorCode rc = 0;
    {
      SqliteRegistryStore store(db);
      KeyHandle h;
      if (store.OpenError() ||
          store.CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\Full", keyaccess::kAllAccess, nullptr, &h, nullptr)) {
        return "setup failed: " + store.OpenErrorDetail();
      }
      for (; written < 1000; ++written) {
        const Bytes data(8000, static_cast<std::uint8_t>(written));
        rc = store.SetValue(h, L"v" + std::to_wstring(written), regtype::kBinary, data.data(), data.size());
        if (rc) break;
      }
    }
    // What a later process finds.
    SqliteRegistryStore store(db);
    KeyHandle h;
    KeyInfo info;
    int intact = 0;
    if (store.OpenKey(RootKey::kLocalMachine, L"SOFTWARE\\Full", keyaccess::kRead, &h) == 0 &&
        store.QueryInfo(h, &info) == 0) {
      for (int i = 0; i < written; ++i) {
        RegValue v;
        intact += store.QueryValue(h, L"v" + std::to_wstring(i), &v) == 0 &&
                  v.data == Bytes(8000, static_cast<std::uint8_t>(i));
      }
    }
    return std::to_string(written) + " " + std::to_string(rc) + " " + std::to_string(store.OpenError()) + " " +
           std::to_string(info.values) + " " + std::to_string(intact);
  });
  ASSERT_EQ(result.status, 0) << result.output;
  if (result.output.rfind("skip", 0) == 0) GTEST_SKIP() << "cannot mount a small tmpfs: " << result.output;
  int written = 0, intact = 0;
  unsigned rc = 0, reopen = 0, values = 0;
  ASSERT_EQ(std::sscanf(result.output.c_str(), "%d %u %u %u %d", &written, &rc, &reopen, &values, &intact), 5)
      << result.output;
  EXPECT_EQ(rc, 112u);  // ERROR_DISK_FULL
  EXPECT_GT(written, 0);
  EXPECT_LT(written, 1000);
  EXPECT_EQ(reopen, err::kSuccess);
  EXPECT_EQ(values, static_cast<unsigned>(written));
  EXPECT_EQ(intact, written);
}

// File modes only bind somebody who is not root: the checks run in a child
// that becomes user 65534. The child calls itself an administrator so that
// only the file's permissions can refuse it.
class StoreReadOnly : public StoreBadInput {
 protected:
  void SetUp() override {
    SqliteRegistryStore store(db_);
    ASSERT_EQ(store.OpenError(), err::kSuccess);
    KeyHandle h;
    ASSERT_EQ(
        store.CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\OroSoundKit", keyaccess::kAllAccess, nullptr, &h, nullptr),
        err::kSuccess);
    const Bytes v = {42, 0, 0, 0};
    ASSERT_EQ(store.SetValue(h, L"exitCmd", regtype::kDword, v.data(), v.size()), err::kSuccess);
  }

  // "open read set create" codes as the unprivileged child sees them.
  std::string ProbeAsNobody() {
    const std::string db = db_;
    auto result = oro::test::RunInChild(
        [db] {
          const Caller admin{L"nobody", true};
          StoreOptions options;
          options.caller = &admin;
          options.busy_timeout_ms = 1000;
          SqliteRegistryStore store(db, options);
          if (store.OpenError()) return "open=" + std::to_string(store.OpenError()) + " " + store.OpenErrorDetail();
          KeyHandle h;
          RegValue v;
          const ErrorCode open = store.OpenKey(RootKey::kLocalMachine, L"SOFTWARE\\OroSoundKit",
                                               keyaccess::kRead | keyaccess::kSetValue, &h);
          const ErrorCode read = store.QueryValue(h, L"exitCmd", &v);
          const Bytes d = {1, 0, 0, 0};
          const ErrorCode set = store.SetValue(h, L"exitCmd", regtype::kDword, d.data(), d.size());
          KeyHandle c;
          const ErrorCode create =
              store.CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\New", keyaccess::kRead, nullptr, &c, nullptr);
          return "open=" + std::to_string(open) + " read=" + std::to_string(read) +
                 " value=" + std::to_string(v.data.empty() ? -1 : v.data[0]) + " set=" + std::to_string(set) +
                 " create=" + std::to_string(create);
        },
        true);
    if (result.status == oro::test::kChildSkipped) return "skipped";
    EXPECT_EQ(result.status, 0) << result.output;
    return result.output;
  }

  void SkipUnlessRoot() {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to drop to user 65534";
  }
};

TEST_F(StoreReadOnly, SystemStoreSeenByAUser) {
  SkipUnlessRoot();
  ASSERT_EQ(chmod(root_.Path().c_str(), 0755), 0);
  for (const char* suffix : {"", "-wal", "-shm"}) ASSERT_EQ(chmod((db_ + suffix).c_str(), 0644), 0) << suffix;
  const std::string seen = ProbeAsNobody();
  if (seen == "skipped") GTEST_SKIP() << "cannot switch to user 65534";
  EXPECT_EQ(seen, "open=0 read=0 value=42 set=5 create=5");
}

TEST_F(StoreReadOnly, ReadOnlyFolderWithoutTheWalFilesIsAClearError) {
  SkipUnlessRoot();
  ASSERT_EQ(chmod(root_.Path().c_str(), 0755), 0);
  ASSERT_EQ(chmod(db_.c_str(), 0644), 0);
  fs::remove(db_ + "-wal");
  fs::remove(db_ + "-shm");
  const std::string before = ReadFile(db_);
  const std::string seen = ProbeAsNobody();
  if (seen == "skipped") GTEST_SKIP() << "cannot switch to user 65534";
  EXPECT_EQ(seen.rfind("open=5 ", 0), 0u) << seen;
  EXPECT_NE(seen.find("folder is not writable"), std::string::npos) << seen;
  EXPECT_TRUE(ReadFile(db_) == before) << "file changed";
}

// A store shared with a group (its folder set-group-id) is read by the group
// while its owner writes; the owner's open narrows the files to the group.
TEST_F(StoreReadOnly, ReadOnlyFileWhileAWriterHasItOpen) {
  SkipUnlessRoot();
  ASSERT_EQ(chown(root_.Path().c_str(), 0, 65534), 0);
  ASSERT_EQ(chmod(root_.Path().c_str(), 02755), 0);
  for (const char* suffix : {"", "-wal", "-shm"}) {
    ASSERT_EQ(chown((db_ + suffix).c_str(), 0, 65534), 0) << suffix;
    ASSERT_EQ(chmod((db_ + suffix).c_str(), 0666), 0) << suffix;
  }
  SqliteRegistryStore writer(db_);  // keeps the WAL and its index in place
  for (const char* suffix : {"", "-wal", "-shm"}) {
    struct stat st {};
    ASSERT_EQ(stat((db_ + suffix).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << suffix;
  }
  ASSERT_EQ(writer.OpenError(), err::kSuccess);
  KeyHandle h;
  ASSERT_EQ(writer.OpenKey(RootKey::kLocalMachine, L"SOFTWARE\\OroSoundKit", keyaccess::kAllAccess, &h), err::kSuccess);
  const Bytes v = {42, 0, 0, 0};
  ASSERT_EQ(writer.SetValue(h, L"exitCmd", regtype::kDword, v.data(), v.size()), err::kSuccess);
  const std::string seen = ProbeAsNobody();
  if (seen == "skipped") GTEST_SKIP() << "cannot switch to user 65534";
  EXPECT_EQ(seen, "open=0 read=0 value=42 set=5 create=5");
}

TEST_F(StoreReadOnly, UnprivilegedCallerFromTheProcessAndAFolderItCannotCreateIn) {
  SkipUnlessRoot();
  ASSERT_EQ(chmod(root_.Path().c_str(), 0755), 0);
  const std::string missing = root_.Path() + "/sub/registry.db";
  auto result = oro::test::RunInChild(
      [missing] {
        SqliteRegistryStore store(missing);
        const Caller who = store.CurrentCaller();
        return std::to_string(store.OpenError()) + (who.administrator ? " admin" : " user");
      },
      true);
  if (result.status == oro::test::kChildSkipped) GTEST_SKIP() << "cannot switch to user 65534";
  EXPECT_EQ(result.output, "5 user");
  EXPECT_FALSE(fs::exists(root_.Path() + "/sub"));
}

}  // namespace
}  // namespace oro::platform::sqlite
