// State folders on Windows: ORO_ROOT when given, else the kit's folder under
// ProgramData (machine-wide state, as the registry is machine-wide).
#include <cstdlib>
#include <string>

#include "oro/platform/platform.h"

namespace oro::platform {

StatePaths ResolveStatePaths(const char* oro_root) {
  std::string root;
  if (oro_root && *oro_root) {
    root = oro_root;
    while (root.size() > 3 && (root.back() == '/' || root.back() == '\\')) root.pop_back();
  } else {
    const char* program_data = std::getenv("ProgramData");
    root = std::string(program_data && *program_data ? program_data : "C:\\ProgramData") + "\\OroSoundKit";
  }
  StatePaths p;
  p.state_dir = root;
  p.registry_db.clear();  // the registry is the system's own
  p.run_dir = root + "\\run";
  p.sim_dir = root + "\\sim";
  return p;
}

}  // namespace oro::platform
