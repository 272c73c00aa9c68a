// Debug lines go to OutputDebugStringW (a debugger or DebugView shows them)
// and, when ORO_DEBUG_LOG names a file, are appended there as UTF-8. Debug
// output never fails its caller: a file that cannot be written is skipped.
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "oro/platform/text.h"
#include "oro/platform/windows/wide_path.h"
#include "oro/platform/windows/windows_adapters.h"

namespace oro::platform::windows_host {
namespace {

// One record per line, as on every system.
std::wstring OneLine(const std::wstring& text) {
  std::wstring line = text;
  while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r')) line.pop_back();
  for (auto& c : line) {
    if (c == L'\n' || c == L'\r') c = L' ';
  }
  return line;
}

// Writers of one file take turns through a lock on a byte far beyond any
// real length (readers never meet it), so concurrent processes' lines stay
// whole even where appending is a look-up of the end and a write, as under
// Wine; each record is then written at the end of the file.
constexpr DWORD kTurnOffsetHigh = 0x7FFFFFFF;

void AppendToFile(const char* path, const std::string& line) {
  HANDLE file = CreateFileW(WidePath(path).c_str(), FILE_WRITE_DATA | FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  OVERLAPPED turn{};
  turn.OffsetHigh = kTurnOffsetHigh;
  const bool locked = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &turn) != 0;
  const std::string record = line + "\n";
  OVERLAPPED at_end{};
  at_end.Offset = 0xFFFFFFFF;
  at_end.OffsetHigh = 0xFFFFFFFF;
  DWORD written = 0;
  WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, &at_end);
  if (locked) UnlockFileEx(file, 0, 1, 0, &turn);
  CloseHandle(file);
}

class DebugStringOutput final : public DebugOutput {
 public:
  void Write(const std::wstring& text) override {
    const std::wstring line = OneLine(text);
    OutputDebugStringW((line + L"\n").c_str());
    const char* path = std::getenv("ORO_DEBUG_LOG");
    if (path && *path) AppendToFile(path, ToUtf8(line));
  }
};

}  // namespace

std::unique_ptr<DebugOutput> MakeDebugStringOutput() { return std::make_unique<DebugStringOutput>(); }

}  // namespace oro::platform::windows_host
