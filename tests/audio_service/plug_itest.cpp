// The audio service as its own process on a simulated machine: installed and
// started by the simulated manager, driven by plugging and unplugging the
// endpoints, observed through its debug log, the machine's process table
// and the store.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <utility>

#include "oro/audio_service/service_setup.h"
#include "oro/common/registry_access.h"
#include "oro/platform/sim/sim_adapters.h"
#include "oro/platform/sim/sim_machine.h"
#include "oro/platform/sim/sim_services.h"
#include "oro/platform/sqlite/sqlite_registry_store.h"
#include "oro/platform/text.h"
#include "temp_root.h"

namespace oro::test {
namespace {

namespace svcstate = platform::svcstate;
using namespace std::chrono_literals;
constexpr const wchar_t* kKit = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit";

std::string Quote(const std::string& arg) {
  std::string out = "'";
  for (char c : arg) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

class PlugTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Sim("create"), 0);
    // A stand-in under the panel's name: a real program that runs until ended.
    std::filesystem::create_directories(root_.Path() + "/kit");
    std::filesystem::copy_file(BuiltFile("normal.exe"), root_.Path() + "/kit/oro_panel");
    reg_.CreateKey(kKit);
    reg_.WriteString(kKit, L"InstallPath", platform::FromUtf8(root_.Path() + "/kit"));
    reg_.WriteString(kKit, L"UIAppName", L"oro_panel");
    reg_.WriteString(kKit, L"EnableAutoRunWhenPlug", L"true");
    std::string out;
    ASSERT_EQ(RunCommand(Env() + Quote(BuiltFile("oro_raduri")) + " --install", &out), 0);
    ASSERT_EQ(out, "Service installed.\n");
    ASSERT_TRUE(WaitState(svcstate::kRunning));
  }
  void TearDown() override {
    std::uint32_t state = 0;
    services_.Stop(audio_service::kServiceName, &state);
    WaitState(svcstate::kStopped);
    for (const auto& p : Panels()) processes_->Terminate(p);
  }

  std::string Env() {
    return "ORO_PLATFORM=sim ORO_ROOT=" + Quote(root_.Path()) + " ORO_DEBUG_LOG=" + Quote(Log()) + " ";
  }
  std::string Log() const { return root_.Path() + "/debug.log"; }
  int Sim(const std::string& args) {
    return RunCommand(Env() + Quote(BuiltFile("oro-sim")) + " " + args + " >/dev/null 2>&1");
  }
  std::uint32_t State() {
    std::uint32_t s = 0;
    services_.GetState(audio_service::kServiceName, &s);
    return s;
  }
  bool WaitState(std::uint32_t want) {
    for (int i = 0; i < 1000; ++i) {
      if (State() == want) return true;
      std::this_thread::sleep_for(10ms);
    }
    return false;
  }
  std::string LogText() {
    std::ifstream in(Log());
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  int Count(const std::string& text) {
    const std::string log = LogText();
    int n = 0;
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
  }
  // Waits until `text` has been logged `n` times in all.
  bool WaitCount(const std::string& text, int n, std::chrono::milliseconds limit = 15s) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (Count(text) < n) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(10ms);
    }
    return true;
  }
  std::vector<platform::ProcessEntry> Panels() {
    std::vector<platform::ProcessEntry> all, panels;
    processes_->Snapshot(&all);
    for (const auto& p : all) {
      if (p.name == L"oro_panel") panels.push_back(p);
    }
    return panels;
  }
  void SetEndpoints(const std::vector<const wchar_t*>& aliases, bool plug) {
    for (const wchar_t* alias : aliases) {
      platform::sim::SimEndpoint e;
      ASSERT_EQ(machine_.Find(alias, &e), 0u);
      ASSERT_EQ(plug ? machine_.Plug(e.info.id, true) : machine_.Unplug(e.info.id), 0u);
    }
  }
  // The headset leaves and comes back; returns once both are handled (the
  // volume nudge ends every handled plug).
  void Replug(const std::vector<const wchar_t*>& aliases = {L"headset-render", L"headset-capture"}) {
    const int removed = Count("[quenta]removed ok"), handled = Count("[quenta] volumn monitor exit");
    const int gone = Count(" state=8"), back = Count(" state=1");
    const int n = static_cast<int>(aliases.size());
    // Each endpoint changes in its own commit: a slow service can see them
    // in separate rounds, so every endpoint's change is awaited before the
    // next step, or a plug would overtake the unplug it follows.
    SetEndpoints(aliases, false);
    ASSERT_TRUE(WaitCount(" state=8", gone + n)) << LogText();
    ASSERT_TRUE(WaitCount("[quenta]removed ok", removed + 1)) << LogText();
    SetEndpoints(aliases, true);
    ASSERT_TRUE(WaitCount(" state=1", back + n)) << LogText();
    ASSERT_TRUE(WaitCount("[quenta] volumn monitor exit", handled + 1)) << LogText();
  }
  float Volume(const wchar_t* alias) {
    platform::sim::SimEndpoint e;
    EXPECT_EQ(machine_.Find(alias, &e), 0u);
    float v = -1;
    machine_.GetVolume(e.info.id, &v);
    return v;
  }

  TempRoot root_;
  std::shared_ptr<platform::RegistryStore> store_ =
      std::make_shared<platform::sqlite::SqliteRegistryStore>(root_.RegistryDb());
  common::RegistryAccess reg_{*store_};
  platform::sim::SimServices services_{*store_, platform::SystemClock(), root_.Path()};
  platform::sim::SimMachine machine_{*store_};
  std::unique_ptr<platform::ProcessTable> processes_ = platform::sim::MakeSimProcessTable(store_, root_.Path());
};

