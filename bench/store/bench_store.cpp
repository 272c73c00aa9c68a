// Latency of one persisted write and one read of a 575-byte binary value,
// the size of the speaker parameter block the library stores on every change.
// Each iteration is timed on its own so p50 and p99 can be reported.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "oro/platform/sqlite/sqlite_registry_store.h"

namespace {

using oro::platform::KeyHandle;
using oro::platform::RegValue;
using oro::platform::RootKey;
using oro::platform::sqlite::SqliteRegistryStore;
namespace keyaccess = oro::platform::keyaccess;
namespace regtype = oro::platform::regtype;

constexpr const wchar_t* kKitKey = L"SOFTWARE\\OroSoundKit";
constexpr const wchar_t* kBlock2 = L"{6F8E9E8B-C370-48D3-A20E-D1CA1D61BB3C}";

class TempFolder {
 public:
  TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/oro-bench-XXXXXX";
    path_ = mkdtemp(templ.data()) ? templ : std::string();
  }
  ~TempFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

void ReportPercentiles(benchmark::State& state, std::vector<double>& micros) {
  if (micros.empty()) return;
  std::sort(micros.begin(), micros.end());
  auto at = [&](double q) { return micros[static_cast<std::size_t>(q * static_cast<double>(micros.size() - 1))]; };
  state.counters["p50_us"] = at(0.50);
  state.counters["p99_us"] = at(0.99);
  state.counters["p999_us"] = at(0.999);  // where the WAL checkpoints show
  state.counters["max_us"] = micros.back();
}

struct Fixture {
  TempFolder folder;
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

template <typename Op>
void Timed(benchmark::State& state, Op&& op) {
  std::vector<double> micros;
  micros.reserve(1 << 16);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (!op()) {
      state.SkipWithError("store call failed");
      break;
    }
    const auto end = std::chrono::steady_clock::now();
    micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
  }
  ReportPercentiles(state, micros);
}

void BM_WriteBlock575(benchmark::State& state) {
  Fixture f;
  if (!f.Ready(state)) return;
  std::uint8_t counter = 0;
  Timed(state, [&] {
    f.block[8] = ++counter;  // a real change each time, as a slider move makes
    return f.store.SetValue(f.key, kBlock2, regtype::kBinary, f.block.data(), f.block.size()) == 0;
  });
}

void BM_ReadBlock575(benchmark::State& state) {
  Fixture f;
  if (!f.Ready(state)) return;
  RegValue v;
  Timed(state, [&] { return f.store.QueryValue(f.key, kBlock2, &v) == 0 && v.data.size() == 575; });
}

// What a caller that opens the key for every call (as registry access does)
// pays: open by path, then write.
void BM_OpenAndWriteBlock575(benchmark::State& state) {
  Fixture f;
  if (!f.Ready(state)) return;
  Timed(state, [&] {
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
