// Several processes on one store file: concurrent writers lose nothing,
// readers never see half a value, and a store held locked by another process
// answers busy after the time-out without harm to the data.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "oro/platform/sqlite/sqlite_registry_store.h"
#include "store_child_process.h"
#include "temp_root.h"

namespace oro::platform::sqlite {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr const wchar_t* kKit = L"SOFTWARE\\OroSoundKit";
constexpr const wchar_t* kBlock = L"{6F8E9E8B-C370-48D3-A20E-D1CA1D61BB3C}";

// A pipe the parent closes to let every waiting child go at once.
class StartSignal {
 public:
  StartSignal() {
    if (pipe(fds_) != 0) fds_[0] = fds_[1] = -1;
  }
  ~StartSignal() {
    for (int fd : fds_)
      if (fd >= 0) close(fd);
  }
  void Wait() {
    close(fds_[1]);
    fds_[1] = -1;
    char c;
    while (read(fds_[0], &c, 1) > 0) {
    }
  }
  void Go() {
    close(fds_[1]);
    fds_[1] = -1;
  }

 private:
  int fds_[2];
};

KeyHandle OpenKit(SqliteRegistryStore& store, std::uint32_t access) {
  KeyHandle h;
  store.CreateKey(RootKey::kLocalMachine, kKit, access, nullptr, &h, nullptr);
  return h;
}

TEST(StoreProcesses, ConcurrentWritersLoseNothingAndReadersSeeWholeValues) {
  oro::test::TempRoot root;
  const std::string db = root.RegistryDb();
  {
    SqliteRegistryStore store(db);
    ASSERT_EQ(store.OpenError(), err::kSuccess);
    const Bytes block(575, 0);
    ASSERT_EQ(
        store.SetValue(OpenKit(store, keyaccess::kAllAccess), kBlock, regtype::kBinary, block.data(), block.size()),
        err::kSuccess);
  }
  constexpr int kWriters = 4;
  constexpr int kWrites = 150;
  // Four writers and one reader, all released by one signal.
  StartSignal start;
  std::vector<pid_t> writers;
  std::vector<int> reports;
  for (int w = 0; w < kWriters + 1; ++w) {
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(out[0]);
      start.Wait();
      StoreOptions options;
      options.busy_timeout_ms = 20000;
      SqliteRegistryStore store(db, options);
      int failures = store.OpenError() ? 1 : 0;
      int torn = 0;
      KeyHandle h = OpenKit(store, keyaccess::kAllAccess);
      if (w < kWriters) {
        for (int i = 0; i < kWrites; ++i) {
          const Bytes mine = {static_cast<std::uint8_t>(w), static_cast<std::uint8_t>(i)};
          const std::wstring name = L"w" + std::to_wstring(w) + L"_" + std::to_wstring(i);
          failures += store.SetValue(h, name, regtype::kBinary, mine.data(), mine.size()) != 0;
          const Bytes block(575, static_cast<std::uint8_t>(w + 1));
          failures += store.SetValue(h, kBlock, regtype::kBinary, block.data(), block.size()) != 0;
        }
      } else {
        for (int i = 0; i < kWrites * 2; ++i) {
          RegValue v;
          failures += store.QueryValue(h, kBlock, &v) != 0;
          if (v.data.size() != 575 || std::count(v.data.begin(), v.data.end(), v.data[0]) != 575) ++torn;
        }
      }
      const std::string report = std::to_string(failures) + " " + std::to_string(torn);
      (void)!write(out[1], report.data(), report.size());
      _exit(0);
    }
    close(out[1]);
    writers.push_back(pid);
    reports.push_back(out[0]);
  }
  start.Go();
  for (std::size_t i = 0; i < writers.size(); ++i) {
    char buf[64] = {};
    (void)!read(reports[i], buf, sizeof buf - 1);
    close(reports[i]);
    int status = 0;
    waitpid(writers[i], &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_STREQ(buf, "0 0") << "process " << i << ": failed calls, torn reads";
  }

  SqliteRegistryStore store(db);
  KeyHandle h = OpenKit(store, keyaccess::kRead);
  KeyInfo info;
  ASSERT_EQ(store.QueryInfo(h, &info), err::kSuccess);
  EXPECT_EQ(info.values, 1u + kWriters * kWrites);
  for (int w = 0; w < kWriters; ++w) {
    for (int i = 0; i < kWrites; ++i) {
      RegValue v;
      ASSERT_EQ(store.QueryValue(h, L"w" + std::to_wstring(w) + L"_" + std::to_wstring(i), &v), err::kSuccess);
      EXPECT_EQ(v.data, (Bytes{static_cast<std::uint8_t>(w), static_cast<std::uint8_t>(i)}));
    }
  }
}

TEST(StoreProcesses, ProcessesCreatingTheSameNewStoreAllSucceed) {
  for (int round = 0; round < 5; ++round) {
    oro::test::TempRoot root;
    const std::string db = root.Path() + "/state/registry.db";
    StartSignal start;
    std::vector<pid_t> pids;
    for (int p = 0; p < 6; ++p) {
      const pid_t pid = fork();
      ASSERT_GE(pid, 0);
      if (pid == 0) {
        start.Wait();
        SqliteRegistryStore store(db);
        KeyHandle h;
        const ErrorCode rc = store.OpenError() ? store.OpenError()
                                               : store.CreateKey(RootKey::kLocalMachine, kKit, keyaccess::kAllAccess,
                                                                 nullptr, &h, nullptr);
        if (rc) std::fprintf(stderr, "store: %u %s\n", rc, store.OpenErrorDetail().c_str());
        _exit(rc ? 1 : 0);
      }
      pids.push_back(pid);
    }
    start.Go();
    for (pid_t pid : pids) {
      int status = 0;
      waitpid(pid, &status, 0);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
    }
    SqliteRegistryStore store(db);
    KeyHandle software;
    ASSERT_EQ(store.OpenKey(RootKey::kLocalMachine, L"SOFTWARE", keyaccess::kRead, &software), err::kSuccess);
    KeyInfo info;
    ASSERT_EQ(store.QueryInfo(software, &info), err::kSuccess);
    EXPECT_EQ(info.sub_keys, 1u);
  }
}

// Another process holds the store's write lock (or, in exclusive locking
// mode, every lock) until the parent lets it go.
class LockHolder {
 public:
  LockHolder(const std::string& db, bool exclusive_mode) {
    int ready[2];
    if (pipe(ready) != 0 || pipe(release_) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      close(release_[1]);
      sqlite3* raw = nullptr;
      bool ok = sqlite3_open(db.c_str(), &raw) == SQLITE_OK;
      if (exclusive_mode) ok = ok && sqlite3_exec(raw, "PRAGMA locking_mode=EXCLUSIVE", nullptr, nullptr, nullptr) == 0;
      // An uncommitted change that nobody may ever see.
      ok = ok && sqlite3_exec(raw, "BEGIN EXCLUSIVE; UPDATE key_values SET data = x'FFFFFFFF'", nullptr, nullptr,
                              nullptr) == SQLITE_OK;
      (void)!write(ready[1], ok ? "1" : "0", 1);
      char c;
      while (read(release_[0], &c, 1) > 0) {
      }
      _exit(0);  // dies with the transaction open, as a crashed writer would
    }
    close(ready[1]);
    close(release_[0]);
    char c = '0';
    locked_ = read(ready[0], &c, 1) == 1 && c == '1';
    close(ready[0]);
  }
  ~LockHolder() { Release(); }
  bool Locked() const { return locked_; }
  void Release() {
    if (pid_ <= 0) return;
    close(release_[1]);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int release_[2] = {-1, -1};
  bool locked_ = false;
};

class StoreLocked : public ::testing::Test {
 protected:
  void SetUp() override {
    SqliteRegistryStore store(db_);
    ASSERT_EQ(store.OpenError(), err::kSuccess);
    ASSERT_EQ(store.SetValue(OpenKit(store, keyaccess::kAllAccess), L"exitCmd", regtype::kDword, one_.data(), 4),
              err::kSuccess);
  }

