// The part of bounded file reading that is the same on every system: the
// size check and its message, and reading a whole file. The adapters open the
// file and read from it (platform/linux, platform/windows).
#include <new>

#include "oro/platform/file_reader.h"

namespace oro::platform {
namespace {

std::string SizeProblem(const std::string& path, std::uint64_t size, FileSizeBounds b) {
  std::string expected;
  if (b.min == b.max) {
    expected = std::to_string(b.max);
  } else if (b.min == 0) {
    expected = "at most " + std::to_string(b.max);
  } else {
    expected = std::to_string(b.min) + " to " + std::to_string(b.max);
  }
  return path + ": " + std::to_string(size) + " bytes, expected " + expected;
}

}  // namespace

std::unique_ptr<BoundedFile> BoundedFile::Open(const std::string& path, FileSizeBounds bounds, FileReadError* error,
                                               std::string* message) {
  FileReadError ignored_error;
  std::string ignored_message;
  if (!error) error = &ignored_error;
  if (!message) message = &ignored_message;
  *error = FileReadError::kNone;
  message->clear();
  try {
    std::unique_ptr<BoundedFile> file = OpenRegular(path, error, message);
    if (!file) return nullptr;
    if (file->Size() < bounds.min || file->Size() > bounds.max) {
      *error = FileReadError::kWrongSize;
      *message = SizeProblem(path, file->Size(), bounds);
      return nullptr;
    }
    return file;
  } catch (const std::bad_alloc&) {
    *error = FileReadError::kReadFailed;
    *message = path + ": out of memory";
    return nullptr;
  }
}

bool BoundedFile::Read(std::uint8_t* data, std::size_t size, std::size_t* count, std::string* message) {
  *count = 0;
  const std::uint64_t left = size_ - offset_;
  const std::size_t want = static_cast<std::size_t>(left < size ? left : size);
  if (want == 0) return true;
  if (!ReadSome(data, want, count, message)) return false;
  offset_ += *count;
  return true;
}

FileReadError ReadBoundedFile(const std::string& path, FileSizeBounds bounds, std::vector<std::uint8_t>* out,
                              std::string* message) {
  out->clear();
  FileReadError error = FileReadError::kNone;
  std::unique_ptr<BoundedFile> file = BoundedFile::Open(path, bounds, &error, message);
  if (!file) return error;
  try {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file->Size()));
    std::size_t filled = 0;
    while (filled < bytes.size()) {
      std::size_t n = 0;
      if (!file->Read(bytes.data() + filled, bytes.size() - filled, &n, message)) return FileReadError::kReadFailed;
      if (n == 0) break;
      filled += n;
    }
    if (filled < bounds.min || filled != bytes.size()) {
      if (message) *message = path + ": the file changed while it was read";
      return FileReadError::kWrongSize;
    }
    *out = std::move(bytes);
    return FileReadError::kNone;
  } catch (const std::bad_alloc&) {
    if (message) *message = path + ": out of memory";
    return FileReadError::kReadFailed;
  }
}

}  // namespace oro::platform
