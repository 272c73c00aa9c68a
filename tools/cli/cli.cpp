#include "oro/tools/cli/cli.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <exception>

#include "oro/common/error_text.h"
#include "oro/platform/text.h"

namespace oro::tools::cli {
namespace {

std::string& Name() {
  static std::string name = "oro";
  return name;
}

void PrintUsage(const Program& program, std::FILE* out) {
  std::fprintf(out, "usage: %s <command> [arguments]\n\ncommands:\n", program.name.c_str());
  std::size_t width = 0;
  for (const auto& c : program.commands) width = std::max(width, c.name.size());
  for (const auto& c : program.commands) {
    std::fprintf(out, "  %-*s  %s\n", static_cast<int>(width), c.name.c_str(), c.summary.c_str());
  }
  std::fprintf(out, "\n%s --help prints the usage of one command.\n", program.name.c_str());
  if (!program.footer.empty()) std::fprintf(out, "%s", program.footer.c_str());
}

bool AsksForHelp(const Args& args) {
  if (args.size() == 1 && args[0] == "-h") return true;
  for (const auto& a : args) {
    if (a == "--help") return true;
  }
  return false;
}

}  // namespace

const std::string& ProgramName() { return Name(); }
void SetProgramName(const std::string& name) { Name() = name; }

int UsageError(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", Name().c_str(), message.c_str());
  return kBadUsage;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", Name().c_str(), message.c_str());
  return kFailed;
}

int FailCode(const std::string& message, platform::ErrorCode code) {
  std::string text = platform::ToUtf8(common::ErrorText(code));
  if (text.empty()) text = "error " + std::to_string(code);
  return Fail(message + ": " + text + " (" + std::to_string(code) + ")");
}

int Run(const Program& program, int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  SetProgramName(program.name);
  if (argc < 2) {
    PrintUsage(program, stderr);
    return kBadUsage;
  }
  const std::string name = argv[1];
  if (name == "-h" || name == "--help" || name == "help") {
    PrintUsage(program, stdout);
    return kOk;
  }
  for (const auto& c : program.commands) {
    if (c.name != name) continue;
    const Args args(argv + 2, argv + argc);
    if (AsksForHelp(args)) {
      const std::string& text = c.usage.empty() ? c.summary : c.usage;
      std::printf("%s%s", text.c_str(), !text.empty() && text.back() == '\n' ? "" : "\n");
      return kOk;
    }
    try {
      if (program.before_command) {
        if (int rc = program.before_command()) return rc;
      }
      return c.run(args);
    } catch (const std::exception& e) {
      return Fail(std::string("unexpected failure: ") + e.what());
    } catch (...) {
      return Fail("unexpected failure");
    }
  }
  PrintUsage(program, stderr);
  return UsageError("unknown command '" + name + "'");
}

}  // namespace oro::tools::cli