TEST_F(PlugTest, StartAndStopReportEachStateOnceAndAStopDuringStartUpIsKept) {
  ASSERT_EQ(services_.Stop(audio_service::kServiceName, nullptr), 0u);
  ASSERT_TRUE(WaitState(svcstate::kStopped));
  std::vector<std::wstring> reports;
  ASSERT_EQ(services_.Reports(audio_service::kServiceName, &reports), 0u);
  EXPECT_EQ(reports, (std::vector<std::wstring>{L"2:0", L"4:0", L"3:0", L"1:0"}));

  // Interrogated, it stays as it is; a shutdown stops it like a stop.
  ASSERT_EQ(services_.Start(audio_service::kServiceName), 0u);
  ASSERT_TRUE(WaitState(svcstate::kRunning));
  ASSERT_EQ(services_.SendControl(audio_service::kServiceName, platform::svccontrol::kInterrogate, nullptr), 0u);
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(State(), svcstate::kRunning);
  ASSERT_EQ(services_.SendControl(audio_service::kServiceName, platform::svccontrol::kShutdown, nullptr), 0u);
  ASSERT_TRUE(WaitState(svcstate::kStopped));

  // A slow start-up: the stop sent meanwhile ends it without it ever
  // reporting running.
  platform::sim::SimService s;
  ASSERT_EQ(services_.Load(audio_service::kServiceName, &s), 0u);
  s.start_delay_ms = 500;
  ASSERT_EQ(services_.Configure(s), 0u);
  ASSERT_EQ(services_.Start(audio_service::kServiceName), 0u);
  platform::ErrorCode rc = 0;
  for (int i = 0; i < 200; ++i) {
    rc = services_.Stop(audio_service::kServiceName, nullptr);
    if (rc != platform::err::kServiceCannotAcceptCtrl) break;
    std::this_thread::sleep_for(5ms);
  }
  ASSERT_EQ(rc, 0u);
  ASSERT_TRUE(WaitState(svcstate::kStopped));
  ASSERT_EQ(services_.Reports(audio_service::kServiceName, &reports), 0u);
  EXPECT_EQ(reports, (std::vector<std::wstring>{L"2:0", L"3:0", L"1:0"}));
}

