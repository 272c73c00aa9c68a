// Reading the files the kit is handed (network configuration, curve files,
// firmware images, persisted data): every such read goes through here. Only
// regular files are read, their size is checked against the caller's bounds
// before a byte is read, and never more than the upper bound is read, so a
// link to a device, a FIFO or a growing file can neither block the caller
// nor exhaust its memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace oro::platform {

enum class FileReadError {
  kNone,
  kNotFound,
  kAccessDenied,
  kNotRegular,  // a folder, device, FIFO or socket
  kWrongSize,   // outside the caller's bounds, also when it changed while read
  kReadFailed,
};

// Inclusive bounds on a file's size in bytes.
struct FileSizeBounds {
  std::uint64_t min = 0;
  std::uint64_t max = 0;
  static FileSizeBounds Exactly(std::uint64_t n) { return {n, n}; }
  static FileSizeBounds AtMost(std::uint64_t n) { return {0, n}; }
};

// A regular file opened for reading, its size already checked. The size is
// the one seen at open; reading stops there even when the file grows.
class BoundedFile {
 public:
  ~BoundedFile();
  BoundedFile(const BoundedFile&) = delete;
  BoundedFile& operator=(const BoundedFile&) = delete;

  // Null with `error` and a one-line `message` naming the path and what is
  // wrong when the file cannot be read within the bounds.
  static std::unique_ptr<BoundedFile> Open(const std::string& path, FileSizeBounds bounds, FileReadError* error,
                                           std::string* message);

  std::uint64_t Size() const { return size_; }

  // Fills up to `size` bytes; the count read, 0 at the end of the file (as
  // sized at open). False with a message when the read fails.
  bool Read(std::uint8_t* data, std::size_t size, std::size_t* count, std::string* message);

 private:
  struct Data;  // the system's handle, kept out of this header
  explicit BoundedFile(std::unique_ptr<Data> data, std::uint64_t size);
  // The system's part (one per adapter; the bounds and messages shared by all
  // are in platform/shared): a regular file opened with its size, or null with
  // the error and message; and a read of at most `size` bytes, `size` > 0.
  static std::unique_ptr<BoundedFile> OpenRegular(const std::string& path, FileReadError* error, std::string* message);
  bool ReadSome(std::uint8_t* data, std::size_t size, std::size_t* count, std::string* message);
  std::unique_ptr<Data> data_;
  std::uint64_t size_;
  std::uint64_t offset_ = 0;
};

// The whole file when it is a regular file within `bounds`; otherwise the
// error and a message, and `out` is left empty.
FileReadError ReadBoundedFile(const std::string& path, FileSizeBounds bounds, std::vector<std::uint8_t>* out,
                              std::string* message);

}  // namespace oro::platform
