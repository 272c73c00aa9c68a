// Whole-tree work on a chain of keys as deep as a hand-made or old store may
// hold: listing with values (reg query /s), export, and delete. Each key is
// reached from its parent's open key; the by-path walk beside it, which the
// tool used before, looks every key up from the root again (the store refuses
// paths deeper than 512 levels, so it runs up to there). Prints the best time
// per key and the process's peak memory so far (the benchmarks run in order).
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "oro/common/reg_file.h"
#include "oro/common/registry_access.h"
#include "oro/platform/reg_value_codec.h"
#include "oro/platform/sqlite/sqlite_registry_store.h"
#include "oro/platform/text.h"
#include "temp_root.h"

namespace {

using oro::common::RegistryAccess;
namespace platform = oro::platform;

constexpr const wchar_t* kTop = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Deep";

// A store whose HKLM\SOFTWARE\Deep holds a chain `depth` keys long, one string
// value on each, written straight into the file as a store of any age can be.
struct DeepStore {
  oro::test::TempRoot folder;
  platform::Caller admin{L"root", true};
  std::unique_ptr<platform::sqlite::SqliteRegistryStore> store;

  bool Build(std::int64_t depth, std::string* problem) {
    store.reset();
    platform::sqlite::StoreOptions options;
    options.caller = &admin;
    store = std::make_unique<platform::sqlite::SqliteRegistryStore>(folder.RegistryDb(), options);
    RegistryAccess reg(*store);
    try {
      if (reg.KeyExists(kTop)) reg.DeleteTree(kTop);
      reg.CreateKey(kTop);
    } catch (const oro::common::RegistryException& e) {
      *problem = platform::ToUtf8(e.Message());
      return false;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open(folder.RegistryDb().c_str(), &db) != SQLITE_OK) {
      *problem = "cannot open the file";
      sqlite3_close(db);
      return false;
    }
    sqlite3_busy_timeout(db, 5000);
    const std::vector<std::uint8_t> value = platform::EncodeRegString(L"a value on every level");
    bool ok = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* parent_of = nullptr;
    sqlite3_stmt* add_key = nullptr;
    sqlite3_stmt* add_value = nullptr;
    ok = ok &&
         sqlite3_prepare_v2(db,
                            "SELECT id FROM keys WHERE parent = (SELECT id FROM keys WHERE parent = 4 AND "
                            "fold = 'SOFTWARE') AND fold = 'DEEP'",
                            -1, &parent_of, nullptr) == SQLITE_OK &&
         sqlite3_prepare_v2(db, "INSERT INTO keys(parent, name, fold, owner) VALUES(?1, 'k', 'K', 'Administrators')",
                            -1, &add_key, nullptr) == SQLITE_OK &&
         sqlite3_prepare_v2(db, "INSERT INTO key_values(key, fold, name, type, data) VALUES(?1, 'V', 'v', 1, ?2)", -1,
                            &add_value, nullptr) == SQLITE_OK;
    std::int64_t parent = 0;
    if (ok && sqlite3_step(parent_of) == SQLITE_ROW) parent = sqlite3_column_int64(parent_of, 0);
    ok = ok && parent > 0;
    for (std::int64_t level = 0; ok && level < depth; ++level) {
      sqlite3_reset(add_key);
      sqlite3_bind_int64(add_key, 1, parent);
      ok = sqlite3_step(add_key) == SQLITE_DONE;
      parent = sqlite3_last_insert_rowid(db);
      sqlite3_reset(add_value);
      sqlite3_bind_int64(add_value, 1, parent);
      sqlite3_bind_blob(add_value, 2, value.data(), static_cast<int>(value.size()), SQLITE_STATIC);
      ok = ok && sqlite3_step(add_value) == SQLITE_DONE;
    }
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!ok) *problem = sqlite3_errmsg(db);
    sqlite3_finalize(parent_of);
    sqlite3_finalize(add_key);
    sqlite3_finalize(add_value);
    sqlite3_close(db);
    return ok;
  }
};

double PeakMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Times op() on a freshly built chain per iteration, and reports per key.
void OnChain(benchmark::State& state, const std::function<void(RegistryAccess&)>& op) {
  DeepStore deep;
  const std::int64_t depth = state.range(0);
  double best_us = 1e300;
  for (auto _ : state) {
    state.PauseTiming();
    std::string problem;
    if (!deep.Build(depth, &problem)) {
      state.SkipWithError(("cannot build the chain: " + problem).c_str());
      return;
    }
    RegistryAccess reg(*deep.store);
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    try {
      op(reg);
    } catch (const oro::common::RegistryException& e) {
      state.SkipWithError(platform::ToUtf8(e.Message()).c_str());
      return;
    }
    best_us =
        std::min(best_us, std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
  }
  state.counters["keys"] = static_cast<double>(depth + 1);
  state.counters["best_us_per_key"] = best_us / static_cast<double>(depth + 1);
  state.counters["peak_MiB"] = PeakMiB();
}

// What `reg query /s` prints, kept in memory.
void BM_ListTree(benchmark::State& state) {
  OnChain(state, [](RegistryAccess& reg) {
    std::size_t printed = 0;
    reg.VisitTree(kTop, [&](const RegistryAccess::TreeKey& key) {
      printed += key.Path().size();
      for (const auto& v : key.Values()) printed += v.name.size() + v.value.data.size();
    });
    benchmark::DoNotOptimize(printed);
  });
}

void BM_ExportTree(benchmark::State& state) {
  OnChain(state, [](RegistryAccess& reg) {
    oro::common::RegFileBuilder out;
    reg.VisitTree(kTop, [&](const RegistryAccess::TreeKey& key) {
      out.BeginKey(key.Path());
      for (const auto& v : key.Values()) out.AddValue(v.name, v.value.type, v.value.data);
    });
    benchmark::DoNotOptimize(out.Bytes());
  });
}

void BM_DeleteTree(benchmark::State& state) {
  OnChain(state, [](RegistryAccess& reg) { reg.DeleteTree(kTop); });
}

// The walk the tool made before: every key opened by its full path, twice.
void ListByPath(RegistryAccess& reg, const std::wstring& key, std::size_t* printed) {
  *printed += key.size();
  for (const auto& v : reg.EnumerateValues(key)) *printed += v.name.size() + v.value.data.size();
  for (const auto& sub : reg.EnumerateSubKeys(key)) ListByPath(reg, key + L"\\" + sub, printed);
}

void BM_ListTreeByPath(benchmark::State& state) {
  OnChain(state, [](RegistryAccess& reg) {
    std::size_t printed = 0;
    ListByPath(reg, kTop, &printed);
    benchmark::DoNotOptimize(printed);
  });
}

}  // namespace

// 510 keys below SOFTWARE\Deep is the deepest a path may name.
BENCHMARK(BM_ListTreeByPath)->Arg(510)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ListTree)->Arg(510)->Arg(8000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExportTree)->Arg(510)->Arg(8000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DeleteTree)->Arg(510)->Arg(8000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
