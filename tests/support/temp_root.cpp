#include "temp_root.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace oro::test {

TempRoot::TempRoot() {
  const char* tmp = std::getenv("TMPDIR");
  std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/oro-test-XXXXXX";
  if (!mkdtemp(templ.data())) throw std::runtime_error("cannot create a temporary folder under " + templ);
  path_ = templ;
}

TempRoot::~TempRoot() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

int RunCommand(const std::string& command, std::string* out) {
  std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return -1;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) {
    if (out) out->append(buf, n);
  }
  int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string BuiltFile(const std::string& name) { return std::string(ORO_BIN_DIR) + "/" + name; }

}  // namespace oro::test
