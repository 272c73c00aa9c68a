// The process list from /proc, and ending one process without hitting
// another that reused its id.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "oro/platform/linux/procfs.h"
#include "oro/platform/text.h"

namespace oro::platform::linux_host {
namespace {

std::string ProcPath(pid_t pid, const char* leaf) { return "/proc/" + std::to_string(pid) + "/" + leaf; }

bool ReadWhole(const std::string& path, std::string* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// The fields of /proc/PID/stat after the command name, which may itself hold
// spaces and parentheses: the last ')' ends it.
bool StatFields(pid_t pid, std::vector<std::string>* fields) {
  std::string stat;
  if (!ReadWhole(ProcPath(pid, "stat"), &stat)) return false;
  const auto close = stat.rfind(')');
  if (close == std::string::npos) return false;
  std::istringstream rest(stat.substr(close + 1));
  fields->assign(std::istream_iterator<std::string>(rest), std::istream_iterator<std::string>());
  return fields->size() > 20;
}

// The executable's file name: from the link to the program when it may be
// read, else the kernel's (shortened) command name.
std::string ExecutableName(pid_t pid) {
  char buf[4096];
  const ssize_t n = readlink(ProcPath(pid, "exe").c_str(), buf, sizeof buf - 1);
  if (n > 0) {
    std::string path(buf, static_cast<std::size_t>(n));
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0) {
      path.resize(path.size() - deleted.size());
    }
    return path.substr(path.rfind('/') + 1);
  }
  std::string comm;
  if (!ReadWhole(ProcPath(pid, "comm"), &comm)) return {};
  while (!comm.empty() && comm.back() == '\n') comm.pop_back();
  return comm;
}

int PidfdOpen(pid_t pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0)); }

int PidfdSendSignal(int pidfd, int sig) {
  return static_cast<int>(syscall(SYS_pidfd_send_signal, pidfd, sig, nullptr, 0));
}

}  // namespace

ErrorCode CodeFromErrno(int e) {
  switch (e) {
    case ENOENT:
      return err::kFileNotFound;
    case ENOTDIR:
      return err::kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return err::kAccessDenied;
    case ENOEXEC:
      return err::kBadFormat;
    case ENAMETOOLONG:
      return err::kFilenameExcedRange;
    case ENOMEM:
    case EAGAIN:
    case EMFILE:
    case ENFILE:
      return err::kNotEnoughMemory;
    case ESRCH:
      return err::kInvalidParameter;
    default:
      return err::kInvalidParameter;
  }
}

std::uint64_t ProcessStartMark(pid_t pid) {
  std::vector<std::string> f;
  // An ended process waiting to be reaped counts as gone.
  if (!StatFields(pid, &f) || f[0] == "Z" || f[0] == "X") return 0;
  // After the name: state is field 0, start time field 19.
  return std::strtoull(f[19].c_str(), nullptr, 10);
}

ErrorCode ReadProcesses(const std::function<bool(pid_t)>& keep, std::vector<ProcessEntry>* out) {
  out->clear();
  DIR* dir = opendir("/proc");
  if (!dir) return CodeFromErrno(errno);
  while (dirent* e = readdir(dir)) {
    char* end = nullptr;
    const long pid = std::strtol(e->d_name, &end, 10);
    if (pid <= 0 || *end != '\0') continue;
    std::vector<std::string> f;
    // Gone meanwhile, or a zombie: it no longer runs.
    if (!StatFields(static_cast<pid_t>(pid), &f) || f[0] == "Z" || f[0] == "X") continue;
    if (keep && !keep(static_cast<pid_t>(pid))) continue;
    std::string name = ExecutableName(static_cast<pid_t>(pid));
    if (name.empty()) continue;
    ProcessEntry entry;
    entry.id = pid;
    entry.start_mark = std::strtoull(f[19].c_str(), nullptr, 10);
    entry.name = FromUtf8(name);
    out->push_back(std::move(entry));
  }
  closedir(dir);
  return err::kSuccess;
}

std::vector<std::string> ProcessEnvironment(pid_t pid) {
  std::string raw;
  std::vector<std::string> out;
  if (!ReadWhole(ProcPath(pid, "environ"), &raw)) return out;
  std::size_t begin = 0;
  while (begin < raw.size()) {
    std::size_t end = raw.find('\0', begin);
    if (end == std::string::npos) end = raw.size();
    if (end > begin) out.push_back(raw.substr(begin, end - begin));
    begin = end + 1;
  }
  return out;
}

ErrorCode TerminateProcess(const ProcessEntry& process) {
  if (process.id <= 0 || process.id > INT32_MAX) return err::kInvalidParameter;
  const pid_t pid = static_cast<pid_t>(process.id);
  // The descriptor pins one process: once the start time read through its
  // id matches, the signal cannot reach a newcomer that took the id.
  const int pidfd = PidfdOpen(pid);
  if (pidfd < 0) return errno == ESRCH ? err::kInvalidParameter : CodeFromErrno(errno);
  ErrorCode rc = err::kSuccess;
  if (ProcessStartMark(pid) != process.start_mark) {
    rc = err::kInvalidParameter;
  } else if (PidfdSendSignal(pidfd, SIGKILL) != 0) {
    rc = errno == ESRCH ? err::kInvalidParameter : CodeFromErrno(errno);
  }
  close(pidfd);
  return rc;
}

}  // namespace oro::platform::linux_host
