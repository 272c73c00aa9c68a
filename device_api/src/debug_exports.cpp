// _dbg and _dbgw: one diagnostic line to the library's debug output.
#include <cstdarg>

#include "oro/common/debug_print.h"
#include "oro/device_api/library_context.h"
#include "oro_ecd_api.h"

namespace {

oro::platform::DebugOutput* Output() noexcept {
  try {
    return oro::device_api::LibraryPlatform().debug.get();
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

// Diagnostics never take their caller down: every failure ends in silence.
extern "C" ORO_API void _dbg(const char* format, ...) {
  auto* out = Output();
  if (!out || !format) return;
  va_list args;
  va_start(args, format);
  try {
    oro::common::DebugPrintV(*out, format, args);
  } catch (...) {
  }
  va_end(args);
}

extern "C" ORO_API void _dbgw(const wchar_t* format, ...) {
  auto* out = Output();
  if (!out || !format) return;
  va_list args;
  va_start(args, format);
  try {
    oro::common::DebugPrintWV(*out, format, args);
  } catch (...) {
  }
  va_end(args);
}
