// oroctl's sub-commands. Each command file registers itself with a static
// CommandRegistrar, so the main program needs no list of them.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace oro::tools {

using Args = std::vector<std::string>;

struct Command {
  std::string name;     // first word on the command line ("reg", "volume", ...)
  std::string summary;  // one line for the usage text
  // Arguments after the command's name; the exit status is returned.
  std::function<int(const Args&)> run;
};

void RegisterCommand(Command command);
const std::vector<Command>& Commands();

struct CommandRegistrar {
  explicit CommandRegistrar(Command command) { RegisterCommand(std::move(command)); }
};

// Prints "oroctl: <message>" to standard error and returns the usage status (2).
int UsageError(const std::string& message);
// Prints "oroctl: <message>" to standard error and returns 1.
int Fail(const std::string& message);

}  // namespace oro::tools