TEST_F(PlugTest, APlugStartsThePanelOnceAndAnUnplugAsksItToExit) {
  // Without a running panel, the unplug only says so.
  Replug();
  EXPECT_EQ(Count("[quenta]NOT Found oro_panel"), 1) << LogText();
  EXPECT_EQ(Count("[quenta]cmd:\"" + root_.Path() + "/kit/oro_panel\""), 1) << LogText();
  EXPECT_EQ(Count("[quenta]Process started successfully in user session."), 1);
  EXPECT_EQ(Count("[quenta]driver installed "), 0) << "no endpoint was added";
  EXPECT_EQ(Count(":v-p= 40B-F779 installed OK"), 1);
  ASSERT_EQ(Panels().size(), 1u);
  EXPECT_FALSE(reg_.ValueExists(kKit, L"exitCmd"));
  // The machine recorded the start in the user's session.
  std::vector<std::wstring> starts;
  ASSERT_EQ(platform::sim::ReadSessionStarts(*store_, &starts), 0u);
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0], L"session 1 pid " + std::to_wstring(Panels()[0].id) + L" " +
                           platform::FromUtf8(root_.Path() + "/kit/oro_panel"));

  // A panel already running is not started again; the unplug asks it to exit.
  Replug();
  EXPECT_EQ(Panels().size(), 1u);
  EXPECT_EQ(Count("[quenta]Process started successfully in user session."), 1);
  EXPECT_EQ(Count("[quenta]NOT Found oro_panel"), 1);
  EXPECT_EQ(reg_.ReadDword(kKit, L"exitCmd"), 1u);
}

TEST_F(PlugTest, OnlyExactlyTrueAndAPlainProgramNameStartThePanel) {
  for (const wchar_t* value : {L"True", L"1", L"true "}) {
    reg_.WriteString(kKit, L"EnableAutoRunWhenPlug", value);
    Replug();
  }
  reg_.WriteString(kKit, L"EnableAutoRunWhenPlug", L"true");
  for (const wchar_t* name : {L"../kit/oro_panel", L"oro_panel\" --x", L"oro\tpanel", L".."}) {
    reg_.WriteString(kKit, L"UIAppName", name);
    Replug();
  }
  EXPECT_EQ(Count("[quenta]UIAppName is not a plain program name"), 4);
  EXPECT_EQ(Count("[quenta]cmd:"), 0) << LogText();
  EXPECT_TRUE(Panels().empty());
}

TEST_F(PlugTest, OnlyRenderDefaultsChangingDoesNothing) {
  const int render_defaults = Count("changed flow=0 role=2");
  SetEndpoints({L"headset-render"}, false);
  ASSERT_TRUE(WaitCount("changed flow=0 role=2", render_defaults + 1)) << LogText();
  SetEndpoints({L"headset-render"}, true);
  ASSERT_TRUE(WaitCount("changed flow=0 role=2", render_defaults + 2)) << LogText();
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(Count(" r="), 0) << LogText();
  EXPECT_EQ(Count("[quenta]removed ok"), 0);
}

TEST_F(PlugTest, ANewEndpointGetsTheProcessingObjectAndTheDongleBesideTheHeadsetIsHandled) {
  // The dongle's endpoints arrive while the headset is on the bus too: the
  // dongle is matched, not only the first device present.
  const int states = Count("OnDeviceStateChanged");
  SetEndpoints({L"dongle-render", L"dongle-capture"}, false);
  ASSERT_TRUE(WaitCount("OnDeviceStateChanged", states + 2)) << LogText();
  SetEndpoints({L"dongle-render", L"dongle-capture"}, true);
  ASSERT_TRUE(WaitCount("[quenta] volumn monitor exit", 1)) << LogText();
  EXPECT_EQ(Count(":v-p= 40B-F778 installed OK"), 1) << LogText();
  EXPECT_EQ(Count("is not target"), 0) << LogText();
  EXPECT_EQ(Count("[quenta]Process started successfully in user session."), 1);

  // An endpoint new to the machine: the processing object goes on.
  SetEndpoints({L"headset-render", L"headset-capture", L"dongle-render", L"dongle-capture"}, false);
  ASSERT_TRUE(WaitCount("[quenta]removed ok", 1)) << LogText();
  ASSERT_EQ(Sim("add render --alias new-render --adapter 'OroSound Gaming Headset' --usb 040B:F779 --unplugged"), 0);
  ASSERT_TRUE(WaitCount("[quenta] Audio device ADDED:", 1)) << LogText();
  SetEndpoints({L"new-render", L"headset-capture"}, true);
  ASSERT_TRUE(WaitCount("[quenta]driver installed ", 1, 30s)) << LogText();
  EXPECT_FALSE(reg_.EnumerateSubKeys(std::wstring(kKit) + L"\\Child APOs").empty());
}

