// The Toolhelp process table: the port's contract, and starting a program in
// the console user's session (which needs that user's token: Wine hands one
// out or not, and the test says which).
#include <gtest/gtest.h>

#include <process.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

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

std::string Contents(const std::string& file, std::chrono::seconds wait) {
  const auto until = std::chrono::steady_clock::now() + wait;
  do {
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!text.empty()) return text;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  } while (std::chrono::steady_clock::now() < until);
  return "";
}

TEST(ToolhelpProcessTable, RestartElevatedStartsTheOwnProgramAgainWithoutArguments) {
  test::TempRoot root;
  const std::string report = root.Path() + "/restart";
  _putenv_s("ORO_RESTART_REPORT", report.c_str());
  const std::string probe = test::BuiltFile("restart_probe.exe");
  const intptr_t rc = _spawnl(_P_WAIT, probe.c_str(), ("\"" + probe + "\"").c_str(), "--ignored-by-restart", nullptr);
  _putenv_s("ORO_RESTART_REPORT", "");
  ASSERT_EQ(rc, 0) << probe;
  const std::string asked = Contents(report + ".asked", std::chrono::seconds(20));
  ASSERT_EQ(asked, "0") << "RestartElevated failed";
  EXPECT_EQ(Contents(report + ".restarted", std::chrono::seconds(20)), "0")
      << "the restarted program did not run, or ran with arguments";
}

}  // namespace
}  // namespace oro::platform
