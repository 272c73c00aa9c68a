// The process table on Windows: Toolhelp snapshots, CreateProcessW, the
// token's membership of Administrators, ShellExecuteExW "runas", and the
// console user's session through the terminal services.
//
// A snapshot entry carries the process's creation time as its start mark;
// Terminate opens the id and ends it only when the process there still has
// that creation time, so an id reused since the snapshot is never hit.
//
// Started programs inherit no handle of the starter: a standard stream that
// is a console reaches them through the console itself, a pipe (a test
// runner's, say) does not, so nobody waits on a pipe a helper keeps open.
#include <windows.h>
// Order matters: these need windows.h first.
#include <shellapi.h>
#include <tlhelp32.h>
#include <userenv.h>
#include <wtsapi32.h>

#include <cstdint>
#include <string>
#include <vector>

#include "oro/platform/windows/windows_adapters.h"

namespace oro::platform::windows_host {
namespace {

// The exit code a process ended by the kit reports (-10).
constexpr UINT kTerminatedExitCode = 0xFFFFFFF6u;
// How long Terminate waits for the ended process to be gone.
constexpr DWORD kTerminateWaitMs = 5000;

std::uint64_t CreationMark(HANDLE process) {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return (static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// One argument as CommandLineToArgvW and the C runtime read it back.
void AppendQuoted(const std::wstring& arg, std::wstring* line) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    *line += arg;
    return;
  }
  *line += L'"';
  for (std::size_t i = 0;; ++i) {
    std::size_t backslashes = 0;
    while (i < arg.size() && arg[i] == L'\\') {
      ++i;
      ++backslashes;
    }
    if (i == arg.size()) {
      // Doubled, so the closing quote stays a quote.
      line->append(backslashes * 2, L'\\');
      break;
    }
    if (arg[i] == L'"') {
      line->append(backslashes * 2 + 1, L'\\');
    } else {
      line->append(backslashes, L'\\');
    }
    *line += arg[i];
  }
  *line += L'"';
}

std::wstring CommandLineOf(const StartRequest& request) {
  // The program is quoted as a whole: its path may hold spaces, never quotes.
  std::wstring line = L"\"" + request.program + L"\"";
  for (const auto& arg : request.args) {
    line += L' ';
    AppendQuoted(arg, &line);
  }
  return line;
}

// What can be told before CreateProcessW: an empty or missing program, a
// folder that is not there.
ErrorCode CheckRequest(const StartRequest& request) {
  if (request.program.empty() || request.program.find(L'"') != std::wstring::npos) return err::kInvalidParameter;
  if (!request.folder.empty()) {
    const DWORD attributes = GetFileAttributesW(request.folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return err::kFileNotFound;
  }
  return err::kSuccess;
}

ErrorCode Launch(HANDLE user_token, const StartRequest& request, std::int64_t* id) {
  if (ErrorCode rc = CheckRequest(request)) return rc;
  std::wstring line = CommandLineOf(request);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  wchar_t desktop[] = L"winsta0\\default";
  void* environment = nullptr;
  if (user_token) {
    startup.lpDesktop = desktop;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMINIMIZED;
    if (!CreateEnvironmentBlock(&environment, user_token, TRUE)) return GetLastError();
  }
  PROCESS_INFORMATION info{};
  const wchar_t* folder = request.folder.empty() ? nullptr : request.folder.c_str();
  const BOOL ok =
      user_token ? CreateProcessAsUserW(user_token, nullptr, line.data(), nullptr, nullptr, FALSE,
                                        CREATE_UNICODE_ENVIRONMENT, environment, folder, &startup, &info)
                 : CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &info);
  const DWORD error = GetLastError();
  if (environment) DestroyEnvironmentBlock(environment);
  if (!ok) return error == ERROR_DIRECTORY ? err::kFileNotFound : error;
  if (id) *id = info.dwProcessId;
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return err::kSuccess;
}

ErrorCode OwnPath(std::wstring* out) {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return GetLastError();
    if (n < buf.size()) {
      out->assign(buf.data(), n);
      return err::kSuccess;
    }
    if (buf.size() >= 32768) return err::kFilenameTooLong;
    buf.resize(buf.size() * 2);
  }
}

class ToolhelpProcessTable final : public ProcessTable {
 public:
  ErrorCode Snapshot(std::vector<ProcessEntry>* out) override {
    out->clear();
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return GetLastError();
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
      ProcessEntry p;
      p.id = entry.th32ProcessID;
      p.name = entry.szExeFile;
      if (p.name.empty()) continue;
      // Processes the caller may not query keep mark 0; Terminate will not
      // open them either.
      if (HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID)) {
        p.start_mark = CreationMark(h);
        CloseHandle(h);
      }
      out->push_back(std::move(p));
    }
    const DWORD error = GetLastError();
    CloseHandle(snapshot);
    return error == ERROR_NO_MORE_FILES || error == ERROR_SUCCESS ? err::kSuccess : error;
  }

  ErrorCode Terminate(const ProcessEntry& process) override {
    if (process.id <= 0 || process.id > 0xFFFFFFFFll) return err::kInvalidParameter;
    HANDLE h = OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE,
                           static_cast<DWORD>(process.id));
    if (!h) return GetLastError();  // 87 when nothing has the id, 5 when it is another's
    DWORD code = 0;
    if (CreationMark(h) != process.start_mark || !GetExitCodeProcess(h, &code) || code != STILL_ACTIVE) {
      CloseHandle(h);
      return err::kInvalidParameter;
    }
    ErrorCode rc = err::kSuccess;
    if (!TerminateProcess(h, kTerminatedExitCode)) {
      rc = GetLastError();
    } else {
      WaitForSingleObject(h, kTerminateWaitMs);
    }
    CloseHandle(h);
    return rc;
  }

  ErrorCode Start(const StartRequest& request, std::int64_t* id) override { return Launch(nullptr, request, id); }

  ErrorCode OwnExecutablePath(std::wstring* out) override { return OwnPath(out); }

  bool IsElevated() override {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &administrators)) {
      return false;
    }
    BOOL member = FALSE;
    if (!CheckTokenMembership(nullptr, administrators, &member)) member = FALSE;
    FreeSid(administrators);
    return member != FALSE;
  }

  ErrorCode RestartElevated() override {
    std::wstring self;
    if (ErrorCode rc = OwnPath(&self)) return rc;
    if (self.size() > MAX_PATH) return err::kFilenameTooLong;
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC;
    info.lpVerb = L"runas";
    info.lpFile = self.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) return GetLastError();
    // The shell's own result: above 32 is a start.
    return reinterpret_cast<INT_PTR>(info.hInstApp) > 32 ? err::kSuccess : err::kAccessDenied;
  }

  ErrorCode ConsoleSession(std::uint32_t* session) override {
    *session = WTSGetActiveConsoleSessionId();
    return err::kSuccess;
  }

  ErrorCode StartInSession(std::uint32_t session, const StartRequest& request, std::int64_t* id) override {
    if (session == kNoConsoleSession) return err::kNoToken;
    HANDLE session_token = nullptr;
    if (!WTSQueryUserToken(session, &session_token)) return err::kNoToken;
    HANDLE primary = nullptr;
    const BOOL duplicated =
        DuplicateTokenEx(session_token, MAXIMUM_ALLOWED, nullptr, SecurityIdentification, TokenPrimary, &primary);
    const DWORD error = GetLastError();
    CloseHandle(session_token);
    if (!duplicated) return error;
    const ErrorCode rc = Launch(primary, request, id);
    CloseHandle(primary);
    return rc;
  }
};

}  // namespace

std::unique_ptr<ProcessTable> MakeToolhelpProcessTable() { return std::make_unique<ToolhelpProcessTable>(); }

}  // namespace oro::platform::windows_host
