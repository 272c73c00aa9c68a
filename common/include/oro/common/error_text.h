// Texts of the Win32 error codes the kit can meet, the same on every platform.
#pragma once

#include <cstdint>
#include <string>

namespace oro::common {

// The message for `code`, without a trailing line break; empty when the code
// is not in the table.
std::wstring ErrorText(std::uint32_t code);

}  // namespace oro::common
