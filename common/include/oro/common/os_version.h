// The version of the system the kit runs on, as the kit's checks need it.
#pragma once

#include <cstdint>

#include "oro/platform/system_info.h"

namespace oro::common {

class OsVersion {
 public:
  // system may be null: the version then counts as unknown (0).
  explicit OsVersion(platform::SystemInfo* system) : system_(system) {}

  // True from Windows 8.1 (6.3) on. The system is asked once; the answer is
  // kept for the life of this object.
  bool IsWindows81OrLater();

 private:
  platform::SystemInfo* system_;
  std::uint32_t version_ = 0;
  bool read_ = false;
};

}  // namespace oro::common
