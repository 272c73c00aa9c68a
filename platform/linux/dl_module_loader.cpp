// Shared objects loaded with dlopen once nobody but the caller (or root)
// could have changed them: the file is a regular file its owner alone may
// write, and so is every folder on its resolved path (a sticky folder such as
// /tmp counts as safe, since others cannot replace what they do not own).
// With every folder closed to others, the name cannot be pointed at another
// file between the checks and the load.
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "oro/platform/linux/host_adapters.h"
#include "oro/platform/text.h"

namespace oro::platform::linux_host {
namespace {

class DlModule final : public LoadedModule {
 public:
  explicit DlModule(void* handle) : handle_(handle) {}
  ~DlModule() override { dlclose(handle_); }
  DlModule(const DlModule&) = delete;
  DlModule& operator=(const DlModule&) = delete;
  void* Symbol(const char* name) override { return name ? dlsym(handle_, name) : nullptr; }

 private:
  void* handle_;
};

bool OwnedByCallerOrRoot(const struct stat& st) { return st.st_uid == geteuid() || st.st_uid == 0; }

bool OthersMayWrite(const struct stat& st) { return (st.st_mode & (S_IWGRP | S_IWOTH)) != 0; }

// Every folder from the file's up to the root.
bool FoldersAreClosed(std::string path) {
  while (true) {
    const auto cut = path.find_last_of('/');
    if (cut == std::string::npos) return true;
    path = cut == 0 ? "/" : path.substr(0, cut);
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    const bool sticky = (st.st_mode & S_ISVTX) != 0;
    if (!OwnedByCallerOrRoot(st) || (OthersMayWrite(st) && !sticky)) return false;
    if (path == "/") return true;
  }
}

class DlModuleLoader final : public ModuleLoader {
 public:
  ErrorCode Load(const std::wstring& path, std::unique_ptr<LoadedModule>* out) override {
    if (!out || path.empty()) return err::kInvalidParameter;
    char resolved[PATH_MAX];
    if (!realpath(ToUtf8(path).c_str(), resolved)) {
      return errno == ENOENT || errno == ENOTDIR ? err::kFileNotFound : err::kAccessDenied;
    }
    struct stat st {};
    if (stat(resolved, &st) != 0 || !S_ISREG(st.st_mode)) return err::kAccessDenied;
    if (!OwnedByCallerOrRoot(st) || OthersMayWrite(st) || !FoldersAreClosed(resolved)) return err::kAccessDenied;
    // Never unloaded: a module may leave process-wide state behind (its
    // syslog identity, handlers it registered) that must outlive dlclose.
    void* handle = dlopen(resolved, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle) return err::kModuleNotFound;
    *out = std::make_unique<DlModule>(handle);
    return err::kSuccess;
  }

  std::wstring PathContaining(const void* address) override {
    Dl_info info{};
    if (!address || !dladdr(address, &info) || !info.dli_fname || !*info.dli_fname) return L"";
    char resolved[PATH_MAX];
    return FromUtf8(realpath(info.dli_fname, resolved) ? resolved : info.dli_fname);
  }
};

}  // namespace

std::unique_ptr<ModuleLoader> MakeDlModuleLoader() { return std::make_unique<DlModuleLoader>(); }

}  // namespace oro::platform::linux_host
