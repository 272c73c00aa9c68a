// Contract of the ProcessTable port: a started program shows in the snapshot
// under its executable name, starts where and with what it was asked, holds
// none of the starter's descriptors, and ends on Terminate; an entry that no
// longer names the process it named is refused; a program that cannot run is
// reported and nothing runs. An adapter's test file supplies a factory and
// instantiates the suite:
//
//   struct MyTable {
//     static std::unique_ptr<ProcessTable> Make(const oro::test::TempRoot& root);
//   };
//   INSTANTIATE_TYPED_TEST_SUITE_P(My, ProcessTableContract, MyTable);
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <stdlib.h>
#else
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "oro/platform/process_table.h"
#include "oro/platform/text.h"
#include "standin_report.h"
#include "temp_root.h"

namespace oro::platform::contract {

#ifdef _WIN32
using oro::test::SetReportFile;
using oro::test::StandInReport;
#endif

template <typename Factory>
class ProcessTableContract : public ::testing::Test {
 protected:
  std::vector<ProcessEntry> Named(const std::wstring& name) {
    std::vector<ProcessEntry> all, out;
    EXPECT_EQ(table_->Snapshot(&all), err::kSuccess);
    for (auto& p : all) {
      if (p.name == name) out.push_back(p);
    }
    return out;
  }
  // The entry of a started process, waiting for it to show up.
  bool Find(std::int64_t id, ProcessEntry* out) {
    for (int i = 0; i < 200; ++i) {
      for (const auto& p : Named(L"audiodg.exe")) {
        if (p.id == id) {
          *out = p;
          return true;
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  bool Gone(std::int64_t id) {
    for (int i = 0; i < 300; ++i) {
      bool seen = false;
      for (const auto& p : Named(L"audiodg.exe")) seen = seen || p.id == id;
      if (!seen) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  StartRequest StandIn() {
    StartRequest r;
    r.program = FromUtf8(oro::test::BuiltFile("audiodg.exe"));
    return r;
  }

  oro::test::TempRoot root_;
  std::unique_ptr<ProcessTable> table_ = Factory::Make(root_);
};

TYPED_TEST_SUITE_P(ProcessTableContract);

TYPED_TEST_P(ProcessTableContract, StartedProgramRunsAsAskedAndEndsOnTerminate) {
  StartRequest r = this->StandIn();
  r.args = {L"--level", L"two words", L"\u58f0"};
  r.folder = FromUtf8(this->root_.Path());
  std::int64_t id = 0;
#ifdef _WIN32
  // A handle the starter opened inheritable (the C runtime's default) must
  // not reach the program: while it is open the file cannot be removed.
  const std::string held = this->root_.Path() + "/held.txt";
  { std::ofstream(held) << "x"; }
  const int leaky = _open(held.c_str(), _O_RDONLY);
  ASSERT_GE(leaky, 0);
  const std::string report = this->root_.Path() + "/report.txt";
  SetReportFile(report);
  const ErrorCode started = this->table_->Start(r, &id);
  SetReportFile("");
  _close(leaky);
  ASSERT_EQ(started, err::kSuccess);
  ProcessEntry entry;
  ASSERT_TRUE(this->Find(id, &entry)) << "the started program is not in the snapshot";
  EXPECT_NE(entry.start_mark, 0u);
  const std::vector<std::string> seen = StandInReport(report, std::chrono::seconds(20));
  ASSERT_EQ(seen.size(), 5u) << "the program did not report its folder and four arguments";
  EXPECT_TRUE(std::filesystem::equivalent(seen[0], this->root_.Path())) << seen[0];
  EXPECT_TRUE(std::filesystem::equivalent(seen[1], oro::test::BuiltFile("audiodg.exe"))) << seen[1];
  EXPECT_EQ(std::vector<std::string>(seen.begin() + 2, seen.end()),
            (std::vector<std::string>{"--level", "two words", "\xE5\xA3\xB0"}));
  std::error_code ec;
  EXPECT_TRUE(std::filesystem::remove(held, ec)) << "the program holds a handle it inherited: " << ec.message();
#else
  // A descriptor the starter forgot to mark close-on-exec must not leak.
  const int leaky = open("/dev/null", O_RDONLY);
  ASSERT_GE(leaky, 0);
  ASSERT_EQ(this->table_->Start(r, &id), err::kSuccess);
  close(leaky);
  ProcessEntry entry;
  ASSERT_TRUE(this->Find(id, &entry)) << "the started program is not in the snapshot";
  EXPECT_NE(entry.start_mark, 0u);

  const std::string proc = "/proc/" + std::to_string(id);
  std::ifstream cmdline(proc + "/cmdline", std::ios::binary);
  const std::string args((std::istreambuf_iterator<char>(cmdline)), std::istreambuf_iterator<char>());
  const std::string nul(1, '\0');
  EXPECT_EQ(args,
            oro::test::BuiltFile("audiodg.exe") + nul + "--level" + nul + "two words" + nul + "\xE5\xA3\xB0" + nul);
  EXPECT_EQ(std::filesystem::read_symlink(proc + "/cwd").string(), this->root_.Path());
  std::vector<std::string> fds;
  for (const auto& e : std::filesystem::directory_iterator(proc + "/fd")) fds.push_back(e.path().filename());
  EXPECT_EQ(fds.size(), 3u) << "descriptors beyond the standard streams reached the program";
#endif

  ASSERT_EQ(this->table_->Terminate(entry), err::kSuccess);
  EXPECT_TRUE(this->Gone(id));
  EXPECT_EQ(this->table_->Terminate(entry), err::kInvalidParameter) << "an ended process cannot be ended again";
}

TYPED_TEST_P(ProcessTableContract, AnEntryOfAnotherRunOfTheIdIsRefused) {
  std::int64_t id = 0;
  ASSERT_EQ(this->table_->Start(this->StandIn(), &id), err::kSuccess);
  ProcessEntry entry;
  ASSERT_TRUE(this->Find(id, &entry));
  ProcessEntry stale = entry;
  stale.start_mark += 1;  // as if the id had been reused since the snapshot
  EXPECT_EQ(this->table_->Terminate(stale), err::kInvalidParameter);
  ProcessEntry still;
  EXPECT_TRUE(this->Find(id, &still)) << "a stale entry ended the process that has the id now";
  EXPECT_EQ(this->table_->Terminate(entry), err::kSuccess);
}

TYPED_TEST_P(ProcessTableContract, ProgramsThatCannotRunAreReportedAndNothingRuns) {
  StartRequest missing;
  missing.program = FromUtf8(this->root_.Path() + "/audiodg.exe");
  std::int64_t id = 0;
  EXPECT_EQ(this->table_->Start(missing, &id), err::kFileNotFound);

  const std::string plain = this->root_.Path() + "/plain.exe";
  { std::ofstream(plain) << "#!/bin/sh\nexit 0\n"; }
  StartRequest not_executable;
  not_executable.program = FromUtf8(plain);
#ifdef _WIN32
  // Windows runs any file it can read that is a program; this one is not.
  EXPECT_EQ(this->table_->Start(not_executable, &id), 193u /* ERROR_BAD_EXE_FORMAT */);
#else
  chmod(plain.c_str(), 0644);
  EXPECT_EQ(this->table_->Start(not_executable, &id), err::kAccessDenied);
#endif

  StartRequest no_folder = this->StandIn();
  no_folder.folder = FromUtf8(this->root_.Path() + "/missing");
  no_folder.args = {FromUtf8(this->root_.Path())};  // marks this attempt among other tests' programs
#ifdef _WIN32
  const std::string report = this->root_.Path() + "/report.txt";
  SetReportFile(report);
#endif
  EXPECT_EQ(this->table_->Start(no_folder, &id), err::kFileNotFound);

  StartRequest empty;
  EXPECT_EQ(this->table_->Start(empty, &id), err::kInvalidParameter);
#ifdef _WIN32
  SetReportFile("");
  EXPECT_TRUE(StandInReport(report, std::chrono::milliseconds(500)).empty()) << "a program started without its folder";
#else
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  for (const auto& p : this->Named(L"audiodg.exe")) {
    std::ifstream cmdline("/proc/" + std::to_string(p.id) + "/cmdline", std::ios::binary);
    const std::string args((std::istreambuf_iterator<char>(cmdline)), std::istreambuf_iterator<char>());
    EXPECT_EQ(args.find(this->root_.Path()), std::string::npos) << "a program started without its folder";
  }
#endif
}

TYPED_TEST_P(ProcessTableContract, OwnExecutableIsTheRunningProgram) {
  std::wstring self;
  ASSERT_EQ(this->table_->OwnExecutablePath(&self), err::kSuccess);
#ifdef _WIN32
  EXPECT_TRUE(std::filesystem::equivalent(ToUtf8(self), oro::test::OwnProgram())) << ToUtf8(self);
#else
  EXPECT_EQ(ToUtf8(self), oro::test::OwnProgram());
#endif
}

REGISTER_TYPED_TEST_SUITE_P(ProcessTableContract, StartedProgramRunsAsAskedAndEndsOnTerminate,
                            AnEntryOfAnotherRunOfTheIdIsRefused, ProgramsThatCannotRunAreReportedAndNothingRuns,
                            OwnExecutableIsTheRunningProgram);

}  // namespace oro::platform::contract
