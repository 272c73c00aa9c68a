// The host's process table: /proc, pidfd signals, detached starts, pkexec.
//
// "Administrator" for the kit on Linux is whoever may administer the kit's
// settings store (root, or the owner of a store in the user's own folder):
// the one right the panel needs elevation for on Windows. The store decides.
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string>

#include "oro/platform/linux/host_adapters.h"
#include "oro/platform/linux/procfs.h"
#include "oro/platform/text.h"

namespace oro::platform::linux_host {
namespace {

constexpr const char* kPkexec = "/usr/bin/pkexec";
constexpr const char* kActiveSeat = "/run/systemd/seats/seat0";

ErrorCode ReadOwnPath(std::wstring* out) {
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return CodeFromErrno(errno);
  *out = FromUtf8(std::string(buf, static_cast<std::size_t>(n)));
  return err::kSuccess;
}

class HostProcessTable final : public ProcessTable {
 public:
  explicit HostProcessTable(std::function<bool()> administers_store)
      : administers_store_(std::move(administers_store)) {}

  ErrorCode Snapshot(std::vector<ProcessEntry>* out) override { return ReadProcesses(nullptr, out); }
  ErrorCode Terminate(const ProcessEntry& process) override { return TerminateProcess(process); }
  ErrorCode Start(const StartRequest& request, std::int64_t* id) override {
    return SpawnDetached(request, {}, nullptr, id);
  }
  ErrorCode OwnExecutablePath(std::wstring* out) override { return ReadOwnPath(out); }

  bool IsElevated() override { return geteuid() == 0 || (administers_store_ && administers_store_()); }

  ErrorCode RestartElevated() override {
    std::wstring self;
    if (ErrorCode rc = ReadOwnPath(&self)) return rc;
    if (access(kPkexec, X_OK) != 0) return err::kFileNotFound;
    StartRequest r;
    r.program = FromUtf8(kPkexec);
    r.args = {self};
    return SpawnDetached(r, {}, nullptr, nullptr);
  }

  // The session is the user id of whoever is active on the first seat.
  ErrorCode ConsoleSession(std::uint32_t* session) override {
    *session = kNoConsoleSession;
    std::ifstream seat(kActiveSeat);
    std::string line;
    while (std::getline(seat, line)) {
      if (line.rfind("ACTIVE_UID=", 0) == 0) {
        *session = static_cast<std::uint32_t>(std::stoul(line.substr(11)));
      }
    }
    return err::kSuccess;
  }

  ErrorCode StartInSession(std::uint32_t session, const StartRequest& request, std::int64_t* id) override {
    if (session == kNoConsoleSession) return err::kNoToken;
    if (session == geteuid()) return SpawnDetached(request, {}, nullptr, id);
    if (geteuid() != 0) return err::kPrivilegeNotHeld;
    passwd pw{};
    passwd* found = nullptr;
    std::vector<char> buf(4096);
    if (getpwuid_r(session, &pw, buf.data(), buf.size(), &found) != 0 || !found) return err::kNoToken;
    RunAs as;
    as.uid = found->pw_uid;
    as.gid = found->pw_gid;
    as.user = found->pw_name;
    as.home = found->pw_dir;
    return SpawnDetached(request, {}, &as, id);
  }

 private:
  std::function<bool()> administers_store_;
};

}  // namespace

std::unique_ptr<ProcessTable> MakeHostProcessTable(std::function<bool()> administers_store) {
  return std::make_unique<HostProcessTable>(std::move(administers_store));
}

}  // namespace oro::platform::linux_host
