// The checksum of a file.
#pragma once

#include <cstdint>
#include <string>

namespace oro::updater {

namespace file_crc {
constexpr int kOk = 1;
constexpr int kCannotOpen = -1;
constexpr int kEmpty = -2;
constexpr int kCannotCopy = -3;
}  // namespace file_crc

// The file's CRC-32/JAMCRC into `crc` (set only on success). With a copy
// path the file's bytes are also written there. Anything but a regular file
// cannot be opened.
int FileCrc32(const std::wstring& path, std::uint32_t& crc, const std::wstring* copy_path = nullptr);

}  // namespace oro::updater
