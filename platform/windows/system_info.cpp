// The user's locale, the temporary folder and the kernel's own version (the
// version GetVersionEx reports depends on the program's manifest; ntdll's
// RtlGetVersion does not).
#include <windows.h>

#include <memory>
#include <string>

#include "oro/platform/windows/windows_adapters.h"

namespace oro::platform::windows_host {
namespace {

using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);

class WindowsSystemInfo final : public SystemInfo {
 public:
  std::uint32_t DefaultLocaleId() override { return static_cast<std::uint32_t>(GetUserDefaultLCID()); }

  std::wstring TempFolder() override {
    wchar_t buffer[MAX_PATH + 2];
    const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
    std::wstring folder = (n > 0 && n <= MAX_PATH + 1) ? std::wstring(buffer, n) : L"C:\\Windows\\Temp\\";
    if (folder.back() != L'\\') folder.push_back(L'\\');
    return folder;
  }

  std::uint32_t OsVersion() override {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll) return 0;
    auto get = reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!get || get(&info) != 0) return 0;
    return (info.dwMajorVersion << 16) | (info.dwMinorVersion & 0xFFFF);
  }
};

}  // namespace

std::unique_ptr<SystemInfo> MakeWindowsSystemInfo() { return std::make_unique<WindowsSystemInfo>(); }

}  // namespace oro::platform::windows_host
