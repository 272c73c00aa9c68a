#include "oro/platform/windows/wine_host.h"

#include <windows.h>

namespace oro::platform::windows_host {

std::string WineVersion() {
  // Wine's ntdll exports its version; Windows' has no such export.
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (!ntdll) return "";
  using VersionFn = const char*(__cdecl*)();
  const auto version = reinterpret_cast<VersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")));
  return version ? version() : "";
}

}  // namespace oro::platform::windows_host
