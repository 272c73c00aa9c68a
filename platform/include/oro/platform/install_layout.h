// Where the kit's files are once installed. A program (or the library) that
// runs from the installed program or library folder finds the processing
// object and the panel's data in their own installed folders; run from
// anywhere else, a build tree or an unpacked copy, it finds them beside
// itself, as it always has.
#pragma once

#include <string>

namespace oro::platform {

struct InstallLayout {
  std::string bin_dir;     // the programs
  std::string lib_dir;     // the device library
  std::string ladspa_dir;  // the processing object, which is also the sound server's LADSPA plugin
  std::string data_dir;    // the panel's translations
};

// The folders this build installs to (absolute, from its install prefix).
const InstallLayout& InstalledLayout();

// The folder holding the processing object for code that runs from
// `module_folder` (a program's or library's folder, without a trailing
// separator).
std::string ProcessingObjectFolder(const std::string& module_folder, const InstallLayout& layout = InstalledLayout());
// The folder holding "translations/" for a panel that runs from `program_folder`.
std::string PanelDataFolder(const std::string& program_folder, const InstallLayout& layout = InstalledLayout());

}  // namespace oro::platform
