// Bounded reading of regular files on Windows. The handle is opened with
// backup semantics so a folder opens too and is refused by its attributes
// rather than by a misleading "access denied"; type, attributes and size come
// from the open handle, so what is checked is what is read.
#include <windows.h>

#include "oro/platform/file_reader.h"
#include "oro/platform/windows/wide_path.h"

namespace oro::platform {

struct BoundedFile::Data {
  HANDLE handle = INVALID_HANDLE_VALUE;
  std::string path;
  ~Data() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};

namespace {

using windows_host::SystemMessage;

FileReadError FromWin32(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
      return FileReadError::kNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return FileReadError::kAccessDenied;
    case ERROR_PIPE_BUSY:  // a named pipe: no file to speak of
    case ERROR_BAD_PIPE:
    case ERROR_NOT_READY:
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
  if (path.empty()) {
    *error = FileReadError::kNotFound;
    *message = "(empty path): " + SystemMessage(ERROR_PATH_NOT_FOUND);
    return nullptr;
  }
  // Others may keep reading, writing or renaming it: the size seen here
  // still bounds what is read.
  data->handle = CreateFileW(windows_host::WidePath(path).c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (data->handle == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    *error = FromWin32(code);
    *message = path + ": " + SystemMessage(code);
    return nullptr;
  }
  // A console, a printer port or NUL is no file, and a pipe would wait.
  if (GetFileType(data->handle) != FILE_TYPE_DISK) {
    *error = FileReadError::kNotRegular;
    *message = path + ": not a regular file";
    return nullptr;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(data->handle, &info)) {
    const DWORD code = GetLastError();
    *error = FileReadError::kReadFailed;
    *message = path + ": " + SystemMessage(code);
    return nullptr;
  }
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    *error = FileReadError::kNotRegular;
    *message = path + ": not a regular file";
    return nullptr;
  }
  LARGE_INTEGER length{};
  if (!GetFileSizeEx(data->handle, &length) || length.QuadPart < 0) {
    const DWORD code = GetLastError();
    *error = FileReadError::kReadFailed;
    *message = path + ": " + SystemMessage(code);
    return nullptr;
  }
  return std::unique_ptr<BoundedFile>(new BoundedFile(std::move(data), static_cast<std::uint64_t>(length.QuadPart)));
}

bool BoundedFile::ReadSome(std::uint8_t* data, std::size_t size, std::size_t* count, std::string* message) {
  // ReadFile counts in 32 bits.
  const DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
  DWORD got = 0;
  if (!ReadFile(data_->handle, data, want, &got, nullptr)) {
    const DWORD code = GetLastError();
    if (message) *message = data_->path + ": " + SystemMessage(code);
    return false;
  }
  *count = got;
  return true;
}

}  // namespace oro::platform
