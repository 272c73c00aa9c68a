// Named sections and mutexes as files in the runtime folder.
//
// A name such as "Global\\{372E...}" becomes one file name in run_dir with
// every byte outside [A-Za-z0-9{}_-] written as %XX, so no name can reach
// outside the folder and distinct names never share a file. "Global\\" and
// "Local\\" stay part of the name: with one runtime folder per state folder
// both already mean "every process of this machine".
//
// Lifetime follows the kernel objects the kit was written for: a section or
// mutex exists while somebody holds it. Each holder keeps an open-file-
// description lock on the file (shared for sections, exclusive for mutexes);
// the last one out takes the lock exclusively and removes the file. Whoever
// opens a file checks after locking that the name still leads to the same
// file, so it never settles on one that was just removed. Open-file-
// description locks (rather than flock) let OpenMutex test a mutex without
// taking it, so a probe can never make a concurrent CreateMutex fail.
//
// Access: the owner always reads and writes. The service rights of an
// ObjectSecurity become the group bits, and the group is "audio" (the account
// the sound server runs as) when that group exists, else the owner's group.
// Others get nothing. Without an ObjectSecurity only the owner gets access,
// as an object with default security would be closed to the audio engine.
#include <fcntl.h>
#include <grp.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "oro/platform/errno_codes.h"
#include "oro/platform/linux/host_adapters.h"
#include "oro/platform/text.h"

namespace oro::platform::linux_host {
namespace {

// Rights numbers of sections and mutexes that mean reading or writing.
constexpr std::uint32_t kQueryOrModify = 0x0001;  // SECTION_QUERY, MUTEX_MODIFY_STATE
constexpr std::uint32_t kMapWrite = 0x0002;
constexpr std::uint32_t kMapRead = 0x0004;
constexpr std::uint32_t kSynchronize = 0x00100000;
constexpr std::uint32_t kGenericAll = 0x10000000;
constexpr std::uint32_t kGenericWrite = 0x40000000;
constexpr std::uint32_t kGenericRead = 0x80000000;

constexpr int kOpenAttempts = 16;

bool ValidName(const std::wstring& name) { return !name.empty() && name.size() <= kMaxObjectName; }

std::string FileNameFor(const char* prefix, const std::wstring& name) {
  std::string out = prefix;
  for (unsigned char c : ToUtf8(name)) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '{' ||
                       c == '}' || c == '-' || c == '_';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    }
  }
  return out;
}

mode_t GroupBits(std::uint32_t rights) {
  mode_t bits = 0;
  if (rights & (kQueryOrModify | kMapRead | kSynchronize | kGenericRead | kGenericAll)) bits |= S_IRGRP;
  if (rights & (kMapWrite | kGenericWrite | kGenericAll)) bits |= S_IWGRP;
  return bits;
}

mode_t ModeFor(const ObjectSecurity* security) {
  return S_IRUSR | S_IWUSR | (security ? GroupBits(security->service_rights) : 0);
}

// The audio group's id, or -1 when the machine has none.
gid_t AudioGroup() {
  std::vector<char> buf(4096);
  group g{};
  group* found = nullptr;
  if (getgrnam_r("audio", &g, buf.data(), buf.size(), &found) != 0 || !found) return static_cast<gid_t>(-1);
  return found->gr_gid;
}

bool SetLock(int fd, short type, bool wait) {
  struct flock lk {};
  lk.l_type = type;
  lk.l_whence = SEEK_SET;
  for (;;) {
    if (fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lk) == 0) return true;
    if (errno != EINTR) return false;
  }
}

// True when `path` still names the file open as `fd`.
bool StillLinked(int fd, const std::string& path) {
  struct stat by_fd {
  }, by_path{};
  if (fstat(fd, &by_fd) != 0 || stat(path.c_str(), &by_path) != 0) return false;
  return by_fd.st_dev == by_path.st_dev && by_fd.st_ino == by_path.st_ino;
}

// Drops a holder: the last holder (the one that can lock exclusively)
// removes the name before letting go.
void ReleaseHolder(int fd, const std::string& path) {
  if (fd < 0) return;
  if (SetLock(fd, F_WRLCK, false) && StillLinked(fd, path)) unlink(path.c_str());
  close(fd);
}

