// What oroctl and oro-sim share: one dispatcher for their sub-commands, one
// way to report errors and one exit-status convention (0 done, 1 failed,
// 2 bad usage).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "oro/platform/win32_codes.h"

namespace oro::tools::cli {

using Args = std::vector<std::string>;

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kBadUsage = 2;

struct Command {
  std::string name;     // first word on the command line ("reg", "volume", ...)
  std::string summary;  // one line in the program's usage
  // Arguments after the command's name; the exit status is returned.
  std::function<int(const Args&)> run;
  // What `PROGRAM NAME --help` prints; empty: the summary.
  std::string usage;
};

struct Program {
  std::string name;    // "oroctl"; starts every message
  std::string footer;  // printed after the command list
  std::vector<Command> commands;
  // Runs before any command; a non-zero result is the exit status.
  std::function<int()> before_command;
};

// Runs the command argv[1] names. "--help" anywhere among a command's
// arguments (or "-h" as its only one) prints the command's usage on standard
// output and exits 0, so every command and sub-command answers it without
// touching any state. No exception leaves a command: one that escapes is
// reported and exits 1.
int Run(const Program& program, int argc, char** argv);

// "PROGRAM: <message>" on standard error; each returns its exit status.
int UsageError(const std::string& message);
int Fail(const std::string& message);
// The message followed by the code's text and number.
int FailCode(const std::string& message, platform::ErrorCode code);

// The name messages start with (Run sets it; "oro" until then).
const std::string& ProgramName();
void SetProgramName(const std::string& name);

}  // namespace oro::tools::cli
