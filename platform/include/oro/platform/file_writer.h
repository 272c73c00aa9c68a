// Writing a whole file the kit owns (configuration files, exports). The bytes
// go to a new file beside the target, which is then renamed into place, so a
// failed write leaves the old file as it was. The file gets exactly the mode
// asked for, whatever the umask, and only a regular file or a new path is
// replaced: never a device, a FIFO or a symbolic link.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace oro::platform {

enum class FileWriteError {
  kNone,
  kNotRegular,    // something else is at the path
  kCannotCreate,  // the folder is missing or not writable
  kWriteFailed,   // writing, flushing or renaming failed (disk full, ...)
};

// Owner-only: secrets such as the update server's password.
constexpr std::uint32_t kOwnerOnlyMode = 0600;

// `message` names the path and the cause on failure.
FileWriteError ReplaceFileContents(const std::string& path, const std::uint8_t* data, std::size_t size,
                                   std::uint32_t mode, std::string* message);

}  // namespace oro::platform
