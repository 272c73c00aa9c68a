#include "oro/updater/file_checksum.h"

#include <cstdint>
#include <cstdio>
#include <memory>

#include "oro/common/checksum.h"
#include "oro/platform/file_reader.h"
#include "oro/platform/text.h"

namespace oro::updater {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File Open(const std::wstring& path, const char* mode) { return File(std::fopen(platform::ToUtf8(path).c_str(), mode)); }

constexpr std::size_t kChunk = 64 * 1024;

}  // namespace

int FileCrc32(const std::wstring& path, std::uint32_t& crc, const std::wstring* copy_path) {
  // Any size, but only a regular file and only as far as it was at open, so
  // a device or FIFO put in the installer's place cannot stall the check.
  const auto in = platform::BoundedFile::Open(platform::ToUtf8(path), platform::FileSizeBounds::AtMost(UINT64_MAX),
                                              nullptr, nullptr);
  if (!in) return file_crc::kCannotOpen;
  std::vector<std::uint8_t> chunk(kChunk);
  std::size_t n = 0;
  if (!in->Read(chunk.data(), chunk.size(), &n, nullptr)) return file_crc::kCannotOpen;
  if (n == 0) return file_crc::kEmpty;
  File out;
  if (copy_path) {
    out = Open(*copy_path, "wb");
    if (!out) return file_crc::kCannotCopy;
  }
  std::uint32_t reg = common::kCrc32Initial;
  do {
    reg = common::Crc32Update(reg, chunk.data(), n);
    if (out && std::fwrite(chunk.data(), 1, n, out.get()) != n) return file_crc::kCannotCopy;
    if (!in->Read(chunk.data(), chunk.size(), &n, nullptr)) return file_crc::kCannotOpen;
  } while (n > 0);
  if (out && std::fclose(out.release()) != 0) return file_crc::kCannotCopy;
  crc = reg;
  return file_crc::kOk;
}

}  // namespace oro::updater
