// Shared objects loaded with dlopen, through a descriptor opened once: the
// checks on the file (owner, mode) apply to exactly the bytes that load,
// even if the name is pointed elsewhere in between.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "oro/platform/linux/host_adapters.h"
#include "oro/platform/text.h"

namespace oro::platform::linux_host {
namespace {

// The descriptor stays open while the module is loaded, so the module can
// still tell where it was loaded from.
class DlModule final : public LoadedModule {
 public:
  DlModule(void* handle, int fd) : handle_(handle), fd_(fd) {}
  ~DlModule() override {
    dlclose(handle_);
    close(fd_);
  }
  DlModule(const DlModule&) = delete;
  DlModule& operator=(const DlModule&) = delete;
  void* Symbol(const char* name) override { return name ? dlsym(handle_, name) : nullptr; }

 private:
  void* handle_;
  int fd_;
};

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

class DlModuleLoader final : public ModuleLoader {
 public:
  ErrorCode Load(const std::wstring& path, std::unique_ptr<LoadedModule>* out) override {
    if (!out || path.empty()) return err::kInvalidParameter;
    Descriptor fd(open(ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
      return errno == ENOENT || errno == ENOTDIR ? err::kFileNotFound : err::kAccessDenied;
    }
    struct stat st {};
    if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return err::kAccessDenied;
    const uid_t me = geteuid();
    if ((st.st_uid != me && st.st_uid != 0) || (st.st_mode & (S_IWGRP | S_IWOTH))) return err::kAccessDenied;
    const std::string by_fd = "/proc/self/fd/" + std::to_string(fd.get());
    void* handle = dlopen(by_fd.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return err::kModuleNotFound;
    *out = std::make_unique<DlModule>(handle, fd.release());
    return err::kSuccess;
  }
};

}  // namespace

std::unique_ptr<ModuleLoader> MakeDlModuleLoader() { return std::make_unique<DlModuleLoader>(); }

}  // namespace oro::platform::linux_host
