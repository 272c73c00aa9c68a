#include "oro/platform/windows/wide_path.h"

#include <windows.h>

#include "oro/platform/text.h"

namespace oro::platform::windows_host {

std::wstring WidePath(const std::string& utf8_path) {
  std::wstring path = FromUtf8(utf8_path);
  for (auto& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

std::string SystemMessage(unsigned long code) {
  wchar_t* buffer = nullptr;
  const DWORD n =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = (n && buffer) ? std::wstring(buffer, n) : L"error " + std::to_wstring(code);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
  return ToUtf8(text);
}

}  // namespace oro::platform::windows_host
