// Paths between the kit's UTF-8 strings and the system's UTF-16 calls.
#pragma once

#include <string>

namespace oro::platform::windows_host {

// "/" becomes "\"; UTF-8 becomes UTF-16.
std::wstring WidePath(const std::string& utf8_path);

// The text of a Win32 error code from the system, without its line break.
std::string SystemMessage(unsigned long code);

}  // namespace oro::platform::windows_host
