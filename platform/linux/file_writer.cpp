// Whole-file replacement on Linux: mkstemp beside the target, an explicit
// fchmod (mkstemp's 0600 and the umask never decide the mode), fsync, rename.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "oro/platform/file_writer.h"

namespace oro::platform {
namespace {

FileWriteError Failed(FileWriteError error, const std::string& path, const std::string& what, int e,
                      std::string* message) {
  if (message) *message = path + ": " + what + (e ? std::string(": ") + std::strerror(e) : std::string());
  return error;
}

}  // namespace

FileWriteError ReplaceFileContents(const std::string& path, const std::uint8_t* data, std::size_t size,
                                   std::uint32_t mode, std::string* message) {
  if (message) message->clear();
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return Failed(FileWriteError::kNotRegular, path, "not a regular file", 0, message);
  } else if (errno != ENOENT) {
    return Failed(FileWriteError::kCannotCreate, path, "cannot be written", errno, message);
  }

  std::vector<char> temp(path.begin(), path.end());
  for (const char c : std::string(".tmpXXXXXX")) temp.push_back(c);
  temp.push_back('\0');
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return Failed(FileWriteError::kCannotCreate, path, "cannot be created", errno, message);

  int error = 0;
  if (::fchmod(fd, static_cast<mode_t>(mode & 07777)) != 0) error = errno;
  for (std::size_t done = 0; error == 0 && done < size;) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = errno;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp.data(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.data());
    return Failed(FileWriteError::kWriteFailed, path, "cannot be written", error, message);
  }
  return FileWriteError::kNone;
}

}  // namespace oro::platform
