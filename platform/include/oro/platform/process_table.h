// Process table port: the running programs by executable name, ending one,
// starting one, and the process's own identity and rights.
//
// Names are executable file names without a folder ("normal.exe"), compared
// ignoring case by the callers. A ProcessEntry carries what is needed to end
// exactly the process the snapshot saw, even when its id has been reused
// since.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "oro/platform/win32_codes.h"

namespace oro::platform {

struct ProcessEntry {
  std::int64_t id = 0;
  // Identifies this run of the process: the adapter's start time of it.
  std::uint64_t start_mark = 0;
  std::wstring name;
};

struct StartRequest {
  std::wstring program;            // full path of the executable
  std::vector<std::wstring> args;  // arguments after the program's own name
  std::wstring folder;             // working folder; empty: the caller's
};

// Session of the user at the machine's console.
constexpr std::uint32_t kNoConsoleSession = 0xFFFFFFFF;

class ProcessTable {
 public:
  virtual ~ProcessTable() = default;

  // Every process the caller can see. Entries whose name cannot be read are
  // left out.
  virtual ErrorCode Snapshot(std::vector<ProcessEntry>* out) = 0;
  // Ends the process at once. err::kInvalidParameter when the entry no
  // longer names a running process (it ended, or its id was reused);
  // err::kAccessDenied when it belongs to somebody the caller may not end.
  virtual ErrorCode Terminate(const ProcessEntry& process) = 0;
  // Starts the program without waiting for it; the new process inherits no
  // descriptor but the standard streams. err::kFileNotFound for a missing
  // program, err::kAccessDenied for one that may not be run.
  virtual ErrorCode Start(const StartRequest& request, std::int64_t* id) = 0;

  // Full path of the running program.
  virtual ErrorCode OwnExecutablePath(std::wstring* out) = 0;
  // Whether the process holds the kit's administrator rights.
  virtual bool IsElevated() = 0;
  // Starts the own program again with those rights (without arguments); the
  // caller keeps running and ends itself.
  virtual ErrorCode RestartElevated() = 0;

  // The console user's session, kNoConsoleSession when nobody is logged on.
  virtual ErrorCode ConsoleSession(std::uint32_t* session) = 0;
  // Starts the program as the user of that session.
  virtual ErrorCode StartInSession(std::uint32_t session, const StartRequest& request, std::int64_t* id) = 0;
};

}  // namespace oro::platform
