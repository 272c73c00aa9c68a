// Services of the simulated machine, kept in the settings store:
//
//   HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\<name>
//       "DependOnService"  MULTI_SZ  services this one needs running
//       "SimState"         DWORD     the service state (1 stopped ... 7 paused)
//       "SimTarget"        DWORD     while pending: the state it settles in
//       "SimDue"           QWORD     while pending: when it settles, in ms of
//                                    the machine's monotonic clock
//       "SimStartDelay", "SimStopDelay"        DWORD  ms a start or stop takes
//       "SimStartFailure", "SimStopFailure"    DWORD  error code the start or
//                                    stop request is refused with (0: none)
//       "SimStartAborts", "SimStopAborts"      DWORD  1: the start (stop) is
//                                    accepted but the service falls back to
//                                    stopped (running) once the delay is over
//
// A pending service settles when somebody next reads its state, so no process
// has to stay behind to move it along; every process reads the same clock.
//
// A service with an "ImagePath" (one registered through the manager, such as
// the kit's own) is a real program: a start runs it, tagged with the state
// folder and ORO_SIM_SERVICE=<name>, and from then on its state is what the
// program reports through the simulated service host:
//       "SimProcessId", "SimProcessMark"  QWORD  the program's process and
//                                    its start mark; a program that is gone
//                                    reads stopped (exit code 1067)
//       "SimAccepts"       DWORD     controls its last report accepted
//       "SimExitCode"      DWORD     Win32 exit code of its last report
//       "SimControl"       QWORD     last control sent: sequence << 8 | code
//       "SimReports"       MULTI_SZ  every report since the start, "state:exit"
// Its start and stop delays stretch the program's own start-up and stop,
// after it has reported starting or stopping; refusals work as for any other.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "oro/platform/clock.h"
#include "oro/platform/registry_store.h"

namespace oro::platform::sim {

constexpr const wchar_t* kServicesKey = L"SYSTEM\\CurrentControlSet\\Services";

struct SimService {
  std::wstring name;
  std::uint32_t state = 1;  // svcstate::kStopped
  std::vector<std::wstring> depends_on;
  std::uint32_t start_delay_ms = 0;
  std::uint32_t stop_delay_ms = 0;
  std::uint32_t start_failure = 0;
  std::uint32_t stop_failure = 0;
  bool start_aborts = false;
  bool stop_aborts = false;
};

class SimServices {
 public:
  SimServices(RegistryStore& store, Clock& clock) : store_(store), clock_(clock) {}
  // state_dir: the machine's state folder, which a service program started
  // from here runs in. Without one such a start fails with err::kNotSupported.
  SimServices(RegistryStore& store, Clock& clock, std::string state_dir)
      : store_(store), clock_(clock), state_dir_(std::move(state_dir)) {}

  // err::kServiceExists when the name is taken, err::kInvalidParameter for a
  // name that is empty, has a backslash or a control character.
  ErrorCode Add(const SimService& service);
  ErrorCode Remove(const std::wstring& name);
  // Every service in the store's order, states settled.
  ErrorCode List(std::vector<SimService>* out);
  // err::kServiceDoesNotExist for an unknown name.
  ErrorCode Load(const std::wstring& name, SimService* out);
  // Writes everything but the name and the state.
  ErrorCode Configure(const SimService& service);
  // Puts the service in a state at once (a test's or person's override).
  ErrorCode ForceState(const std::wstring& name, std::uint32_t state);

  ErrorCode GetState(const std::wstring& name, std::uint32_t* state);
  ErrorCode Start(const std::wstring& name);
  ErrorCode Stop(const std::wstring& name, std::uint32_t* state);
  ErrorCode ActiveDependents(const std::wstring& name, std::vector<std::wstring>* out);
  // Sends any control to a service program (stop, interrogate, shutdown);
  // err::kServiceCannotAcceptCtrl when its last report did not accept it.
  // Stop() sends the stop control this way.
  ErrorCode SendControl(const std::wstring& name, std::uint32_t control, std::uint32_t* state);
  // The states a service program reported since its start, in order.
  ErrorCode Reports(const std::wstring& name, std::vector<std::wstring>* out);

  static bool ValidName(const std::wstring& name);

 private:
  ErrorCode Settle(const std::wstring& key, std::uint32_t* state);
  ErrorCode Begin(const std::wstring& key, std::uint32_t pending, std::uint32_t target, std::uint32_t delay_ms);
  ErrorCode KeyOf(const std::wstring& name, std::wstring* key);
  ErrorCode CollectDependents(const std::wstring& name, std::vector<std::wstring>* out,
                              std::vector<std::wstring>* seen);

  bool Hosted(const std::wstring& key);
  ErrorCode StartProgram(const std::wstring& key);
  ErrorCode SettleProgram(const std::wstring& key, std::uint32_t* state);

  RegistryStore& store_;
  Clock& clock_;
  std::string state_dir_;
};

}  // namespace oro::platform::sim
