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

void AppendToFile(const char* path, const std::string& line) {
  // FILE_APPEND_DATA alone makes every write land at the end, so lines of
  // concurrent writers stay whole.
  HANDLE file = CreateFileW(WidePath(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string record = line + "\n";
  DWORD written = 0;
  WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
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
