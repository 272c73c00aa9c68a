// restart_probe: RestartElevated from a program of its own, so the test
// program is not the one started again. With ORO_RESTART_REPORT set it asks
// for the restart and writes "<code>" to REPORT.asked; the copy the shell
// starts (it inherits the environment, stage "restarted") writes its
// argument count to REPORT.restarted and ends.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "oro/platform/windows/windows_adapters.h"

namespace {

void Write(const std::string& file, const std::string& text) {
  if (std::FILE* f = std::fopen((file + ".partial").c_str(), "wb")) {
    std::fputs(text.c_str(), f);
    std::fclose(f);
    std::rename((file + ".partial").c_str(), file.c_str());
  }
}

}  // namespace

int main(int argc, char**) {
  const char* report = std::getenv("ORO_RESTART_REPORT");
  if (!report || !*report) {
    std::fprintf(stderr, "usage: ORO_RESTART_REPORT=FILE restart_probe\n");
    return 2;
  }
  const char* stage = std::getenv("ORO_RESTART_STAGE");
  if (stage && std::string(stage) == "restarted") {
    Write(std::string(report) + ".restarted", std::to_string(argc - 1));
    return 0;
  }
  _putenv_s("ORO_RESTART_STAGE", "restarted");
  const auto rc = oro::platform::windows_host::MakeToolhelpProcessTable()->RestartElevated();
  Write(std::string(report) + ".asked", std::to_string(rc));
  return 0;
}
