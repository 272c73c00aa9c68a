#include "line_child.h"

#include <chrono>
#include <thread>

#ifdef _WIN32
#include <windows.h>

#include "oro/platform/text.h"
#else
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace oro::test {

#ifdef _WIN32
namespace {

std::wstring Quoted(const std::string& arg) { return L"\"" + platform::FromUtf8(arg) + L"\""; }

}  // namespace

LineChild::LineChild(const std::string& program, const std::vector<std::string>& args) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE in_read = nullptr, in_write = nullptr, out_read = nullptr, out_write = nullptr;
  if (!CreatePipe(&in_read, &in_write, &inheritable, 0)) return;
  if (!CreatePipe(&out_read, &out_write, &inheritable, 0)) {
    CloseHandle(in_read);
    CloseHandle(in_write);
    return;
  }
  // Only the child's ends are inherited.
  SetHandleInformation(in_write, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
  std::wstring line = Quoted(program);
  for (const auto& a : args) line += L" " + Quoted(a);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in_read;
  startup.hStdOutput = out_write;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info{};
  const BOOL ok = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
  CloseHandle(in_read);
  CloseHandle(out_write);
  if (!ok) {
    CloseHandle(in_write);
    CloseHandle(out_read);
    return;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  to_ = in_write;
  from_ = out_read;
}

LineChild::~LineChild() {
  if (to_) CloseHandle(to_);
  if (from_) CloseHandle(from_);
  if (process_) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 10000);
    CloseHandle(process_);
  }
}

bool LineChild::Started() const { return process_ != nullptr; }

bool LineChild::Send(const std::string& line) {
  const std::string l = line + "\n";
  DWORD written = 0;
  return to_ && WriteFile(to_, l.data(), static_cast<DWORD>(l.size()), &written, nullptr) && written == l.size();
}

bool LineChild::WaitForEnd(int timeout_ms) {
  return process_ && WaitForSingleObject(process_, static_cast<DWORD>(timeout_ms)) == WAIT_OBJECT_0;
}

bool LineChild::ReadSome(int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    DWORD available = 0;
    if (!from_ || !PeekNamedPipe(from_, nullptr, 0, nullptr, &available, nullptr)) return false;
    if (available > 0) {
      char chunk[4096];
      DWORD n = 0;
      if (!ReadFile(from_, chunk, available < sizeof chunk ? available : sizeof chunk, &n, nullptr) || n == 0) {
        return false;
      }
      buf_.append(chunk, n);
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}
#else
LineChild::LineChild(const std::string& program, const std::vector<std::string>& args) {
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0) return;
  if (pipe2(out, O_CLOEXEC) != 0) {
    close(in[0]);
    close(in[1]);
    return;
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  to_ = in[1];
  from_ = out[0];
}

LineChild::~LineChild() {
  if (to_ >= 0) close(to_);
  if (from_ >= 0) close(from_);
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

bool LineChild::Started() const { return pid_ > 0; }

bool LineChild::Send(const std::string& line) {
  const std::string l = line + "\n";
  return write(to_, l.data(), l.size()) == static_cast<ssize_t>(l.size());
}

bool LineChild::WaitForEnd(int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (pid_ > 0) {
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

bool LineChild::ReadSome(int timeout_ms) {
  pollfd p{from_, POLLIN, 0};
  if (poll(&p, 1, timeout_ms) <= 0) return false;
  char chunk[4096];
  const ssize_t n = read(from_, chunk, sizeof chunk);
  if (n <= 0) return false;
  buf_.append(chunk, static_cast<std::size_t>(n));
  return true;
}
#endif

std::string LineChild::Line(int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    const auto nl = buf_.find('\n');
    if (nl != std::string::npos) {
      std::string line = buf_.substr(0, nl);
      buf_.erase(0, nl + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() < 0 || !ReadSome(static_cast<int>(left.count()))) return "";
  }
}

}  // namespace oro::test
