#include <clocale>
#include <cstdio>
#include <string>

#include <stdexcept>

#include "command.h"
#include "oro/platform/platform.h"

namespace oro::tools {

namespace {
std::vector<Command>& Registry() {
  static std::vector<Command> commands;
  return commands;
}
}  // namespace

void RegisterCommand(Command command) { Registry().push_back(std::move(command)); }
const std::vector<Command>& Commands() { return Registry(); }

int UsageError(const std::string& message) {
  std::fprintf(stderr, "oroctl: %s\n", message.c_str());
  return 2;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "oroctl: %s\n", message.c_str());
  return 1;
}

}  // namespace oro::tools

namespace {
void PrintUsage(std::FILE* out) {
  std::fprintf(out, "usage: oroctl <command> [arguments]\n\ncommands:\n");
  for (const auto& c : oro::tools::Commands()) std::fprintf(out, "  %-8s %s\n", c.name.c_str(), c.summary.c_str());
  std::fprintf(out, "\nThe profile comes from ORO_PLATFORM (host, sim) and the state folder from ORO_ROOT.\n");
}
}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  if (argc < 2) {
    PrintUsage(stderr);
    return 2;
  }
  const std::string name = argv[1];
  if (name == "-h" || name == "--help" || name == "help") {
    PrintUsage(stdout);
    return 0;
  }
  // Commands that go through the device library would otherwise fall back
  // to the host profile and touch the machine's own store.
  try {
    oro::platform::ProfileFromEnvironment();
  } catch (const std::invalid_argument& e) {
    return oro::tools::UsageError(e.what());
  }
  for (const auto& c : oro::tools::Commands()) {
    if (c.name == name) return c.run(oro::tools::Args(argv + 2, argv + argc));
  }
  PrintUsage(stderr);
  return oro::tools::UsageError("unknown command '" + name + "'");
}
