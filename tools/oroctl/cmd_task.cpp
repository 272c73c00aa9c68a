// oroctl task: helper programs by executable name, through the device
// library's exports as the panel uses them.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "command.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/text.h"
#include "oro_ecd_api.h"

namespace oro::tools {
namespace {

constexpr const char* kUsage =
    "usage: oroctl task list\n"
    "       oroctl task start NAME [--folder DIR] [--params TEXT]\n"
    "       oroctl task kill NAME\n"
    "       oroctl task running NAME\n\n"
    "NAME is an executable file name without a folder (normal.exe), matched ignoring case.\n"
    "start runs DIR/NAME, or NAME in the kit's install folder, and exits 1 when it could\n"
    "not; running exits 0 when a program of that name runs and 1 when none does.";

int List() {
  platform::Platform p = platform::MakePlatformFromEnvironment();
  std::vector<platform::ProcessEntry> all;
  if (!p.processes) return Fail("this platform has no process table");
  if (auto rc = p.processes->Snapshot(&all)) return FailCode("cannot list the running programs", rc);
  for (const auto& e : all) std::printf("%lld\t%s\n", static_cast<long long>(e.id), platform::ToUtf8(e.name).c_str());
  return 0;
}

// Runs _start_task and passes on what it printed. The export reports a
// failure only by its "failed start" line, so that line decides the status.
int Start(const std::wstring& name, const wchar_t* params, const wchar_t* folder) {
  std::fflush(stdout);
  std::FILE* capture = std::tmpfile();
  const int saved = capture ? dup(STDOUT_FILENO) : -1;
  if (saved < 0 || dup2(fileno(capture), STDOUT_FILENO) < 0) {
    if (capture) std::fclose(capture);
    if (saved >= 0) close(saved);
    return Fail("cannot capture what the start prints");
  }
  _start_task(name.c_str(), params, 1, folder);
  std::fflush(stdout);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  std::string printed;
  std::rewind(capture);
  char buffer[512];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, capture)) > 0;) printed.append(buffer, n);
  std::fclose(capture);
  if (printed.rfind("failed start ", 0) == 0) {
    // The line names a program the caller gave; it may hold control characters.
    while (!printed.empty() && (printed.back() == '\n' || printed.back() == '\r')) printed.pop_back();
    return Fail(cli::Printable(printed));
  }
  std::fputs(printed.c_str(), stdout);
  return 0;
}

int Run(const Args& args) {
  if (args.size() == 1 && args[0] == "list") return List();
  if (args.size() < 2) return UsageError(std::string("task needs an operation and a name\n") + kUsage);
  const std::string& op = args[0];
  const std::wstring name = platform::FromUtf8(args[1]);
  if (op == "start") {
    std::wstring folder, params;
    bool has_folder = false, has_params = false;
    for (std::size_t i = 2; i < args.size(); ++i) {
      if (i + 1 >= args.size()) return UsageError("missing value after " + args[i]);
      if (args[i] == "--folder") {
        folder = platform::FromUtf8(args[++i]);
        has_folder = true;
      } else if (args[i] == "--params") {
        params = platform::FromUtf8(args[++i]);
        has_params = true;
      } else {
        return UsageError("unknown option '" + args[i] + "'");
      }
    }
    return Start(name, has_params ? params.c_str() : nullptr, has_folder ? folder.c_str() : nullptr);
  }
  if (args.size() != 2) return UsageError(std::string("wrong number of arguments\n") + kUsage);
  if (op == "kill") {
    _kill_task(name.c_str());
    return 0;
  }
  if (op == "running") {
    const bool running = _is_task_running(name.c_str()) == 1;
    std::printf("%s\n", running ? "running" : "not running");
    return running ? 0 : 1;
  }
  return UsageError("unknown task operation '" + op + "'\n" + kUsage);
}

const CommandRegistrar kRegistrar{{"task", "start, end and find helper programs by name", Run, kUsage}};

}  // namespace
}  // namespace oro::tools
