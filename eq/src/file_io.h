// Whole-file reads with a size limit and whole-file writes that replace the
// target only once the new content is complete.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace oro::eq::detail {

enum class ReadStatus { kOk, kMissing, kTooLarge, kFailed };

struct ReadResult {
  ReadStatus status = ReadStatus::kFailed;
  std::vector<std::uint8_t> bytes;
  std::string error;  // why, when the status is not kOk
};

// Reads at most `limit` bytes; a longer file is refused without being read.
ReadResult ReadWholeFile(const std::string& path, std::size_t limit);

// Creates the folder (mode 0755) when missing, writes a temporary file beside
// the target, gives it mode 0644 and renames it over the target. Returns an
// empty string on success, else what went wrong; the old file is then intact.
std::string ReplaceFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace oro::eq::detail
