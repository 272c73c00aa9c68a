// The process table's adapters: both run the port's contract; the simulated
// one also keeps each state folder's programs to itself.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <memory>
#include <thread>

#include "oro/platform/linux/host_adapters.h"
#include "oro/platform/sim/sim_adapters.h"
#include "oro/platform/sqlite/sqlite_registry_store.h"
#include "process_table_contract.h"

namespace oro::platform {
namespace {

struct HostTable {
  static std::unique_ptr<ProcessTable> Make(const test::TempRoot&) {
    return linux_host::MakeHostProcessTable([] { return false; });
  }
};

struct SimTable {
  static std::unique_ptr<ProcessTable> Make(const test::TempRoot& root) {
    return sim::MakeSimProcessTable(std::make_shared<sqlite::SqliteRegistryStore>(root.RegistryDb()), root.Path());
  }
};

using namespace contract;  // NOLINT: the suite's registration names live there
INSTANTIATE_TYPED_TEST_SUITE_P(Host, ProcessTableContract, HostTable);
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, ProcessTableContract, SimTable);

bool Sees(ProcessTable& table, std::int64_t id) {
  std::vector<ProcessEntry> all;
  EXPECT_EQ(table.Snapshot(&all), err::kSuccess);
  for (const auto& p : all) {
    if (p.id == id) return true;
  }
  return false;
}

TEST(SimProcessTable, EachStateFolderSeesOnlyItsOwnPrograms) {
  test::TempRoot a_root, b_root;
  auto a = SimTable::Make(a_root);
  auto b = SimTable::Make(b_root);
  auto host = HostTable::Make(a_root);
  StartRequest r;
  r.program = FromUtf8(test::BuiltFile("normal.exe"));
  std::int64_t id = 0;
  ASSERT_EQ(a->Start(r, &id), err::kSuccess);
  // The stand-in runs until ended and holds the test's output open: end it
  // whatever the outcome, or a failed check turns into a hung test.
  struct EndStandIn {
    std::int64_t id;
    bool ended = false;
    ~EndStandIn() {
      if (!ended) ::kill(static_cast<pid_t>(id), SIGKILL);
    }
  } end_stand_in{id};
  // A loaded machine can take seconds to start a program; the bound only
  // ends a test that would otherwise hang.
  for (int i = 0; i < 1000 && !Sees(*a, id); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(Sees(*a, id));
  EXPECT_TRUE(Sees(*host, id));
  EXPECT_FALSE(Sees(*b, id));
  EXPECT_FALSE(Sees(*a, getpid())) << "the test itself is not a program of the machine";

  std::vector<ProcessEntry> all;
  ASSERT_EQ(host->Snapshot(&all), err::kSuccess);
  for (const auto& p : all) {
    if (p.id == id) {
      EXPECT_EQ(b->Terminate(p), err::kInvalidParameter) << "another machine's program cannot be ended";
      EXPECT_EQ(a->Terminate(p), err::kSuccess);
      end_stand_in.ended = true;  // its id may be reused from here on
    }
  }
}

TEST(SimProcessTable, ElevationAndConsoleSessionAreSettingsOfTheMachine) {
  test::TempRoot root;
  auto store = std::make_shared<sqlite::SqliteRegistryStore>(root.RegistryDb());
  auto table = sim::MakeSimProcessTable(store, root.Path());
  EXPECT_TRUE(table->IsElevated()) << "the user administers a machine in their own folder";
  std::uint32_t session = 0;
  ASSERT_EQ(table->ConsoleSession(&session), err::kSuccess);
  EXPECT_EQ(session, 1u);

  KeyHandle h;
  bool created = false;
  ASSERT_EQ(store->CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\OroSim\\System", keyaccess::kAllAccess, nullptr, &h,
                             &created),
            err::kSuccess);
  const std::uint8_t zero[4] = {0, 0, 0, 0};
  const std::uint8_t nobody[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  ASSERT_EQ(store->SetValue(h, L"UserIsAdmin", regtype::kDword, zero, 4), err::kSuccess);
  ASSERT_EQ(store->SetValue(h, L"ConsoleSession", regtype::kDword, nobody, 4), err::kSuccess);
  EXPECT_FALSE(table->IsElevated());
  ASSERT_EQ(table->ConsoleSession(&session), err::kSuccess);
  EXPECT_EQ(session, kNoConsoleSession);
  StartRequest r;
  r.program = FromUtf8(test::BuiltFile("normal.exe"));
  EXPECT_EQ(table->StartInSession(1, r, nullptr), err::kNoToken) << "nobody is logged on";
}

}  // namespace
}  // namespace oro::platform
