#include "oro/platform/sim/sim_services.h"

#include <signal.h>

#include <algorithm>

#include "oro/platform/linux/procfs.h"
#include "oro/platform/service_host.h"
#include "oro/platform/service_manager.h"
#include "oro/platform/text.h"
#include "store_values.h"

namespace oro::platform::sim {
namespace {

constexpr const wchar_t* kDependOn = L"DependOnService";
constexpr const wchar_t* kState = L"SimState";
constexpr const wchar_t* kTarget = L"SimTarget";
constexpr const wchar_t* kDue = L"SimDue";
constexpr const wchar_t* kStartDelay = L"SimStartDelay";
constexpr const wchar_t* kStopDelay = L"SimStopDelay";
constexpr const wchar_t* kStartFailure = L"SimStartFailure";
constexpr const wchar_t* kStopFailure = L"SimStopFailure";
constexpr const wchar_t* kStartAborts = L"SimStartAborts";
constexpr const wchar_t* kStopAborts = L"SimStopAborts";
constexpr const wchar_t* kImagePath = L"ImagePath";
constexpr const wchar_t* kProcessId = L"SimProcessId";
constexpr const wchar_t* kProcessMark = L"SimProcessMark";
constexpr const wchar_t* kAccepts = L"SimAccepts";
constexpr const wchar_t* kExitCode = L"SimExitCode";
constexpr const wchar_t* kControl = L"SimControl";
constexpr const wchar_t* kReports = L"SimReports";

// The program and arguments of a command line as the manager keeps it: a
// quoted program path (the kit always quotes), or one up to the first space.
StartRequest ParseImagePath(const std::wstring& line) {
  StartRequest r;
  std::size_t rest = 0;
  if (!line.empty() && line[0] == L'"') {
    const std::size_t close = line.find(L'"', 1);
    r.program = line.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
    rest = close == std::wstring::npos ? line.size() : close + 1;
  } else {
    rest = std::min(line.find(L' '), line.size());
    r.program = line.substr(0, rest);
  }
  while (rest < line.size()) {
    const std::size_t begin = line.find_first_not_of(L' ', rest);
    if (begin == std::wstring::npos) break;
    const std::size_t end = std::min(line.find(L' ', begin), line.size());
    r.args.push_back(line.substr(begin, end - begin));
    rest = end;
  }
  return r;
}

bool Pending(std::uint32_t state) {
  return state == svcstate::kStartPending || state == svcstate::kStopPending || state == svcstate::kContinuePending ||
         state == svcstate::kPausePending;
}

bool ValidState(std::uint32_t state) { return state >= svcstate::kStopped && state <= svcstate::kPaused; }

std::uint32_t DwordOr(RegistryStore& store, const std::wstring& key, const wchar_t* name, std::uint32_t fallback) {
  std::uint32_t v = 0;
  return ReadDword(store, key, name, &v) == err::kSuccess ? v : fallback;
}

bool SameName(const std::wstring& a, const std::wstring& b) { return FoldCase(a) == FoldCase(b); }

}  // namespace

bool SimServices::ValidName(const std::wstring& name) {
  if (name.empty() || name.size() > 256) return false;
  return std::none_of(name.begin(), name.end(), [](wchar_t c) { return c == L'\\' || c == L'/' || c < 0x20; });
}

ErrorCode SimServices::KeyOf(const std::wstring& name, std::wstring* key) {
  if (!ValidName(name)) return err::kServiceDoesNotExist;
  *key = std::wstring(kServicesKey) + L"\\" + name;
  return KeyExists(store_, *key) ? err::kSuccess : err::kServiceDoesNotExist;
}

ErrorCode SimServices::Add(const SimService& service) {
  if (!ValidName(service.name) || !ValidState(service.state)) return err::kInvalidParameter;
  for (const auto& d : service.depends_on) {
    if (!ValidName(d)) return err::kInvalidParameter;
  }
  const std::wstring key = std::wstring(kServicesKey) + L"\\" + service.name;
  if (KeyExists(store_, key)) return err::kServiceExists;
  if (ErrorCode rc = WriteDword(store_, key, kState, Pending(service.state) ? svcstate::kStopped : service.state)) {
    return rc;
  }
  return Configure(service);
}

ErrorCode SimServices::Remove(const std::wstring& name) {
  std::wstring key;
  if (ErrorCode rc = KeyOf(name, &key)) return rc;
  return DeleteTree(store_, key);
}

ErrorCode SimServices::Configure(const SimService& s) {
  std::wstring key;
  if (ErrorCode rc = KeyOf(s.name, &key)) return rc;
  for (const auto& d : s.depends_on) {
    if (!ValidName(d)) return err::kInvalidParameter;
  }
  ErrorCode rc = WriteMultiString(store_, key, kDependOn, s.depends_on);
  if (!rc) rc = WriteDword(store_, key, kStartDelay, s.start_delay_ms);
  if (!rc) rc = WriteDword(store_, key, kStopDelay, s.stop_delay_ms);
  if (!rc) rc = WriteDword(store_, key, kStartFailure, s.start_failure);
  if (!rc) rc = WriteDword(store_, key, kStopFailure, s.stop_failure);
  if (!rc) rc = WriteDword(store_, key, kStartAborts, s.start_aborts ? 1 : 0);
  if (!rc) rc = WriteDword(store_, key, kStopAborts, s.stop_aborts ? 1 : 0);
  return rc;
}

ErrorCode SimServices::Load(const std::wstring& name, SimService* out) {
  std::wstring key;
  if (ErrorCode rc = KeyOf(name, &key)) return rc;
  SimService s;
  // The key's own spelling, as the store keeps it.
  std::vector<std::wstring> all;
  if (ErrorCode rc = ListSubKeys(store_, kServicesKey, &all)) return rc;
  s.name = name;
  for (const auto& n : all) {
    if (SameName(n, name)) s.name = n;
  }
  if (ErrorCode rc = Settle(key, &s.state)) return rc;
  std::vector<std::wstring> deps;
  if (ReadMultiString(store_, key, kDependOn, &deps) == err::kSuccess) {
    for (auto& d : deps) {
      if (!d.empty()) s.depends_on.push_back(std::move(d));
    }
  }
  s.start_delay_ms = DwordOr(store_, key, kStartDelay, 0);
  s.stop_delay_ms = DwordOr(store_, key, kStopDelay, 0);
  s.start_failure = DwordOr(store_, key, kStartFailure, 0);
  s.stop_failure = DwordOr(store_, key, kStopFailure, 0);
  s.start_aborts = DwordOr(store_, key, kStartAborts, 0) != 0;
  s.stop_aborts = DwordOr(store_, key, kStopAborts, 0) != 0;
  *out = std::move(s);
  return err::kSuccess;
}

ErrorCode SimServices::List(std::vector<SimService>* out) {
  std::vector<std::wstring> names;
  if (ErrorCode rc = ListSubKeys(store_, kServicesKey, &names)) return rc;
  out->clear();
  for (const auto& n : names) {
    SimService s;
    if (ErrorCode rc = Load(n, &s)) return rc;
    out->push_back(std::move(s));
  }
  return err::kSuccess;
}

ErrorCode SimServices::ForceState(const std::wstring& name, std::uint32_t state) {
  if (!ValidState(state)) return err::kInvalidParameter;
  std::wstring key;
  if (ErrorCode rc = KeyOf(name, &key)) return rc;
  if (Hosted(key)) {
    // Forced to stopped, the program ends as if it had crashed.
    std::uint64_t pid = 0, mark = 0;
    if (state == svcstate::kStopped && ReadQword(store_, key, kProcessId, &pid) == err::kSuccess && pid != 0 &&
        ReadQword(store_, key, kProcessMark, &mark) == err::kSuccess) {
      ProcessEntry entry;
      entry.id = static_cast<std::int64_t>(pid);
      entry.start_mark = mark;
      linux_host::TerminateProcess(entry);
    }
    return WriteDword(store_, key, kState, state);
  }
  if (Pending(state)) {
    // A pending state needs somewhere to settle: the stable state it leads to.
    const bool to_running = state == svcstate::kStartPending || state == svcstate::kContinuePending;
    const std::uint32_t target = to_running                         ? svcstate::kRunning
                                 : state == svcstate::kPausePending ? svcstate::kPaused
                                                                    : svcstate::kStopped;
    const std::uint32_t delay = DwordOr(store_, key, to_running ? kStartDelay : kStopDelay, 0);
    return Begin(key, state, target, delay);
  }
  return WriteDword(store_, key, kState, state);
}

bool SimServices::Hosted(const std::wstring& key) {
  std::wstring path;
  return ReadString(store_, key, kImagePath, &path) == err::kSuccess && !path.empty();
}

ErrorCode SimServices::SettleProgram(const std::wstring& key, std::uint32_t* state) {
  std::uint32_t s = 0;
  if (ErrorCode rc = ReadDword(store_, key, kState, &s)) return rc == err::kFileNotFound ? err::kRegistryCorrupt : rc;
  if (!ValidState(s)) return err::kRegistryCorrupt;
  std::uint64_t pid = 0, mark = 0;
  if (s != svcstate::kStopped && ReadQword(store_, key, kProcessId, &pid) == err::kSuccess && pid != 0 &&
      ReadQword(store_, key, kProcessMark, &mark) == err::kSuccess &&
      linux_host::ProcessStartMark(static_cast<pid_t>(pid)) != mark) {
    // The program ended without saying so: the manager notices its exit.
    ErrorCode rc = WriteDword(store_, key, kState, svcstate::kStopped);
    if (!rc) rc = WriteDword(store_, key, kExitCode, err::kProcessAborted);
    if (rc) return rc;
    s = svcstate::kStopped;
  }
  *state = s;
  return err::kSuccess;
}

ErrorCode SimServices::StartProgram(const std::wstring& key) {
  if (state_dir_.empty()) return err::kNotSupported;
  std::wstring line;
  if (ErrorCode rc = ReadString(store_, key, kImagePath, &line)) return rc;
  const StartRequest request = ParseImagePath(line);
  std::wstring name = key.substr(key.rfind(L'\\') + 1);
  // Nothing the previous run reported or accepted carries over.
  ErrorCode rc = WriteDword(store_, key, kAccepts, 0);
  if (!rc) rc = WriteDword(store_, key, kExitCode, 0);
  if (!rc) rc = WriteMultiString(store_, key, kReports, {});
  if (!rc) rc = WriteQword(store_, key, kProcessId, 0);
  if (!rc) rc = WriteDword(store_, key, kState, svcstate::kStartPending);
  if (rc) return rc;
  std::int64_t pid = 0;
  rc = linux_host::SpawnDetached(request,
                                 {{"ORO_ROOT", state_dir_}, {"ORO_PLATFORM", "sim"}, {"ORO_SIM_SERVICE", ToUtf8(name)}},
                                 nullptr, &pid, linux_host::SpawnStreams::kNull);
  if (rc) {
    WriteDword(store_, key, kState, svcstate::kStopped);
    return rc;
  }
  rc = WriteQword(store_, key, kProcessMark, linux_host::ProcessStartMark(static_cast<pid_t>(pid)));
  if (!rc) rc = WriteQword(store_, key, kProcessId, static_cast<std::uint64_t>(pid));
  return rc;
}

ErrorCode SimServices::SendControl(const std::wstring& name, std::uint32_t control, std::uint32_t* state) {
  std::wstring key;
  if (ErrorCode rc = KeyOf(name, &key)) return rc;
  if (!Hosted(key)) return err::kNotSupported;
  std::uint32_t s = 0;
  if (ErrorCode rc = SettleProgram(key, &s)) return rc;
  if (s == svcstate::kStopped) return err::kServiceNotActive;
  std::uint32_t accepts = 0;
  ReadDword(store_, key, kAccepts, &accepts);
  const std::uint32_t needed = control == svccontrol::kStop       ? svcaccept::kStop
                               : control == svccontrol::kShutdown ? svcaccept::kShutdown
                                                                  : 0;
  if ((accepts & needed) != needed || (needed && s == svcstate::kStopPending)) return err::kServiceCannotAcceptCtrl;
  std::uint64_t last = 0;
  ReadQword(store_, key, kControl, &last);
  if (ErrorCode rc = WriteQword(store_, key, kControl, (((last >> 8) + 1) << 8) | (control & 0xFF))) return rc;
  if (state) *state = s;
  return err::kSuccess;
}

ErrorCode SimServices::Reports(const std::wstring& name, std::vector<std::wstring>* out) {
  std::wstring key;
  if (ErrorCode rc = KeyOf(name, &key)) return rc;
  out->clear();
  const ErrorCode rc = ReadMultiString(store_, key, kReports, out);
  out->erase(std::remove(out->begin(), out->end(), std::wstring()), out->end());
  return rc == err::kFileNotFound ? err::kSuccess : rc;
}

ErrorCode SimServices::Settle(const std::wstring& key, std::uint32_t* state) {
  if (Hosted(key)) return SettleProgram(key, state);
  std::uint32_t s = 0;
  if (ErrorCode rc = ReadDword(store_, key, kState, &s)) return rc == err::kFileNotFound ? err::kRegistryCorrupt : rc;
  if (!ValidState(s)) return err::kRegistryCorrupt;
  if (Pending(s)) {
    std::uint64_t due = 0;
    std::uint32_t target = 0;
    if (ReadQword(store_, key, kDue, &due) != err::kSuccess ||
        ReadDword(store_, key, kTarget, &target) != err::kSuccess || !ValidState(target) || Pending(target)) {
      return err::kRegistryCorrupt;
    }
    if (static_cast<std::uint64_t>(clock_.Now().count()) >= due) {
      if (ErrorCode rc = WriteDword(store_, key, kState, target)) return rc;
      s = target;
    }
  }
  *state = s;
  return err::kSuccess;
}

ErrorCode SimServices::Begin(const std::wstring& key, std::uint32_t pending, std::uint32_t target,
                             std::uint32_t delay_ms) {
  if (delay_ms == 0) return WriteDword(store_, key, kState, target);
  const auto due = static_cast<std::uint64_t>(clock_.Now().count()) + delay_ms;
  ErrorCode rc = WriteQword(store_, key, kDue, due);
  if (!rc) rc = WriteDword(store_, key, kTarget, target);
  if (!rc) rc = WriteDword(store_, key, kState, pending);
  return rc;
}

ErrorCode SimServices::GetState(const std::wstring& name, std::uint32_t* state) {
  std::wstring key;
  if (ErrorCode rc = KeyOf(name, &key)) return rc;
  return Settle(key, state);
}

ErrorCode SimServices::Start(const std::wstring& name) {
  std::wstring key;
  if (ErrorCode rc = KeyOf(name, &key)) return rc;
  std::uint32_t state = 0;
  if (ErrorCode rc = Settle(key, &state)) return rc;
  if (state != svcstate::kStopped) return err::kServiceAlreadyRunning;
  if (std::uint32_t failure = DwordOr(store_, key, kStartFailure, 0)) return failure;
  if (Hosted(key)) return StartProgram(key);
  const bool aborts = DwordOr(store_, key, kStartAborts, 0) != 0;
  const std::uint32_t delay = DwordOr(store_, key, kStartDelay, 0);
  return Begin(key, svcstate::kStartPending, aborts ? svcstate::kStopped : svcstate::kRunning, delay);
}

ErrorCode SimServices::Stop(const std::wstring& name, std::uint32_t* state) {
  std::wstring key;
  if (ErrorCode rc = KeyOf(name, &key)) return rc;
  std::uint32_t s = 0;
  if (ErrorCode rc = Settle(key, &s)) return rc;
  if (s == svcstate::kStopped) return err::kServiceNotActive;
  // A program decides itself which controls it takes while starting.
  if (Pending(s) && !Hosted(key)) return err::kServiceCannotAcceptCtrl;
  // As on the real system, a service others still run on cannot stop.
  std::vector<std::wstring> dependents;
  if (ErrorCode rc = ActiveDependents(name, &dependents)) return rc;
  if (!dependents.empty()) return err::kDependentServicesRunning;
  if (std::uint32_t failure = DwordOr(store_, key, kStopFailure, 0)) return failure;
  if (Hosted(key)) return SendControl(name, svccontrol::kStop, state);
  const bool aborts = DwordOr(store_, key, kStopAborts, 0) != 0;
  const std::uint32_t delay = DwordOr(store_, key, kStopDelay, 0);
  if (ErrorCode rc = Begin(key, svcstate::kStopPending, aborts ? s : svcstate::kStopped, delay)) return rc;
  return Settle(key, state);
}

ErrorCode SimServices::CollectDependents(const std::wstring& name, std::vector<std::wstring>* out,
                                         std::vector<std::wstring>* seen) {
  std::vector<std::wstring> all;
  if (ErrorCode rc = ListSubKeys(store_, kServicesKey, &all)) return rc;
  for (const auto& candidate : all) {
    const std::wstring key = std::wstring(kServicesKey) + L"\\" + candidate;
    std::vector<std::wstring> deps;
    if (ReadMultiString(store_, key, kDependOn, &deps) != err::kSuccess) continue;
    if (std::none_of(deps.begin(), deps.end(), [&](const std::wstring& d) { return SameName(d, name); })) continue;
    if (std::any_of(seen->begin(), seen->end(), [&](const std::wstring& s) { return SameName(s, candidate); })) {
      continue;  // reached twice, or a dependency cycle
    }
    seen->push_back(candidate);
    std::uint32_t state = 0;
    if (ErrorCode rc = Settle(key, &state)) return rc;
    // Those that depend on the dependent have to stop before it.
    if (ErrorCode rc = CollectDependents(candidate, out, seen)) return rc;
    if (state != svcstate::kStopped) out->push_back(candidate);
  }
  return err::kSuccess;
}

ErrorCode SimServices::ActiveDependents(const std::wstring& name, std::vector<std::wstring>* out) {
  std::wstring key;
  if (ErrorCode rc = KeyOf(name, &key)) return rc;
  out->clear();
  std::vector<std::wstring> seen{name};
  return CollectDependents(name, out, &seen);
}

}  // namespace oro::platform::sim
