// Plug to panel: the service runs on a simulated machine with the headset on
// its bus; each iteration unplugs the headset's endpoints (untimed, the panel
// ended), then times from plugging them in to the panel's process appearing
// in the machine's process table.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "oro/common/registry_access.h"
#include "oro/platform/sim/sim_adapters.h"
#include "oro/platform/sim/sim_machine.h"
#include "oro/platform/sqlite/sqlite_registry_store.h"
#include "oro/platform/text.h"
#include "temp_root.h"
#include "timed.h"

namespace {

using namespace std::chrono_literals;
constexpr const wchar_t* kKit = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit";

int Count(const std::string& path, const std::string& text) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  const std::string log = s.str();
  int n = 0;
  for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
  return n;
}

void BM_PlugToPanelStarted(benchmark::State& state) {
  oro::test::TempRoot root;
  const std::string log = root.Path() + "/debug.log";
  const std::string env = "ORO_PLATFORM=sim ORO_ROOT='" + root.Path() + "' ORO_DEBUG_LOG='" + log + "' ";
  if (oro::test::RunCommand(env + "'" + oro::test::BuiltFile("oro-sim") + "' create >/dev/null 2>&1") != 0) {
    state.SkipWithError("cannot build the simulated machine");
    return;
  }
  auto store = std::make_shared<oro::platform::sqlite::SqliteRegistryStore>(root.RegistryDb());
  oro::common::RegistryAccess reg(*store);
  std::filesystem::create_directories(root.Path() + "/kit");
  std::filesystem::copy_file(oro::test::BuiltFile("normal.exe"), root.Path() + "/kit/oro_panel");
  reg.CreateKey(kKit);
  reg.WriteString(kKit, L"InstallPath", oro::platform::FromUtf8(root.Path() + "/kit"));
  reg.WriteString(kKit, L"UIAppName", L"oro_panel");
  reg.WriteString(kKit, L"EnableAutoRunWhenPlug", L"true");
  oro::test::RunCommand(env + "'" + oro::test::BuiltFile("oro_raduri") + "' --install >/dev/null");
  auto processes = oro::platform::sim::MakeSimProcessTable(store, root.Path());
  oro::platform::sim::SimMachine machine(*store);
  std::vector<std::wstring> ids;
  for (const wchar_t* alias : {L"headset-render", L"headset-capture"}) {
    oro::platform::sim::SimEndpoint e;
    machine.Find(alias, &e);
    ids.push_back(e.info.id);
  }
  auto panel = [&](oro::platform::ProcessEntry* found) {
    std::vector<oro::platform::ProcessEntry> all;
    processes->Snapshot(&all);
    for (const auto& p : all) {
      if (p.name == L"oro_panel") {
        if (found) *found = p;
        return true;
      }
    }
    return false;
  };
  auto wait = [](auto&& done, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(1ms);
    }
    return true;
  };
  std::this_thread::sleep_for(500ms);  // the service is up and subscribed
  std::vector<double> micros;
  for (auto _ : state) {
    state.PauseTiming();
    oro::platform::ProcessEntry p;
    while (panel(&p)) processes->Terminate(p);
    const int removed = Count(log, "[quenta]removed ok");
    for (const auto& id : ids) machine.Unplug(id);
    const bool unplugged = wait([&] { return Count(log, "[quenta]removed ok") > removed; }, 10s);
    const int handled = Count(log, "[quenta] volumn monitor exit");
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    for (const auto& id : ids) machine.Plug(id, true);
    const bool started = wait([&] { return panel(nullptr); }, 10s);
    micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    state.PauseTiming();
    wait([&] { return Count(log, "[quenta] volumn monitor exit") > handled; }, 10s);
    state.ResumeTiming();
    if (!unplugged || !started) {
      state.SkipWithError("the service did not handle the plug");
      break;
    }
  }
  oro::bench::ReportPercentiles(state, micros);
  oro::platform::ProcessEntry p;
  while (panel(&p)) processes->Terminate(p);
}

BENCHMARK(BM_PlugToPanelStarted)->Iterations(40)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
