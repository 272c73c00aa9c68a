// The processing object's own registration, run the way the installation
// runs it: loaded from beside the program, and only when nobody else could
// have changed the file.
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>

#include "apo_fixture.h"
#include "oro/platform/linux/host_adapters.h"
#include "oro/platform/text.h"

namespace oro::test {
namespace {

namespace fs = std::filesystem;
const std::wstring kStreamClassKey =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{7E473820-7159-4426-A7D7-123DD7EB697D}";

class RegisterApoTest : public ApoTestBase {
 protected:
  void SetUp() override {
    MakeMachine(0x000A0000);
    // The object finds its store the way every program of the kit does.
    setenv("ORO_PLATFORM", "sim", 1);
    setenv("ORO_ROOT", root_.Path().c_str(), 1);
  }
  std::wstring Copy(const std::string& folder, mode_t mode) {
    fs::create_directories(root_.Path() + "/" + folder);
    const std::string path = root_.Path() + "/" + folder + "/OroSoundAPO.so";
    fs::copy_file(BuiltFile("OroSoundAPO.so"), path);
    EXPECT_EQ(chmod(path.c_str(), mode), 0);
    return platform::FromUtf8(path);
  }
  std::unique_ptr<platform::ModuleLoader> loader_ = platform::linux_host::MakeDlModuleLoader();
};

TEST_F(RegisterApoTest, EntryPointsRegisterAndUnregisterTheClasses) {
  const std::wstring path = Copy("kit", 0755);
  ASSERT_TRUE(common::RegisterApoDll(*loader_, path, true));
  ASSERT_TRUE(reg_->KeyExists(kStreamClassKey + L"\\InprocServer32"));
  EXPECT_EQ(reg_->ReadString(kStreamClassKey + L"\\InprocServer32", L""), path);
  EXPECT_TRUE(common::RegisterApoDll(*loader_, path, false));
  EXPECT_FALSE(reg_->KeyExists(kStreamClassKey));
}

TEST_F(RegisterApoTest, AnObjectOthersCouldChangeIsNeverRun) {
  EXPECT_FALSE(common::RegisterApoDll(*loader_, Copy("shared", 0775), true));
  EXPECT_FALSE(common::RegisterApoDll(*loader_, platform::FromUtf8(root_.Path() + "/none/OroSoundAPO.so"), true));
  EXPECT_FALSE(reg_->KeyExists(kStreamClassKey));
}

}  // namespace
}  // namespace oro::test
