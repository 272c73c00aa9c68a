// The parts of registry access that are about the system rather than keys:
// its version and the text form of class ids.
#include <cstdio>

#include "oro/common/registry_access.h"

namespace oro::common {

RegistryAccess::RegistryAccess(platform::RegistryStore& store, platform::SystemInfo* system)
    : store_(store), system_(system) {}

bool RegistryAccess::IsWindows81OrLater() {
  if (!version_read_) {
    cached_version_ = system_ ? system_->OsVersion() : 0;
    version_read_ = true;
  }
  return cached_version_ >= 0x60003;
}

std::wstring GuidToString(const Guid& guid) {
  wchar_t text[40];
  std::swprintf(text, sizeof text / sizeof text[0], L"{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(guid.data1), static_cast<unsigned>(guid.data2), static_cast<unsigned>(guid.data3),
                guid.data4[0], guid.data4[1], guid.data4[2], guid.data4[3], guid.data4[4], guid.data4[5], guid.data4[6],
                guid.data4[7]);
  return text;
}

}  // namespace oro::common
