// The one table from C library error numbers (errno, std::error_code values
// of the system category) to the kit's Win32 codes, so a full disk or a
// missing folder reads the same whichever part of the kit met it.
#pragma once

#include "oro/platform/win32_codes.h"

namespace oro::platform {

// 0 for 0; err::kGenFailure for a number the table does not know.
ErrorCode ErrorFromErrno(int error_number);

}  // namespace oro::platform
