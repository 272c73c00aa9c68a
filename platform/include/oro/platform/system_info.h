// System information port: locale, temporary folder, OS version.
#pragma once

#include <cstdint>
#include <string>

namespace oro::platform {

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  // Locale id with the Windows numbers (2052 simplified Chinese, 1033 US English).
  virtual std::uint32_t DefaultLocaleId() = 0;
  // Temporary folder, with a trailing separator.
  virtual std::wstring TempFolder() = 0;
  // major << 16 | minor, as the kernel's product version reports it on Windows;
  // 0 when unknown. A Linux host reports a current version (10.0).
  virtual std::uint32_t OsVersion() = 0;
};

}  // namespace oro::platform
