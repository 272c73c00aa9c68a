// The simulated machine's processes are real processes, but the machine only
// sees its own: those started with its state folder in ORO_ROOT and the sim
// profile. Every process the adapter starts carries both, so tests working
// side by side in different folders never see each other's programs.
//
// Elevation is simulated: a process is elevated when it was restarted
// elevated (ORO_SIM_ELEVATED=1 in its environment) or the machine says its
// user administers it ("UserIsAdmin" under SOFTWARE\OroSim\System, 1 when
// absent, as the user owns a store in their own folder). The console session
// is "ConsoleSession" there (1 when absent, 0xFFFFFFFF for nobody).
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "oro/platform/linux/procfs.h"
#include "oro/platform/sim/sim_adapters.h"
#include "oro/platform/sim/sim_layout.h"
#include "oro/platform/text.h"
#include "store_values.h"

namespace oro::platform::sim {
namespace {

constexpr const char* kElevatedVar = "ORO_SIM_ELEVATED";
constexpr const char* kSessionVar = "ORO_SIM_SESSION";
constexpr const wchar_t* kUserIsAdmin = L"UserIsAdmin";
constexpr const wchar_t* kConsoleSession = L"ConsoleSession";
constexpr const wchar_t* kSessionStarts = L"SessionStarts";
constexpr std::size_t kMaxSessionStarts = 64;

using Env = std::vector<std::pair<std::string, std::string>>;

class SimProcessTable final : public ProcessTable {
 public:
  SimProcessTable(std::shared_ptr<RegistryStore> store, std::string state_dir)
      : store_(std::move(store)), state_dir_(std::move(state_dir)) {
    while (state_dir_.size() > 1 && state_dir_.back() == '/') state_dir_.pop_back();
  }

  ErrorCode Snapshot(std::vector<ProcessEntry>* out) override {
    const std::string root_tag = "ORO_ROOT=" + state_dir_;
    return linux_host::ReadProcesses(
        [&](pid_t pid) {
          bool in_root = false, sim = false;
          for (const auto& e : linux_host::ProcessEnvironment(pid)) {
            std::string entry = e;
            if (entry.rfind("ORO_ROOT=", 0) == 0) {
              while (entry.size() > 9 + 1 && entry.back() == '/') entry.pop_back();
              in_root = entry == root_tag;
            }
            sim = sim || e == "ORO_PLATFORM=sim";
          }
          return in_root && sim;
        },
        out);
  }

  ErrorCode Terminate(const ProcessEntry& process) override {
    // Only the machine's own programs can be reached from inside it.
    const std::vector<ProcessEntry> seen = Own();
    for (const auto& p : seen) {
      if (p.id == process.id && p.start_mark == process.start_mark) return linux_host::TerminateProcess(process);
    }
    return err::kInvalidParameter;
  }

  ErrorCode Start(const StartRequest& request, std::int64_t* id) override {
    return linux_host::SpawnDetached(request, Tags({}), nullptr, id);
  }

  ErrorCode OwnExecutablePath(std::wstring* out) override {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return linux_host::CodeFromErrno(errno);
    *out = FromUtf8(std::string(buf, static_cast<std::size_t>(n)));
    return err::kSuccess;
  }

  bool IsElevated() override {
    const char* v = std::getenv(kElevatedVar);
    if (v && std::strcmp(v, "1") == 0) return true;
    std::uint32_t admin = 1;
    ReadDword(*store_, layout::kSystemKey, kUserIsAdmin, &admin);
    return admin != 0;
  }

  ErrorCode RestartElevated() override {
    StartRequest r;
    if (ErrorCode rc = OwnExecutablePath(&r.program)) return rc;
    return linux_host::SpawnDetached(r, Tags({{kElevatedVar, "1"}}), nullptr, nullptr);
  }

  ErrorCode ConsoleSession(std::uint32_t* session) override {
    std::uint32_t s = 1;
    const ErrorCode rc = ReadDword(*store_, layout::kSystemKey, kConsoleSession, &s);
    if (rc && rc != err::kFileNotFound) return rc;
    *session = s;
    return err::kSuccess;
  }

  ErrorCode StartInSession(std::uint32_t session, const StartRequest& request, std::int64_t* id) override {
    std::uint32_t console = 0;
    if (ErrorCode rc = ConsoleSession(&console)) return rc;
    if (session == kNoConsoleSession || session != console) return err::kNoToken;
    std::int64_t pid = 0;
    const ErrorCode rc =
        linux_host::SpawnDetached(request, Tags({{kSessionVar, std::to_string(session)}}), nullptr, &pid);
    if (rc) return rc;
    if (id) *id = pid;
    // The machine keeps what it started in the user's session, so a start
    // can be seen where its program cannot show itself (no display).
    std::vector<std::wstring> starts;
    ReadSessionStarts(*store_, &starts);
    if (starts.size() >= kMaxSessionStarts) starts.erase(starts.begin());
    std::wstring line =
        L"session " + std::to_wstring(session) + L" pid " + std::to_wstring(pid) + L" " + request.program;
    for (const auto& a : request.args) line += L" " + a;
    starts.push_back(line);
    WriteMultiString(*store_, layout::kSystemKey, kSessionStarts, starts);
    return err::kSuccess;
  }

 private:
  std::vector<ProcessEntry> Own() {
    std::vector<ProcessEntry> out;
    Snapshot(&out);
    return out;
  }

  Env Tags(Env extra) const {
    extra.emplace_back("ORO_ROOT", state_dir_);
    extra.emplace_back("ORO_PLATFORM", "sim");
    return extra;
  }

  std::shared_ptr<RegistryStore> store_;
  std::string state_dir_;
};

}  // namespace

ErrorCode ReadSessionStarts(RegistryStore& store, std::vector<std::wstring>* out) {
  out->clear();
  const ErrorCode rc = ReadMultiString(store, layout::kSystemKey, kSessionStarts, out);
  out->erase(std::remove(out->begin(), out->end(), std::wstring()), out->end());
  return rc == err::kFileNotFound ? err::kSuccess : rc;
}

std::unique_ptr<ProcessTable> MakeSimProcessTable(std::shared_ptr<RegistryStore> store, const std::string& state_dir) {
  return std::make_unique<SimProcessTable>(std::move(store), state_dir);
}

}  // namespace oro::platform::sim
