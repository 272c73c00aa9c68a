// Registration entry points: both classes appear as an in-process server
// with this file's path and the default processing mode, and go again.
#include <limits.h>

#include <fstream>

#include "apo_library.h"
#include "oro/common/registry_access.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/text.h"

namespace oro::test {
namespace {

const std::wstring kClsidRoot = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\";
const std::wstring kApoRoot = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\AudioEngine\\AudioProcessingObjects\\";
const std::wstring kClasses[] = {L"{7E473820-7159-4426-A7D7-123DD7EB697D}", L"{D2C675CA-6F7D-446C-BE57-296224C134A6}"};

class ApoRegistrationTest : public ApoTest {
 protected:
  platform::Platform Store() {
    return platform::MakePlatform(platform::Profile::kSim, platform::ResolveStatePaths(root_.Path().c_str()));
  }
};

TEST_F(ApoRegistrationTest, RegistersBothClassesWithTheirPathAndMode) {
  ASSERT_EQ(apo_.Register(), ORO_APO_S_OK);
  auto p = Store();
  common::RegistryAccess reg(*p.registry);
  char real[PATH_MAX];
  ASSERT_TRUE(realpath(BuiltFile("OroSoundAPO.so").c_str(), real));
  for (const auto& id : kClasses) {
    SCOPED_TRACE(platform::ToUtf8(id));
    EXPECT_EQ(reg.ReadString(kClsidRoot + id + L"\\InprocServer32", L""), platform::FromUtf8(real));
    EXPECT_EQ(reg.ReadString(kClsidRoot + id + L"\\InprocServer32", L"ThreadingModel"), L"Both");
    EXPECT_FALSE(reg.ReadString(kClsidRoot + id, L"").empty());
    EXPECT_EQ(reg.ReadMultiString(kApoRoot + id, L"ProcessingModes"),
              std::vector<std::wstring>{L"{C18E2F7E-933D-4965-B7D1-1EEF228D2AF3}"});
  }
  // Registering again leaves one consistent entry.
  ASSERT_EQ(apo_.Register(), ORO_APO_S_OK);
  EXPECT_EQ(reg.EnumerateSubKeys(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID").size(), 2u);
}

TEST_F(ApoRegistrationTest, UnregisterRemovesTheClassesAndToleratesAbsence) {
  ASSERT_EQ(apo_.Unregister(), ORO_APO_S_OK) << "nothing registered is not a failure";
  ASSERT_EQ(apo_.Register(), ORO_APO_S_OK);
  auto p = Store();
  common::RegistryAccess reg(*p.registry);
  reg.WriteString(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID", L"keep", L"other servers stay");
  ASSERT_EQ(apo_.Unregister(), ORO_APO_S_OK);
  for (const auto& id : kClasses) {
    EXPECT_FALSE(reg.KeyExists(kClsidRoot + id));
    EXPECT_FALSE(reg.KeyExists(kApoRoot + id));
  }
  EXPECT_EQ(reg.ReadString(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID", L"keep"), L"other servers stay");
}

TEST_F(ApoRegistrationTest, UnusableStoreGivesTheClassFailureCode) {
  // The state folder is a file: no store can be opened there.
  const std::string blocked = root_.Path() + "/blocked";
  std::ofstream(blocked) << "x";
  setenv("ORO_ROOT", blocked.c_str(), 1);
  EXPECT_EQ(apo_.Register(), ORO_APO_SELFREG_E_CLASS);
  EXPECT_EQ(apo_.Unregister(), ORO_APO_SELFREG_E_CLASS);

  setenv("ORO_ROOT", root_.Path().c_str(), 1);
  setenv("ORO_PLATFORM", "nonsense", 1);
  EXPECT_EQ(apo_.Register(), ORO_APO_SELFREG_E_CLASS);
}

}  // namespace
}  // namespace oro::test
