#include "oro/updater/file_checksum.h"

#include <cstdio>
#include <memory>

#include "oro/common/checksum.h"
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

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::wstring& path) {
  File f = Open(path, "rb");
  if (!f) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[kChunk];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f.get())) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  if (std::ferror(f.get())) return std::nullopt;  // a folder opens but cannot be read
  return bytes;
}

int FileCrc32(const std::wstring& path, std::uint32_t& crc, const std::wstring* copy_path) {
  File in = Open(path, "rb");
  if (!in) return file_crc::kCannotOpen;
  std::vector<std::uint8_t> chunk(kChunk);
  std::size_t n = std::fread(chunk.data(), 1, chunk.size(), in.get());
  if (std::ferror(in.get())) return file_crc::kCannotOpen;
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
    n = std::fread(chunk.data(), 1, chunk.size(), in.get());
  } while (n > 0);
  if (std::ferror(in.get())) return file_crc::kCannotOpen;
  if (out && std::fclose(out.release()) != 0) return file_crc::kCannotCopy;
  crc = reg;
  return file_crc::kOk;
}

}  // namespace oro::updater
