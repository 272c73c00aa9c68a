#include "oro/platform/install_layout.h"

namespace oro::platform {
namespace {

// usrmerge makes /bin and /lib the same folders as /usr/bin and /usr/lib.
bool SameFolder(std::string a, const std::string& b) {
  while (a.size() > 1 && a.back() == '/') a.pop_back();
  if (a == b) return true;
  return b.rfind("/usr/", 0) == 0 && a == b.substr(4);
}

}  // namespace

const InstallLayout& InstalledLayout() {
  static const InstallLayout layout{ORO_INSTALL_BINDIR, ORO_INSTALL_LIBDIR, ORO_INSTALL_LADSPADIR, ORO_INSTALL_DATADIR};
  return layout;
}

std::string ProcessingObjectFolder(const std::string& module_folder, const InstallLayout& layout) {
  if (SameFolder(module_folder, layout.bin_dir) || SameFolder(module_folder, layout.lib_dir)) return layout.ladspa_dir;
  return module_folder;
}

std::string PanelDataFolder(const std::string& program_folder, const InstallLayout& layout) {
  return SameFolder(program_folder, layout.bin_dir) ? layout.data_dir : program_folder;
}

}  // namespace oro::platform
