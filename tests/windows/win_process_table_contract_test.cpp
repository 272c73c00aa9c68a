// The Toolhelp process table: the port's contract, and starting a program in
// the console user's session (which needs that user's token: Wine hands one
// out or not, and the test says which).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "oro/platform/text.h"
#include "oro/platform/windows/windows_adapters.h"
#include "process_table_contract.h"

namespace oro::platform {
namespace {

struct ToolhelpTable {
  static std::unique_ptr<ProcessTable> Make(const test::TempRoot&) { return windows_host::MakeToolhelpProcessTable(); }
};

using namespace contract;  // NOLINT: the suite's registration names live there
INSTANTIATE_TYPED_TEST_SUITE_P(Toolhelp, ProcessTableContract, ToolhelpTable);

TEST(ToolhelpProcessTable, StartsInTheConsoleUsersSessionOrSaysWhyNot) {
  test::TempRoot root;
  auto table = windows_host::MakeToolhelpProcessTable();
  StartRequest r;
  r.program = FromUtf8(test::BuiltFile("normal.exe"));
  r.args = {L"in session"};
  EXPECT_EQ(table->StartInSession(kNoConsoleSession, r, nullptr), err::kNoToken) << "nobody to start it for";

  std::uint32_t session = kNoConsoleSession;
  ASSERT_EQ(table->ConsoleSession(&session), err::kSuccess);
  if (session == kNoConsoleSession) GTEST_SKIP() << "no session is attached to the console here";
  const std::string report = root.Path() + "/report.txt";
  SetReportFile(report);
  std::int64_t id = 0;
  const ErrorCode rc = table->StartInSession(session, r, &id);
  SetReportFile("");
  if (rc == err::kNoToken) {
    GTEST_SKIP() << "the console session's user token is not available (WTSQueryUserToken needs the service "
                    "account's privilege, which this process has not)";
  }
  ASSERT_EQ(rc, err::kSuccess);
  const std::vector<std::string> seen = StandInReport(report, std::chrono::seconds(20));
  std::vector<ProcessEntry> all;
  ASSERT_EQ(table->Snapshot(&all), err::kSuccess);
  for (const auto& p : all) {
    if (p.id == id) {
      EXPECT_EQ(table->Terminate(p), err::kSuccess);
    }
  }
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[2], "in session");
}

}  // namespace
}  // namespace oro::platform
