// The whole chain with the real panel: the service, started by the simulated
// manager, starts oro_panel (offscreen) when the headset is plugged in, and
// the panel ends when the headset is unplugged.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "oro/common/registry_access.h"
#include "oro/platform/sim/sim_adapters.h"
#include "oro/platform/sqlite/sqlite_registry_store.h"
#include "oro/platform/text.h"
#include "temp_root.h"

namespace oro::test {
namespace {

using namespace std::chrono_literals;
constexpr const wchar_t* kKit = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit";

template <typename Done>
bool WaitFor(Done&& done, std::chrono::milliseconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

TEST(PanelFollowTest, PluggingTheHeadsetStartsThePanelAndUnpluggingEndsIt) {
  const std::string panel = BuiltFile("oro_panel");
  if (!std::filesystem::exists(panel)) GTEST_SKIP() << "oro_panel is not built in this tree";
  TempRoot root;
  const std::string env = "QT_QPA_PLATFORM=offscreen ORO_PLATFORM=sim ORO_ROOT='" + root.Path() + "' ORO_DEBUG_LOG='" +
                          root.Path() + "/debug.log' ";
  auto sim = [&](const std::string& args) {
    return RunCommand(env + "'" + BuiltFile("oro-sim") + "' " + args + " >/dev/null 2>&1");
  };
  ASSERT_EQ(sim("create"), 0) << "the machine could not be built";
  auto store = std::make_shared<platform::sqlite::SqliteRegistryStore>(root.RegistryDb());
  common::RegistryAccess reg(*store);
  reg.CreateKey(kKit);
  reg.WriteString(kKit, L"InstallPath", platform::FromUtf8(std::filesystem::path(panel).parent_path().string()));
  reg.WriteString(kKit, L"UIAppName", L"oro_panel");
  reg.WriteString(kKit, L"EnableAutoRunWhenPlug", L"true");
  std::string out;
  ASSERT_EQ(RunCommand(env + "'" + BuiltFile("oro_raduri") + "' --install", &out), 0);
  ASSERT_EQ(out, "Service installed.\n");

  auto processes = platform::sim::MakeSimProcessTable(store, root.Path());
  auto panels = [&] {
    std::vector<platform::ProcessEntry> all, found;
    processes->Snapshot(&all);
    for (const auto& p : all) {
      if (p.name == L"oro_panel") found.push_back(p);
    }
    return found;
  };
  // The service is running once its own process shows.
  ASSERT_TRUE(WaitFor(
      [&] {
        std::vector<platform::ProcessEntry> all;
        processes->Snapshot(&all);
        for (const auto& p : all) {
          if (p.name == L"oro_raduri") return true;
        }
        return false;
      },
      10s))
      << "the service never ran";
  std::this_thread::sleep_for(300ms);
  ASSERT_EQ(sim("unplug headset"), 0) << "first unplug";
  std::this_thread::sleep_for(300ms);
  ASSERT_EQ(sim("plug headset"), 0) << "plug";
  ASSERT_TRUE(WaitFor([&] { return panels().size() == 1; }, 15s)) << "the panel was not started";

  // Up once it publishes the blocks: from then on it follows the exit request.
  const auto section_there = [&] {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(root.Path() + "/run", ec)) {
      if (e.path().filename().string().find("372E213D") != std::string::npos) return true;
    }
    return false;
  };
  ASSERT_TRUE(WaitFor(section_there, 20s)) << "the panel never came up";
  std::this_thread::sleep_for(500ms);
  ASSERT_EQ(sim("unplug headset"), 0) << "second unplug";
  EXPECT_TRUE(WaitFor([&] { return panels().empty(); }, 15s)) << "the panel did not exit";
  for (const auto& p : panels()) processes->Terminate(p);
  sim("service stop OroSound_RadUri");
}

}  // namespace
}  // namespace oro::test
