#include "oro/common/os_version.h"

namespace oro::common {

bool OsVersion::IsWindows81OrLater() {
  if (!read_) {
    version_ = system_ ? system_->OsVersion() : 0;
    read_ = true;
  }
  return version_ >= 0x60003;
}

}  // namespace oro::common
