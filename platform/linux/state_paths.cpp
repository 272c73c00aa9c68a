#include <unistd.h>

#include <cstdlib>
#include <string>

#include "oro/platform/platform.h"

namespace oro::platform {
namespace {

StatePaths FromFolders(const std::string& state, const std::string& run) {
  StatePaths p;
  p.state_dir = state;
  p.registry_db = state + "/registry.db";
  p.run_dir = run;
  p.sim_dir = state + "/sim";
  return p;
}

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return (v && *v) ? std::string(v) : fallback;
}

}  // namespace

StatePaths ResolveStatePaths(const char* oro_root) {
  if (oro_root && *oro_root) {
    std::string root(oro_root);
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    return FromFolders(root, root + "/run");
  }
  if (geteuid() == 0) return FromFolders("/var/lib/orosound", "/run/orosound");
  const std::string home = EnvOr("HOME", "/tmp");
  const std::string state = EnvOr("XDG_STATE_HOME", home + "/.local/state") + "/orosound";
  const char* xdg_run = std::getenv("XDG_RUNTIME_DIR");
  const std::string run =
      (xdg_run && *xdg_run) ? std::string(xdg_run) + "/orosound" : "/tmp/orosound-" + std::to_string(geteuid());
  return FromFolders(state, run);
}

}  // namespace oro::platform
