// Process helpers on /proc and fork/exec that the host and the simulated
// process tables share.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "oro/platform/process_table.h"

namespace oro::platform::linux_host {

// Running processes (zombies left out) that `keep` accepts; no filter keeps all.
ErrorCode ReadProcesses(const std::function<bool(pid_t)>& keep, std::vector<ProcessEntry>* out);

// Start time of the process in clock ticks since boot; 0 when it is gone.
std::uint64_t ProcessStartMark(pid_t pid);

// The initial environment of a process ("NAME=value" entries); empty when
// it cannot be read (another user's process, or gone).
std::vector<std::string> ProcessEnvironment(pid_t pid);

// Ends exactly the process the entry names, with SIGKILL through a pidfd.
ErrorCode TerminateProcess(const ProcessEntry& process);

// Who a program runs as; uid -1 keeps the caller's.
struct RunAs {
  uid_t uid = static_cast<uid_t>(-1);
  gid_t gid = static_cast<gid_t>(-1);
  std::string user;  // for the supplementary groups and HOME, USER, LOGNAME
  std::string home;
};

// kNull: the standard streams are /dev/null, as for a service, which must not
// hold the pipes of whoever asked for its start.
enum class SpawnStreams { kInherit, kNull };

// Starts the program detached (it is nobody's child here, so nothing has to
// wait for it), with the caller's environment plus `extra_env` (replacing
// variables of the same name), only the standard streams open and, when
// given, in its folder. Failures of exec are reported, not just of fork.
ErrorCode SpawnDetached(const StartRequest& request, const std::vector<std::pair<std::string, std::string>>& extra_env,
                        const RunAs* run_as, std::int64_t* id, SpawnStreams streams = SpawnStreams::kInherit);

// errno as one of the kit's codes.
ErrorCode CodeFromErrno(int e);

}  // namespace oro::platform::linux_host
