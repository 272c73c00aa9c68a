// Whole-file reading and the checksum of a file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace oro::updater {

// The file's bytes; nothing when it cannot be opened or read.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::wstring& path);

namespace file_crc {
constexpr int kOk = 1;
constexpr int kCannotOpen = -1;
constexpr int kEmpty = -2;
constexpr int kCannotCopy = -3;
}  // namespace file_crc

// The file's CRC-32/JAMCRC into `crc` (set only on success). With a copy
// path the file's bytes are also written there.
int FileCrc32(const std::wstring& path, std::uint32_t& crc, const std::wstring* copy_path = nullptr);

}  // namespace oro::updater
