// Latency of one persisted write and one read of a 575-byte binary value,
// the size of the speaker parameter block the library stores on every change.
// Each iteration is timed on its own so p50 and p99 can be reported.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "oro/platform/sqlite/sqlite_registry_store.h"
#include "temp_root.h"
#include "timed.h"

namespace {

using oro::platform::KeyHandle;
using oro::platform::RegValue;
using oro::platform::RootKey;
using oro::platform::sqlite::SqliteRegistryStore;
namespace keyaccess = oro::platform::keyaccess;
namespace regtype = oro::platform::regtype;

constexpr const wchar_t* kKitKey = L"SOFTWARE\\OroSoundKit";
constexpr const wchar_t* kBlock2 = L"{6F8E9E8B-C370-48D3-A20E-D1CA1D61BB3C}";

struct Fixture {
  oro::test::TempRoot folder;
  SqliteRegistryStore store{folder.Path() + "/registry.db"};
  KeyHandle key;
  std::vector<std::uint8_t> block = std::vector<std::uint8_t>(575);

  bool Ready(benchmark::State& state) {
    if (store.OpenError() != 0) {
      state.SkipWithError(("store did not open: " + store.OpenErrorDetail()).c_str());
      return false;
    }
    if (store.CreateKey(RootKey::kLocalMachine, kKitKey, keyaccess::kAllAccess, nullptr, &key, nullptr) != 0 ||
        store.SetValue(key, kBlock2, regtype::kBinary, block.data(), block.size()) != 0) {
      state.SkipWithError("cannot prepare the kit's key");
      return false;
    }
    return true;
  }
};

void BM_WriteBlock575(benchmark::State& state) {
  Fixture f;
  if (!f.Ready(state)) return;
  std::uint8_t counter = 0;
  oro::bench::TimedCalls(state, "store call failed", [&] {
    f.block[8] = ++counter;  // a real change each time, as a slider move makes
    return f.store.SetValue(f.key, kBlock2, regtype::kBinary, f.block.data(), f.block.size()) == 0;
  });
}

void BM_ReadBlock575(benchmark::State& state) {
  Fixture f;
  if (!f.Ready(state)) return;
  RegValue v;
  oro::bench::TimedCalls(state, "store call failed",
                         [&] { return f.store.QueryValue(f.key, kBlock2, &v) == 0 && v.data.size() == 575; });
}

// What a caller that opens the key for every call (as registry access does)
// pays: open by path, then write.
void BM_OpenAndWriteBlock575(benchmark::State& state) {
  Fixture f;
  if (!f.Ready(state)) return;
  oro::bench::TimedCalls(state, "store call failed", [&] {
    KeyHandle h;
    return f.store.OpenKey(RootKey::kLocalMachine, kKitKey, keyaccess::kSetValue, &h) == 0 &&
           f.store.SetValue(h, kBlock2, regtype::kBinary, f.block.data(), f.block.size()) == 0;
  });
}

}  // namespace

BENCHMARK(BM_WriteBlock575)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadBlock575)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenAndWriteBlock575)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
