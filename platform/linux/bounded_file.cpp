// Bounded reading of regular files on Linux. The file is opened without
// blocking (a FIFO would otherwise wait for a writer) and its type and size
// come from the open descriptor, so what is checked is what is read.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "oro/platform/file_reader.h"

namespace oro::platform {

struct BoundedFile::Data {
  int fd = -1;
  std::string path;
  ~Data() {
    if (fd >= 0) ::close(fd);
  }
};

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

FileReadError FromErrno(int e) {
  switch (e) {
    case ENOENT:
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG:
      return FileReadError::kNotFound;
    case EACCES:
    case EPERM:
      return FileReadError::kAccessDenied;
    case ENXIO:  // a socket or a device without a driver
    case ENODEV:
      return FileReadError::kNotRegular;
    default:
      return FileReadError::kReadFailed;
  }
}

}  // namespace

BoundedFile::BoundedFile(std::unique_ptr<Data> data, std::uint64_t size) : data_(std::move(data)), size_(size) {}

BoundedFile::~BoundedFile() = default;

std::unique_ptr<BoundedFile> BoundedFile::Open(const std::string& path, FileSizeBounds bounds, FileReadError* error,
                                               std::string* message) {
  FileReadError ignored_error;
  std::string ignored_message;
  if (!error) error = &ignored_error;
  if (!message) message = &ignored_message;
  *error = FileReadError::kNone;
  message->clear();
  try {
    auto data = std::make_unique<Data>();
    data->path = path;
    data->fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (data->fd < 0) {
      const int e = errno;
      *error = FromErrno(e);
      *message = path + ": " + std::strerror(e);
      return nullptr;
    }
    struct stat st {};
    if (::fstat(data->fd, &st) != 0) {
      const int e = errno;
      *error = FileReadError::kReadFailed;
      *message = path + ": " + std::strerror(e);
      return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
      *error = FileReadError::kNotRegular;
      *message = path + ": not a regular file";
      return nullptr;
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size < bounds.min || size > bounds.max) {
      *error = FileReadError::kWrongSize;
      *message = SizeProblem(path, size, bounds);
      return nullptr;
    }
    // Reads of a regular file never wait; blocking mode only keeps the
    // semantics plain for the reads that follow.
    ::fcntl(data->fd, F_SETFL, ::fcntl(data->fd, F_GETFL) & ~O_NONBLOCK);
    return std::unique_ptr<BoundedFile>(new BoundedFile(std::move(data), size));
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
  for (;;) {
    const ssize_t n = ::read(data_->fd, data, want);
    if (n >= 0) {
      *count = static_cast<std::size_t>(n);
      offset_ += static_cast<std::uint64_t>(n);
      return true;
    }
    if (errno == EINTR) continue;
    if (message) *message = data_->path + ": " + std::strerror(errno);
    return false;
  }
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
