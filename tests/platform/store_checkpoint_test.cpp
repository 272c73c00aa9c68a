// The write-ahead log must be copied back into the store file as writes go
// on, or it grows without end and every reader pays for it.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

#include "oro/platform/sqlite/sqlite_registry_store.h"
#include "temp_root.h"

namespace oro::platform::sqlite {
namespace {

long long FileSize(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

// The log's header from its checkpoint sequence number to its salts: every
// restart of the log writes a new one.
std::array<char, 12> LogHeader(const std::string& wal) {
  std::array<char, 12> header{};
  std::ifstream in(wal, std::ios::binary);
  in.seekg(12);
  in.read(header.data(), header.size());
  return header;
}

TEST(StoreCheckpoint, TheLogStaysBoundedUnderAStreamOfWrites) {
  test::TempRoot root;
  std::vector<std::uint8_t> block(575);
  {
    SqliteRegistryStore store(root.RegistryDb());
    ASSERT_EQ(store.OpenError(), err::kSuccess) << store.OpenErrorDetail();
    KeyHandle key;
    ASSERT_EQ(store.CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\OroSoundKit", keyaccess::kAllAccess, nullptr, &key,
                              nullptr),
              err::kSuccess);
    // Every commit adds at least one 4 KiB page: 6000 of them would leave a
    // log of 24 MiB or more if nothing copied it back.
    for (int i = 0; i < 6000; ++i) {
      block[i % block.size()] = static_cast<std::uint8_t>(i);
      ASSERT_EQ(
          store.SetValue(key, L"{6F8E9E8B-C370-48D3-A20E-D1CA1D61BB3C}", regtype::kBinary, block.data(), block.size()),
          err::kSuccess);
    }
    // Measured while the store is open: closing the last connection
    // checkpoints anyway.
    const long long wal = FileSize(root.RegistryDb() + "-wal");
    EXPECT_LT(wal, 12LL << 20) << "write-ahead log of " << wal << " bytes";
  }

  // And what was written last is what a new process reads.
  SqliteRegistryStore again(root.RegistryDb());
  KeyHandle key;
  ASSERT_EQ(again.OpenKey(RootKey::kLocalMachine, L"SOFTWARE\\OroSoundKit", keyaccess::kQueryValue, &key),
            err::kSuccess);
  RegValue v;
  ASSERT_EQ(again.QueryValue(key, L"{6F8E9E8B-C370-48D3-A20E-D1CA1D61BB3C}", &v), err::kSuccess);
  EXPECT_EQ(v.data, block);
}

// Copying the log back happens beside the callers, not in their writes: once
// writes pause, the store file takes in what the log holds while nobody
// calls. (SQLite's own checkpoint would wait for a commit that makes the log
// 1000 pages long.)
TEST(StoreCheckpoint, TheLogIsCopiedBackWhileNobodyCalls) {
  test::TempRoot root;
  SqliteRegistryStore store(root.RegistryDb());
  ASSERT_EQ(store.OpenError(), err::kSuccess) << store.OpenErrorDetail();
  KeyHandle key;
  ASSERT_EQ(
      store.CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\OroSoundKit", keyaccess::kAllAccess, nullptr, &key, nullptr),
      err::kSuccess);
  const long long before = FileSize(root.RegistryDb());
  const std::vector<std::uint8_t> big(200 * 1024, 0x5A);  // about 50 pages, all in the log
  ASSERT_EQ(store.SetValue(key, L"curve", regtype::kBinary, big.data(), big.size()), err::kSuccess);
  ASSERT_EQ(FileSize(root.RegistryDb()), before) << "written straight into the store file";

  // Waits for an event, not a speed: a generous bound only ends a hung test.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (FileSize(root.RegistryDb()) < before + static_cast<long long>(big.size()) &&
         std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_GE(FileSize(root.RegistryDb()), before + static_cast<long long>(big.size()));
}

// After a complete copy the next commit restarts the log, flushing its new
// header to disk (and, with a size limit, shortening the file) inside that
// commit: a caller's write waited for it once per log cycle. Here, once
// writes pause, the log is restarted and its file cut back with no caller
// writing, and watchers see no change: nothing they read changed.
TEST(StoreCheckpoint, TheLogIsRestartedAndCutBackWhileNobodyWrites) {
  test::TempRoot root;
  const std::string wal = root.RegistryDb() + "-wal";
  SqliteRegistryStore store(root.RegistryDb());
  ASSERT_EQ(store.OpenError(), err::kSuccess) << store.OpenErrorDetail();
  KeyHandle key;
  ASSERT_EQ(
      store.CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\OroSoundKit", keyaccess::kAllAccess, nullptr, &key, nullptr),
      err::kSuccess);
  // Well past 1 MiB of log: 400 commits of at least one page each.
  std::vector<std::uint8_t> block(575);
  for (int i = 0; i < 400; ++i) {
    block[i % block.size()] = static_cast<std::uint8_t>(i + 1);
    ASSERT_EQ(store.SetValue(key, L"gains", regtype::kBinary, block.data(), block.size()), err::kSuccess);
  }
  ASSERT_GT(FileSize(wal), 1LL << 20);
  const auto written = LogHeader(wal);
  std::uint64_t stamp = 0;
  ASSERT_EQ(store.ChangeStamp(&stamp), err::kSuccess);

  // Waits for an event, not a speed: a generous bound only ends a hung test.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while ((LogHeader(wal) == written || FileSize(wal) > (1LL << 20)) && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_NE(LogHeader(wal), written) << "the log is left for the next caller's write to restart";
  EXPECT_LE(FileSize(wal), 1LL << 20) << "the log file keeps its long size while nobody writes";
  std::uint64_t after = 0;
  ASSERT_EQ(store.ChangeStamp(&after), err::kSuccess);
  EXPECT_EQ(after, stamp) << "restarting the log looks like a change to watchers";

  // The restarted log goes on taking writes, and a new connection reads them.
  block[0] = 0xEE;
  ASSERT_EQ(store.SetValue(key, L"gains", regtype::kBinary, block.data(), block.size()), err::kSuccess);
  SqliteRegistryStore other(root.RegistryDb());
  KeyHandle read;
  ASSERT_EQ(other.OpenKey(RootKey::kLocalMachine, L"SOFTWARE\\OroSoundKit", keyaccess::kQueryValue, &read),
            err::kSuccess);
  RegValue v;
  ASSERT_EQ(other.QueryValue(read, L"gains", &v), err::kSuccess);
  EXPECT_EQ(v.data, block);
}

}  // namespace
}  // namespace oro::platform::sqlite
