// The kit's diagnostic lines: printf-style formatting into at most 255
// characters, sent as one line to the platform's debug output. The device
// library's _dbg/_dbgw and the audio service both write through here.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

#include "oro/platform/debug_output.h"

namespace oro::common {

constexpr std::size_t kDebugLineMax = 255;

// Narrow format (printf conventions; %S takes a wide string). The result is
// cut to 255 bytes and each byte is widened as a signed char, so only ASCII
// passes unchanged; the other bytes become U+FF80..U+FFFF, as a 16-bit
// wide character would hold them.
std::wstring FormatDebugLine(const char* format, va_list args);

// Wide format with the wide-function conventions of the kit's code: %s and %c
// take wide arguments, %S, %C, %hs and %hc narrow ones. Cut to 255 characters.
std::wstring FormatDebugLineW(const wchar_t* format, va_list args);

void DebugPrintV(platform::DebugOutput& out, const char* format, va_list args);
void DebugPrintWV(platform::DebugOutput& out, const wchar_t* format, va_list args);
void DebugPrint(platform::DebugOutput& out, const char* format, ...);
void DebugPrintW(platform::DebugOutput& out, const wchar_t* format, ...);

}  // namespace oro::common
