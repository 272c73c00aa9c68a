// The library as a C program loads it: every export of its list present, and
// the set-up exports called from a program that lives in another folder.
#include <stdlib.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "oro/common/registry_access.h"
#include "oro/platform/make_platform.h"
#include "temp_root.h"

namespace oro::test {
namespace {

namespace fs = std::filesystem;

class SetupExportsItest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("ORO_PLATFORM", "sim", 1);
    setenv("ORO_ROOT", root_.Path().c_str(), 1);
    ASSERT_EQ(RunCommand(BuiltFile("oro-sim") + " create >/dev/null"), 0);
    // The probe runs from a folder of its own, without the processing object beside it.
    folder_ = root_.Path() + "/program";
    fs::create_directories(folder_);
    fs::copy_file(BuiltFile("c_export_probe"), folder_ + "/c_export_probe");
  }
  std::string Probe(const std::string& what, int* status) {
    std::string out;
    *status = RunCommand(folder_ + "/c_export_probe " + BuiltFile("liboro_ecd_api.so") + " " + what, &out);
    // Messages for the user come first on the shared stream; the result is the last line.
    if (!out.empty() && out.back() == '\n') out.pop_back();
    return out.substr(out.rfind('\n') == std::string::npos ? 0 : out.rfind('\n') + 1);
  }

  TempRoot root_;
  std::string folder_;
};

TEST_F(SetupExportsItest, EveryExportIsThereForAPlainCCaller) {
  int status = -1;
  const std::string out = Probe("list", &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out, "42 of 42 exports");
}

TEST_F(SetupExportsItest, UnInitWithoutTheProcessingObjectBesideTheProgramChangesNothing) {
  platform::Platform p = platform::MakePlatformFromEnvironment();
  common::RegistryAccess reg(*p.registry);
  reg.CreateKey(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit");
  reg.WriteString(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit", L"InstallPath", L"/opt/kit");
  int status = -1;
  EXPECT_EQ(Probe("uninit", &status), "-3");
  EXPECT_EQ(reg.ReadString(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit", L"InstallPath"), L"/opt/kit");

  // init from that folder records it, whatever its path.
  EXPECT_EQ(Probe("init", &status), "0");
  EXPECT_EQ(reg.ReadString(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit", L"InstallPath"),
            std::wstring(folder_.begin(), folder_.end()));
}

}  // namespace
}  // namespace oro::test