// Opens the file, creating it with `mode` when `create` is set and it is
// missing. *created tells which happened.
ErrorCode OpenFile(const std::string& path, bool create, mode_t mode, int* fd, bool* created) {
  *created = false;
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    if (create) {
      *fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
      if (*fd >= 0) {
        // Exact bits whatever the umask; the group is best effort (only the
        // group's members and root may hand a file to it).
        fchmod(*fd, mode);
        const gid_t audio = AudioGroup();
        if (audio != static_cast<gid_t>(-1) && fchown(*fd, static_cast<uid_t>(-1), audio) != 0) {
          // Not a member of the group: the file stays the caller's own.
        }
        *created = true;
        return err::kSuccess;
      }
      if (errno != EEXIST) return ErrorFromErrno(errno);
    }
    *fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (*fd >= 0) return err::kSuccess;
    if (errno != ENOENT || !create) return ErrorFromErrno(errno);
    // Removed between the two opens: try again.
  }
  return err::kBusy;
}

ErrorCode EnsureRunDir(const std::string& run_dir) {
  if (run_dir.empty()) return err::kPathNotFound;
  struct stat st {};
  if (stat(run_dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? err::kSuccess : err::kPathNotFound;
  // Parents are private; the folder itself lets the audio group reach the
  // files it is allowed to open.
  for (std::size_t pos = run_dir.find('/', 1); pos != std::string::npos; pos = run_dir.find('/', pos + 1)) {
    const std::string parent = run_dir.substr(0, pos);
    if (mkdir(parent.c_str(), 0700) != 0 && errno != EEXIST) return ErrorFromErrno(errno);
  }
  if (mkdir(run_dir.c_str(), 0750) != 0) {
    if (errno != EEXIST) return ErrorFromErrno(errno);
    return err::kSuccess;
  }
  chmod(run_dir.c_str(), 0750);
  const gid_t audio = AudioGroup();
  if (audio != static_cast<gid_t>(-1) && chown(run_dir.c_str(), static_cast<uid_t>(-1), audio) != 0) {
    // As above: best effort.
  }
  return err::kSuccess;
}

// Opens the section file and joins its holders (a shared lock). A file that
// nobody holds is left over from a holder that died: opening it fails as if
// it were gone, creating it starts from zeros as a new section would.
ErrorCode OpenHeld(const std::string& path, bool create, mode_t mode, int* out) {
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    int fd = -1;
    bool created = false;
    if (ErrorCode e = OpenFile(path, create, mode, &fd, &created)) return e;
    if (SetLock(fd, F_WRLCK, false)) {
      if (!StillLinked(fd, path)) {
        close(fd);
        if (!create) return err::kFileNotFound;
        continue;
      }
      if (!create) {
        unlink(path.c_str());
        close(fd);
        return err::kFileNotFound;
      }
      if (!created && ftruncate(fd, 0) != 0) {
        const int e = errno;
        close(fd);
        return ErrorFromErrno(e);
      }
      SetLock(fd, F_RDLCK, false);  // a holder among others from now on
      *out = fd;
      return err::kSuccess;
    }
    if (errno != EAGAIN && errno != EACCES) {
      const int e = errno;
      close(fd);
      return ErrorFromErrno(e);
    }
    // Others hold it: wait for any exclusive step to end, then make sure the
    // file was not removed meanwhile.
    if (SetLock(fd, F_RDLCK, true) && StillLinked(fd, path)) {
      *out = fd;
      return err::kSuccess;
    }
    close(fd);
    if (!create) return err::kFileNotFound;
  }
  return err::kBusy;
}

class FileSection final : public SharedSection {
 public:
  FileSection(int fd, std::string path, std::uint8_t* data, std::size_t size)
      : fd_(fd), path_(std::move(path)), data_(data), size_(size) {}
  ~FileSection() override {
    munmap(data_, size_);
    ReleaseHolder(fd_, path_);
  }
  FileSection(const FileSection&) = delete;
  FileSection& operator=(const FileSection&) = delete;

  std::uint8_t* Data() override { return data_; }
  std::size_t Size() const override { return size_; }

 private:
  int fd_;
  std::string path_;
  std::uint8_t* data_;
  std::size_t size_;
};

class FileMutex final : public NamedMutex {
 public:
  // fd < 0: the name was held elsewhere and this object holds nothing.
  FileMutex(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~FileMutex() override { ReleaseHolder(fd_, path_); }
  FileMutex(const FileMutex&) = delete;
  FileMutex& operator=(const FileMutex&) = delete;

 private:
  int fd_;
  std::string path_;
};

class FileNamedObjects final : public NamedObjects {
 public:
  explicit FileNamedObjects(std::string run_dir) : run_dir_(std::move(run_dir)) {}

  ErrorCode CreateSection(const std::wstring& name, std::size_t size, const ObjectSecurity* security,
                          std::unique_ptr<SharedSection>* out) override {
    return Section(name, size, true, ModeFor(security), out);
  }

  ErrorCode OpenSection(const std::wstring& name, std::size_t size, std::unique_ptr<SharedSection>* out) override {
    return Section(name, size, false, 0, out);
  }

  ErrorCode CreateMutex(const std::wstring& name, const ObjectSecurity* security, std::unique_ptr<NamedMutex>* out,
                        bool* already_existed) override {
    if (!out || !ValidName(name)) return err::kInvalidParameter;
    if (ErrorCode e = EnsureRunDir(run_dir_)) return e;
    const std::string path = PathFor("mtx-", name);
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
      int fd = -1;
      bool created = false;
      if (ErrorCode e = OpenFile(path, true, ModeFor(security), &fd, &created)) return e;
      if (!SetLock(fd, F_WRLCK, false)) {
        const int e = errno;
        close(fd);
        if (e != EAGAIN && e != EACCES) return ErrorFromErrno(e);
        // Held by another object; this one keeps nothing.
        if (already_existed) *already_existed = true;
        *out = std::make_unique<FileMutex>(-1, path);
        return err::kSuccess;
      }
      if (StillLinked(fd, path)) {
        if (already_existed) *already_existed = false;
        *out = std::make_unique<FileMutex>(fd, path);
        return err::kSuccess;
      }
      close(fd);  // its last holder removed it meanwhile
    }
    return err::kBusy;
  }

  ErrorCode OpenMutex(const std::wstring& name) override {
    if (!ValidName(name)) return err::kInvalidParameter;
    const int fd = open(PathFor("mtx-", name).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return ErrorFromErrno(errno);
    struct flock lk {};
    lk.l_type = F_WRLCK;
    lk.l_whence = SEEK_SET;
    const bool held = fcntl(fd, F_OFD_GETLK, &lk) == 0 && lk.l_type != F_UNLCK;
    close(fd);
    return held ? err::kSuccess : err::kFileNotFound;
  }

 private:
  std::string PathFor(const char* prefix, const std::wstring& name) const {
    return run_dir_ + "/" + FileNameFor(prefix, name);
  }

  ErrorCode Section(const std::wstring& name, std::size_t size, bool create, mode_t mode,
                    std::unique_ptr<SharedSection>* out) {
    if (!out || !ValidName(name) || size == 0) return err::kInvalidParameter;
    if (create) {
      if (ErrorCode e = EnsureRunDir(run_dir_)) return e;
    }
    const std::string path = PathFor("sec-", name);
    int fd = -1;
    if (ErrorCode e = OpenHeld(path, create, mode, &fd)) return e;

    struct stat st {};
    if (fstat(fd, &st) != 0) {
      const int e = errno;
      ReleaseHolder(fd, path);
      return ErrorFromErrno(e);
    }
    // A section is at least as large as any holder asked for; growing only
    // adds zeros, so concurrent holders agree on every byte they share.
    if (static_cast<std::size_t>(st.st_size) < size && ftruncate(fd, static_cast<off_t>(size)) != 0) {
      const int e = errno;
      ReleaseHolder(fd, path);
      return ErrorFromErrno(e);
    }
    void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) {
      const int e = errno;
      ReleaseHolder(fd, path);
      return ErrorFromErrno(e);
    }
    *out = std::make_unique<FileSection>(fd, path, static_cast<std::uint8_t*>(view), size);
    return err::kSuccess;
  }

  std::string run_dir_;
};

}  // namespace

std::unique_ptr<NamedObjects> MakeFileNamedObjects(const std::string& run_dir) {
  return std::make_unique<FileNamedObjects>(run_dir);
}

}  // namespace oro::platform::linux_host
