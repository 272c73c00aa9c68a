// Which folder an installed or an uninstalled program takes the processing
// object and the panel's translations from.
#include <gtest/gtest.h>

#include "oro/platform/install_layout.h"

namespace oro::test {
namespace {

using platform::InstallLayout;

const InstallLayout kDebian{"/usr/bin", "/usr/lib/x86_64-linux-gnu", "/usr/lib/ladspa", "/usr/share/orosound"};

TEST(InstallLayout, InstalledProgramsAndTheLibraryFindTheObjectInThePluginFolder) {
  EXPECT_EQ(platform::ProcessingObjectFolder("/usr/bin", kDebian), "/usr/lib/ladspa");
  EXPECT_EQ(platform::ProcessingObjectFolder("/usr/lib/x86_64-linux-gnu", kDebian), "/usr/lib/ladspa");
  EXPECT_EQ(platform::ProcessingObjectFolder("/usr/bin/", kDebian), "/usr/lib/ladspa");
  // The same folders through the merged /usr links.
  EXPECT_EQ(platform::ProcessingObjectFolder("/bin", kDebian), "/usr/lib/ladspa");
  EXPECT_EQ(platform::ProcessingObjectFolder("/lib/x86_64-linux-gnu", kDebian), "/usr/lib/ladspa");
  EXPECT_EQ(platform::PanelDataFolder("/usr/bin", kDebian), "/usr/share/orosound");
  EXPECT_EQ(platform::PanelDataFolder("/bin", kDebian), "/usr/share/orosound");
}

TEST(InstallLayout, EveryOtherFolderKeepsItsFilesBesideTheProgram) {
  for (const char* folder : {"/work/kit/build/bin", "/usr/bin/sub", "/usr/bin2", "/usr/local/bin", "/opt/kit",
                             "/usr/lib", "/bin/x", "", "/"}) {
    SCOPED_TRACE(folder);
    EXPECT_EQ(platform::ProcessingObjectFolder(folder, kDebian), folder);
    EXPECT_EQ(platform::PanelDataFolder(folder, kDebian), folder);
  }
  // The library's folder holds no panel data.
  EXPECT_EQ(platform::PanelDataFolder("/usr/lib/x86_64-linux-gnu", kDebian), "/usr/lib/x86_64-linux-gnu");
}

TEST(InstallLayout, ThisBuildInstallsToAbsoluteFoldersBelowOnePrefix) {
  const InstallLayout& layout = platform::InstalledLayout();
  for (const std::string* dir : {&layout.bin_dir, &layout.lib_dir, &layout.ladspa_dir, &layout.data_dir}) {
    ASSERT_FALSE(dir->empty());
    EXPECT_EQ(dir->front(), '/') << *dir;
  }
  const std::string prefix = layout.bin_dir.substr(0, layout.bin_dir.rfind('/'));
  EXPECT_EQ(layout.ladspa_dir, prefix + "/lib/ladspa");
  EXPECT_EQ(platform::ProcessingObjectFolder(layout.bin_dir), layout.ladspa_dir);
}

}  // namespace
}  // namespace oro::test
