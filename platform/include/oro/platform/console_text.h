// Console text in the encoding the reader's terminal expects.
#pragma once

#include <string>

namespace oro::platform {

// `utf8` converted to `codeset` (an iconv name such as "GBK"); the text is
// returned unchanged for UTF-8 and plain ASCII code sets, and when it cannot
// be converted (the reader then sees UTF-8 rather than nothing).
std::string Utf8ToCodeset(const std::string& utf8, const char* codeset);

// `utf8` in the code set of the process's current locale.
std::string ToConsoleEncoding(const std::string& utf8);

}  // namespace oro::platform
