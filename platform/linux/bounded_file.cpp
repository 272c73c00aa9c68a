// Bounded reading of regular files on Linux. The file is opened without
// blocking (a FIFO would otherwise wait for a writer) and its type and size
// come from the open descriptor, so what is checked is what is read.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

std::unique_ptr<BoundedFile> BoundedFile::OpenRegular(const std::string& path, FileReadError* error,
                                                      std::string* message) {
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
  // Reads of a regular file never wait; blocking mode only keeps the
  // semantics plain for the reads that follow.
  ::fcntl(data->fd, F_SETFL, ::fcntl(data->fd, F_GETFL) & ~O_NONBLOCK);
  return std::unique_ptr<BoundedFile>(new BoundedFile(std::move(data), static_cast<std::uint64_t>(st.st_size)));
}

bool BoundedFile::ReadSome(std::uint8_t* data, std::size_t size, std::size_t* count, std::string* message) {
  for (;;) {
    const ssize_t n = ::read(data_->fd, data, size);
    if (n >= 0) {
      *count = static_cast<std::size_t>(n);
      return true;
    }
    if (errno == EINTR) continue;
    if (message) *message = data_->path + ": " + std::strerror(errno);
    return false;
  }
}

}  // namespace oro::platform
