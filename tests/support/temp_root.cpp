#include "temp_root.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>

namespace oro::test {

#ifdef _WIN32
TempRoot::TempRoot() {
  namespace fs = std::filesystem;
  std::random_device random;
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = base / ("oro-test-" + std::to_string(random()));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      path_ = candidate.generic_string();
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder under " + base.string());
}
#else
TempRoot::TempRoot() {
  const char* tmp = std::getenv("TMPDIR");
  std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/oro-test-XXXXXX";
  if (!mkdtemp(templ.data())) throw std::runtime_error("cannot create a temporary folder under " + templ);
  path_ = templ;
}
#endif

TempRoot::~TempRoot() {
  if (!owned_) return;
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

#ifdef _WIN32
int RunCommand(const std::string& command, std::string* out) {
  std::FILE* pipe = _popen((command + " 2>&1").c_str(), "rb");
  if (!pipe) return -1;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) {
    if (out) out->append(buf, n);
  }
  return _pclose(pipe);
}
#else
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
#endif

#ifdef _WIN32
// A build tree of this Linux machine is seen from Wine as the Z: drive.
std::string BuiltFile(const std::string& name) {
  const std::string dir = ORO_BIN_DIR;
  return (dir.rfind('/', 0) == 0 ? "Z:" : "") + dir + "/" + name;
}

std::string OwnProgram() { return _pgmptr ? std::string(_pgmptr) : std::string(); }
#else
std::string BuiltFile(const std::string& name) { return std::string(ORO_BIN_DIR) + "/" + name; }

std::string OwnProgram() { return std::filesystem::read_symlink("/proc/self/exe").string(); }
#endif

}  // namespace oro::test