  std::unique_ptr<SqliteRegistryStore> ShortTimeout() {
    StoreOptions options;
    options.busy_timeout_ms = 200;
    return std::make_unique<SqliteRegistryStore>(db_, options);
  }

  oro::test::TempRoot root_;
  const std::string db_ = root_.RegistryDb();
  const Bytes one_ = {1, 0, 0, 0};
  const Bytes two_ = {2, 0, 0, 0};
};

TEST_F(StoreLocked, WritesAnswerBusyWhileReadsGoOnAndNothingIsLost) {
  auto store = ShortTimeout();
  ASSERT_EQ(store->OpenError(), err::kSuccess);
  KeyHandle h = OpenKit(*store, keyaccess::kAllAccess);
  LockHolder holder(db_, false);
  ASSERT_TRUE(holder.Locked());
  EXPECT_EQ(store->SetValue(h, L"exitCmd", regtype::kDword, two_.data(), 4), err::kBusy);
  KeyHandle created;
  EXPECT_EQ(store->CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\New", keyaccess::kRead, nullptr, &created, nullptr),
            err::kBusy);
  EXPECT_EQ(store->DeleteKey(RootKey::kLocalMachine, kKit), err::kBusy);
  RegValue v;
  ASSERT_EQ(store->QueryValue(h, L"exitCmd", &v), err::kSuccess);
  EXPECT_EQ(v.data, one_);
  holder.Release();

  ASSERT_EQ(store->QueryValue(h, L"exitCmd", &v), err::kSuccess);
  EXPECT_EQ(v.data, one_);  // the holder's uncommitted change is gone
  ASSERT_EQ(store->SetValue(h, L"exitCmd", regtype::kDword, two_.data(), 4), err::kSuccess);
  SqliteRegistryStore fresh(db_);
  ASSERT_EQ(fresh.OpenError(), err::kSuccess) << fresh.OpenErrorDetail();
  ASSERT_EQ(fresh.QueryValue(h, L"exitCmd", &v), err::kSuccess);
  EXPECT_EQ(v.data, two_);
}

TEST_F(StoreLocked, AnExclusiveHolderMakesReadsAndOpeningBusyToo) {
  auto store = ShortTimeout();
  ASSERT_EQ(store->OpenError(), err::kSuccess);
  KeyHandle h = OpenKit(*store, keyaccess::kAllAccess);
  store.reset();  // so the holder can take the file for itself
  LockHolder holder(db_, true);
  ASSERT_TRUE(holder.Locked());
  auto blocked = ShortTimeout();
  EXPECT_EQ(blocked->OpenError(), err::kBusy) << blocked->OpenErrorDetail();
  EXPECT_EQ(blocked->QueryValue(h, L"exitCmd", nullptr), err::kBusy);
  holder.Release();
  auto later = ShortTimeout();
  ASSERT_EQ(later->OpenError(), err::kSuccess) << later->OpenErrorDetail();
  RegValue v;
  ASSERT_EQ(later->QueryValue(h, L"exitCmd", &v), err::kSuccess);
  EXPECT_EQ(v.data, one_);
}

}  // namespace
}  // namespace oro::platform::sqlite
