// Conversions between the kit's wide strings and the encodings at its edges:
// UTF-8 for files, paths and terminals on Linux, UTF-16LE for stored strings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace oro::platform {

// Invalid input is replaced with U+FFFD; nothing throws.
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);
// True when the bytes are well-formed UTF-8, so FromUtf8 loses nothing: two
// different invalid names would otherwise both become U+FFFD and collide.
bool IsValidUtf8(const std::string& text);

// Code units exactly as given (no terminator added); characters beyond the
// BMP become surrogate pairs.
std::vector<std::uint8_t> ToUtf16Le(const std::wstring& text);
// An odd trailing byte is ignored; surrogate pairs are joined.
std::wstring FromUtf16Le(const std::uint8_t* data, std::size_t size);

// Upper-case folding used to compare registry names (simple per-character
// mapping, as the registry's own comparison does).
std::wstring FoldCase(const std::wstring& text);

}  // namespace oro::platform
