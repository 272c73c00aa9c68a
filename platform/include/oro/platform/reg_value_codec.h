// Stored bytes of string values and back, kept byte-exact: strings are
// UTF-16LE as the registry keeps them, terminator included when written.
// The one codec for them: the modules, the tools and the adapters use it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace oro::platform {

// The stored characters without one terminating zero when present. An odd
// last byte is kept as a character of its own rather than dropped.
std::wstring DecodeRegString(const std::vector<std::uint8_t>& data);

// Trailing zero characters are dropped, then every zero separates two
// elements, so empty elements between other elements survive.
std::vector<std::wstring> DecodeRegMultiString(const std::vector<std::uint8_t>& data);

// The characters and one terminating zero.
std::vector<std::uint8_t> EncodeRegString(const std::wstring& text);

// Each element followed by a zero, then one more zero.
std::vector<std::uint8_t> EncodeRegMultiString(const std::vector<std::wstring>& items);

}  // namespace oro::platform
