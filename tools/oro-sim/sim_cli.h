// Shared pieces of oro-sim's sub-commands: the state folder's store, argument
// parsing and messages. Exit status: 0 done, 1 failed, 2 bad usage.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "oro/platform/platform.h"
#include "oro/platform/sim/sim_machine.h"
#include "oro/tools/cli/cli.h"
#include "oro/tools/cli/endpoint_names.h"

namespace oro::tools::sim {

using cli::Args;
using cli::Fail;
using cli::FailCode;
using cli::FlowName;
using cli::kBadUsage;
using cli::kFailed;
using cli::RoleName;
using cli::StateName;
using cli::UsageError;
using platform::sim::SimEndpoint;
using platform::sim::SimMachine;

struct Session {
  platform::Platform platform;
  std::unique_ptr<SimMachine> machine;
};

// The simulated machine of ORO_ROOT (or the default state folder). Returns 0,
// or the exit status after printing why the store cannot be used or, unless
// allow_incomplete, that the machine was left half-made by an interrupted create.
int OpenSession(Session* session, bool allow_incomplete = false);

// What to say about a machine an interrupted create left behind.
std::string IncompleteMachine(const std::string& state_dir);

std::string Narrow(const std::wstring& text);
std::wstring Widen(const std::string& text);

// "render" or "capture".
bool ParseFlow(const std::string& text, platform::Flow* flow);
// Whole decimal number within [min, max].
bool ParseNumber(const std::string& text, long min, long max, long* out);

// An endpoint by id, key name or alias; prints the error and returns its exit
// status when there is none.
int FindEndpoint(SimMachine& machine, const std::string& ref, SimEndpoint* out);
// FLOW (the default multimedia endpoint of the flow) or ENDPOINT.
int FindTarget(SimMachine& machine, const std::string& ref, SimEndpoint* out);

// The percentage the kit's volume export reads for a scalar.
int Percent(float scalar);

int CmdCreate(const Args& args);
int CmdOsVersion(const Args& args);
int CmdLocale(const Args& args);
int CmdList(const Args& args);
int CmdAdd(const Args& args);
int CmdPlug(const Args& args);
int CmdUnplug(const Args& args);
int CmdDefault(const Args& args);
int CmdVolume(const Args& args);
int CmdMute(const Args& args);
int CmdService(const Args& args);
int CmdStarted(const Args& args);
int CmdHid(const Args& args);
// The headset's or the dongle's own commands.
int CmdHidDevice(const std::string& device, const Args& args);

}  // namespace oro::tools::sim
