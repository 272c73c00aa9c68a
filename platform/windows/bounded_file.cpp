// Bounded reading of regular files on Windows. The handle is opened with
// backup semantics so a folder opens too and is refused by its attributes
// rather than by a misleading "access denied"; type, attributes and size come
// from the open handle, so what is checked is what is read.
#include <windows.h>

#include <new>

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
    const auto size = static_cast<std::uint64_t>(length.QuadPart);
    if (size < bounds.min || size > bounds.max) {
      *error = FileReadError::kWrongSize;
      *message = SizeProblem(path, size, bounds);
      return nullptr;
    }
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
  std::uint64_t want = left < size ? left : size;
  if (want == 0) return true;
  // ReadFile counts in 32 bits.
  if (want > 0x40000000u) want = 0x40000000u;
  DWORD got = 0;
  if (!ReadFile(data_->handle, data, static_cast<DWORD>(want), &got, nullptr)) {
    const DWORD code = GetLastError();
    if (message) *message = data_->path + ": " + SystemMessage(code);
    return false;
  }
  *count = got;
  offset_ += got;
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
