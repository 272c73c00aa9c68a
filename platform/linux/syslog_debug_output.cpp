// Debug lines go to syslog and, when ORO_DEBUG_LOG names a file, are appended
// there as UTF-8. Debug output never fails its caller: a file that cannot be
// opened or written is skipped.
#include <fcntl.h>
#include <syslog.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string>

#include "oro/platform/linux/host_adapters.h"
#include "oro/platform/text.h"

namespace oro::platform::linux_host {
namespace {

// One record per line: trailing line breaks are dropped, inner ones become
// spaces so that a reader of the file never sees half a message on a line.
std::string OneLine(const std::wstring& text) {
  std::wstring line = text;
  while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r')) line.pop_back();
  for (auto& c : line) {
    if (c == L'\n' || c == L'\r') c = L' ';
  }
  return ToUtf8(line);
}

void AppendToFile(const char* path, const std::string& line) {
  const int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644);
  if (fd < 0) return;
  // A single write with O_APPEND keeps lines of concurrent writers whole.
  const std::string record = line + "\n";
  ssize_t n;
  do {
    n = ::write(fd, record.data(), record.size());
  } while (n < 0 && errno == EINTR);
  ::close(fd);
}

class SyslogDebugOutput final : public DebugOutput {
 public:
  SyslogDebugOutput() { ::openlog("orosound", LOG_NDELAY | LOG_PID, LOG_USER); }

  void Write(const std::wstring& text) override {
    const std::string line = OneLine(text);
    ::syslog(LOG_DEBUG, "%s", line.c_str());
    const char* path = std::getenv("ORO_DEBUG_LOG");
    if (path && *path) AppendToFile(path, line);
  }
};

}  // namespace

std::unique_ptr<DebugOutput> MakeSyslogDebugOutput() { return std::make_unique<SyslogDebugOutput>(); }

}  // namespace oro::platform::linux_host