TEST_F(PlugTest, TheVolumeNudgeTouchesOnlyAFullVolumeAndEndsWhenTheEndpointGoes) {
  ASSERT_EQ(Sim("volume headset-render 80"), 0);
  Replug();
  EXPECT_EQ(Count("[quenta] volumn ="), 0);
  EXPECT_FLOAT_EQ(Volume(L"headset-render"), 0.8f);

  ASSERT_EQ(Sim("volume headset-render 100"), 0);
  Replug();
  EXPECT_GE(Count("[quenta] volumn =9"), 1) << LogText();
  EXPECT_FLOAT_EQ(Volume(L"headset-render"), 1.0f);

  // Gone in the middle: the nudge ends (its read fails) and the next plug
  // nudges again, so its busy flag was cleared.
  const int exits = Count("[quenta] volumn monitor exit");
  SetEndpoints({L"headset-render", L"headset-capture"}, false);
  ASSERT_TRUE(WaitCount("[quenta]removed ok", 3));
  SetEndpoints({L"headset-render", L"headset-capture"}, true);
  ASSERT_TRUE(WaitCount("[quenta] volumn monitor enter", exits + 1));
  SetEndpoints({L"headset-render"}, false);
  ASSERT_TRUE(WaitCount("[quenta] volumn monitor exit", exits + 1, 3s)) << LogText();
  SetEndpoints({L"headset-capture"}, false);
  ASSERT_TRUE(WaitCount("[quenta]removed ok", 4));
  SetEndpoints({L"headset-render", L"headset-capture"}, true);
  EXPECT_TRUE(WaitCount("[quenta] volumn monitor exit", exits + 2)) << LogText();
}

std::size_t Entries(const std::string& folder) {
  std::error_code ec;
  std::size_t n = 0;
  for (auto it = std::filesystem::directory_iterator(folder, ec); !ec && it != std::filesystem::directory_iterator();
       it.increment(ec)) {
    ++n;
  }
  return n;
}

// What each descriptor of the process names, for a failure's message.
std::string Descriptors(const std::string& proc) {
  std::ostringstream out;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(proc + "/fd", ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    std::error_code link_ec;
    out << "\n  " << it->path().filename().string() << " -> "
        << std::filesystem::read_symlink(it->path(), link_ec).string();
  }
  return out.str();
}

// The process's thread and descriptor counts once they hold still for a
// second: the store's checkpoint thread opens its connection a while after
// the first write, and a plug's own work ends a little after its last line.
std::pair<std::size_t, std::size_t> SettledCounts(const std::string& proc, std::chrono::seconds limit) {
  const auto give_up = std::chrono::steady_clock::now() + limit;
  std::pair<std::size_t, std::size_t> last{Entries(proc + "/task"), Entries(proc + "/fd")};
  auto since = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(50ms);
    const std::pair<std::size_t, std::size_t> now{Entries(proc + "/task"), Entries(proc + "/fd")};
    if (now != last) {
      last = now;
      since = std::chrono::steady_clock::now();
    } else if (std::chrono::steady_clock::now() - since >= 1s) {
      break;
    }
  }
  return last;
}

TEST_F(PlugTest, TwoHundredCyclesLoseNoEventAndLeaveNoThreadOrDescriptor) {
  reg_.WriteString(kKit, L"EnableAutoRunWhenPlug", L"false");
  // Every thread and descriptor the service keeps is there after a few plugs.
  for (int i = 0; i < 3; ++i) {
    Replug();
    if (HasFatalFailure()) return;
  }
  const platform::RegValue id =
      reg_.ReadValue(L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\OroSound_RadUri", L"SimProcessId");
  std::uint64_t pid = 0;
  for (std::size_t i = 0; i < id.data.size() && i < 8; ++i) pid |= std::uint64_t{id.data[i]} << (8 * i);
  const std::string proc = "/proc/" + std::to_string(pid);
  const auto before = SettledCounts(proc, 10s);
  const std::string held = Descriptors(proc);
  ASSERT_GT(before.first, 0u);
  for (int i = 0; i < 200; ++i) {
    Replug();
    if (HasFatalFailure()) return;
  }
  EXPECT_EQ(Count("[quenta]removed ok"), 203);
  EXPECT_EQ(Count(":v-p= 40B-F779 installed OK"), 203);
  // A leak of one per plug would show 200 more; the wait only lets the last
  // plug's work end.
  const auto after = SettledCounts(proc, 10s);
  EXPECT_EQ(after.first, before.first) << "threads";
  EXPECT_EQ(after.second, before.second) << "descriptors before:" << held << "\nafter:" << Descriptors(proc);
}

}  // namespace
}  // namespace oro::test
