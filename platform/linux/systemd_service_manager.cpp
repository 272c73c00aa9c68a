// Services of systemd, driven through systemctl.
//
// A kit service name maps to a unit and a manager through the store:
//   HKEY_LOCAL_MACHINE\SOFTWARE\OroSoundKit\Services\<name>
//       "Unit"   SZ  the unit ("pipewire.service")
//       "Scope"  SZ  "system" or "user" (the manager of the calling user)
// Without an entry, "AudioSrv" is the desktop's sound server, PipeWire in the
// user's manager, and any other name is "<name>.service" of the system
// manager (a name with a dot is taken as a unit name as it stands).
//
// Start and stop wait for systemd's job to end, so the state read right
// after is settled and a unit that fails to start reads stopped at once.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>

#include "oro/platform/linux/host_adapters.h"
#include "oro/platform/text.h"

extern char** environ;

namespace oro::platform::linux_host {
namespace {

constexpr const char* kSystemctl = "/usr/bin/systemctl";
constexpr const wchar_t* kConfigKey = L"SOFTWARE\\OroSoundKit\\Services";
constexpr const char* kDefaultAudioUnit = "pipewire.service";

struct UnitRef {
  std::string unit;
  bool user = false;
};

// Runs systemctl with the arguments; its standard output and error go to *out.
int RunSystemctl(const UnitRef& ref, std::vector<std::string> args, std::string* out) {
  std::vector<std::string> all{kSystemctl};
  if (ref.user) all.push_back("--user");
  all.push_back("--no-ask-password");
  for (auto& a : args) all.push_back(std::move(a));
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, kSystemctl, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (rc != 0) {
    close(fds[0]);
    return -1;
  }
  char buf[4096];
  for (;;) {
    const ssize_t n = read(fds[0], buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    if (out) out->append(buf, static_cast<std::size_t>(n));
  }
  close(fds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

ErrorCode Property(const UnitRef& ref, const char* name, std::string* value) {
  std::string out;
  if (RunSystemctl(ref, {"show", "-p", name, "--value", ref.unit}, &out) != 0) return err::kRpcServerUnavailable;
  *value = Trimmed(out);
  return err::kSuccess;
}

// A failed request of systemctl as the kit's code.
ErrorCode RequestFailure(int status, const std::string& text) {
  if (status == 4 || status == 5) return err::kServiceDoesNotExist;
  if (text.find("ccess denied") != std::string::npos || text.find("authentication") != std::string::npos) {
    return err::kAccessDenied;
  }
  return err::kServiceSpecificError;
}

class SystemdService final : public Service {
 public:
  SystemdService(std::wstring name, UnitRef ref) : name_(std::move(name)), ref_(std::move(ref)) {}

  const std::wstring& Name() const override { return name_; }

  ErrorCode GetState(std::uint32_t* state) override {
    std::string active;
    if (ErrorCode rc = Property(ref_, "ActiveState", &active)) return rc;
    if (active == "active" || active == "reloading") {
      *state = svcstate::kRunning;
    } else if (active == "activating") {
      *state = svcstate::kStartPending;
    } else if (active == "deactivating") {
      *state = svcstate::kStopPending;
    } else {
      *state = svcstate::kStopped;
    }
    return err::kSuccess;
  }

  ErrorCode Start() override {
    std::uint32_t state = 0;
    if (ErrorCode rc = GetState(&state)) return rc;
    if (state != svcstate::kStopped) return err::kServiceAlreadyRunning;
    std::string out;
    const int status = RunSystemctl(ref_, {"start", ref_.unit}, &out);
    return status == 0 ? err::kSuccess : RequestFailure(status, out);
  }

  ErrorCode Stop(std::uint32_t* state) override {
    if (ErrorCode rc = GetState(state)) return rc;
    if (*state == svcstate::kStopped) return err::kServiceNotActive;
    if (*state != svcstate::kRunning) return err::kServiceCannotAcceptCtrl;
    std::string out;
    const int status = RunSystemctl(ref_, {"stop", ref_.unit}, &out);
    if (status != 0) return RequestFailure(status, out);
    return GetState(state);
  }

  // Units that require or are bound to this one stop with it; targets are
  // groupings, not services, and stay out.
  ErrorCode ActiveDependents(std::vector<std::wstring>* names) override {
    names->clear();
    std::vector<std::string> seen{ref_.unit};
    return Collect(ref_.unit, names, &seen);
  }

 private:
  ErrorCode Collect(const std::string& unit, std::vector<std::wstring>* names, std::vector<std::string>* seen) {
    std::string out;
    const UnitRef ref{unit, ref_.user};
    if (RunSystemctl(ref, {"show", "-p", "RequiredBy", "-p", "BoundBy", "--value", unit}, &out) != 0) {
      return err::kRpcServerUnavailable;
    }
    std::istringstream words(out);
    std::string dep;
    while (words >> dep) {
      if (dep.size() > 7 && dep.compare(dep.size() - 7, 7, ".target") == 0) continue;
      bool known = false;
      for (const auto& s : *seen) known = known || s == dep;
      if (known) continue;
      seen->push_back(dep);
      if (ErrorCode rc = Collect(dep, names, seen)) return rc;
      std::string active;
      if (Property({dep, ref_.user}, "ActiveState", &active) == err::kSuccess && active != "inactive" &&
          active != "failed") {
        names->push_back(FromUtf8(dep));
      }
    }
    return err::kSuccess;
  }

  // Units are installed and removed by the kit's package, not at run time.
  ErrorCode Delete() override { return err::kNotSupported; }

  std::wstring name_;
  UnitRef ref_;
};

class SystemdServiceManager final : public ServiceManager {
 public:
  explicit SystemdServiceManager(std::shared_ptr<RegistryStore> store) : store_(std::move(store)) {}

  ErrorCode Connect() override {
    struct stat st {};
    if (stat("/run/systemd/system", &st) != 0 || access(kSystemctl, X_OK) != 0) return err::kRpcServerUnavailable;
    return err::kSuccess;
  }

  ErrorCode Open(const std::wstring& name, std::unique_ptr<Service>* out) override {
    if (name.empty()) return err::kInvalidName;
    for (wchar_t c : name) {
      if (c < 0x20 || c == L'/' || c == L'\\') return err::kInvalidName;
    }
    if (ErrorCode rc = Connect()) return rc;
    const UnitRef ref = Resolve(name);
    std::string load;
    if (ErrorCode rc = Property(ref, "LoadState", &load)) return rc;
    if (load != "loaded") return err::kServiceDoesNotExist;
    *out = std::make_unique<SystemdService>(name, ref);
    return err::kSuccess;
  }

  ErrorCode Create(const ServiceConfig&) override { return err::kNotSupported; }

 private:
  std::wstring ReadConfig(const std::wstring& name, const wchar_t* value) {
    KeyHandle h;
    if (!store_ ||
        store_->OpenKey(RootKey::kLocalMachine, std::wstring(kConfigKey) + L"\\" + name, keyaccess::kQueryValue, &h)) {
      return {};
    }
    RegValue v;
    if (store_->QueryValue(h, value, &v) || (v.type != regtype::kSz && v.type != regtype::kExpandSz)) return {};
    std::wstring text = FromUtf16Le(v.data.data(), v.data.size());
    if (auto nul = text.find(L'\0'); nul != std::wstring::npos) text.resize(nul);
    return text;
  }

  UnitRef Resolve(const std::wstring& name) {
    UnitRef ref;
    const std::wstring unit = ReadConfig(name, L"Unit");
    const std::wstring scope = ReadConfig(name, L"Scope");
    if (!unit.empty()) {
      ref.unit = ToUtf8(unit);
      ref.user = FoldCase(scope) == L"USER";
      return ref;
    }
    if (FoldCase(name) == L"AUDIOSRV") {
      ref.unit = kDefaultAudioUnit;
      ref.user = scope.empty() || FoldCase(scope) == L"USER";
      return ref;
    }
    ref.unit = ToUtf8(name);
    if (name.find(L'.') == std::wstring::npos) ref.unit += ".service";
    ref.user = FoldCase(scope) == L"USER";
    return ref;
  }

  std::shared_ptr<RegistryStore> store_;
};

}  // namespace

std::unique_ptr<ServiceManager> MakeSystemdServiceManager(std::shared_ptr<RegistryStore> store) {
  return std::make_unique<SystemdServiceManager>(std::move(store));
}

}  // namespace oro::platform::linux_host
