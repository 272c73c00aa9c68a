// oroctl's sub-commands. Each command file registers itself with a static
// CommandRegistrar, so the main program needs no list of them. Dispatch,
// errors and --help are the ones oro-sim uses too (oro/tools/cli/cli.h).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "oro/tools/cli/cli.h"

namespace oro::tools {

using cli::Args;
using cli::Command;
using cli::Fail;
using cli::FailCode;
using cli::UsageError;

void RegisterCommand(Command command);
const std::vector<Command>& Commands();

struct CommandRegistrar {
  explicit CommandRegistrar(Command command) { RegisterCommand(std::move(command)); }
};

}  // namespace oro::tools
