#include <stdexcept>
#include <string>

#include "command.h"
#include "oro/platform/make_platform.h"

namespace oro::tools {

namespace {
std::vector<Command>& Registry() {
  static std::vector<Command> commands;
  return commands;
}
}  // namespace

void RegisterCommand(Command command) { Registry().push_back(std::move(command)); }
const std::vector<Command>& Commands() { return Registry(); }

}  // namespace oro::tools

int main(int argc, char** argv) {
  oro::tools::cli::Program program;
  program.name = "oroctl";
  program.footer = "\nThe profile comes from ORO_PLATFORM (host, sim) and the state folder from ORO_ROOT.\n";
  program.commands = oro::tools::Commands();
  // Commands that go through the device library would otherwise fall back
  // to the host profile and touch the machine's own store.
  program.before_command = [] {
    try {
      oro::platform::ProfileFromEnvironment();
    } catch (const std::invalid_argument& e) {
      return oro::tools::UsageError(e.what());
    }
    return 0;
  };
  return oro::tools::cli::Run(program, argc, argv);
}
