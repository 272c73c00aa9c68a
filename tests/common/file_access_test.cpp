#include <sys/stat.h>

#include <fstream>

#include "oro/common/file_access.h"
#include "oro/platform/text.h"
#include "registry_test_fixture.h"

namespace oro::test {
namespace {

using common::GetFileAccess;
namespace rid = common::rid;

constexpr std::uint32_t kRead = 0x120089;
constexpr std::uint32_t kWrite = 0x120116;
constexpr std::uint32_t kExecute = 0x1200A0;

class FileAccessTest : public ::testing::Test {
 protected:
  std::wstring FileWithMode(const std::string& name, mode_t mode) {
    const std::string path = root_.Path() + "/" + name;
    std::ofstream(path) << "x";
    EXPECT_EQ(chmod(path.c_str(), mode), 0);
    return platform::FromUtf8(path);
  }
  TempRoot root_;
};

TEST_F(FileAccessTest, ServiceAccountsGetWhatOthersMayDo) {
  EXPECT_EQ(GetFileAccess(FileWithMode("ro", 0644), rid::kLocalService), kRead);
  EXPECT_EQ(GetFileAccess(FileWithMode("rw", 0606), rid::kNetworkService), kRead | kWrite);
  EXPECT_EQ(GetFileAccess(FileWithMode("rx", 0755), rid::kLocalService), kRead | kExecute);
  EXPECT_EQ(GetFileAccess(FileWithMode("all", 0777), rid::kNetworkService), kRead | kWrite | kExecute);
  // Owner and group bits do not reach an account that is neither.
  EXPECT_EQ(GetFileAccess(FileWithMode("private", 0770), rid::kLocalService), 0u);
  EXPECT_EQ(GetFileAccess(FileWithMode("wonly", 0002), rid::kLocalService), kWrite);
}

TEST_F(FileAccessTest, LocalSystemHasFullAccessAndNamesMayBeChinese) {
  EXPECT_EQ(GetFileAccess(FileWithMode("none", 0000), rid::kLocalSystem), 0x1F01FFu);
  EXPECT_EQ(GetFileAccess(FileWithMode("\xe8\x80\xb3\xe6\x9c\xba.exe", 0754), rid::kLocalService), kRead);
}

TEST_F(FileAccessTest, MissingFilesAndUnknownAccountsAreErrors) {
  const std::wstring missing = platform::FromUtf8(root_.Path() + "/missing.exe");
  EXPECT_EQ(ErrorOf([&] { GetFileAccess(missing, rid::kLocalSystem); }),
            L"Error in GetNamedSecurityInfoW while getting file access");
  EXPECT_EQ(ErrorOf([&] { GetFileAccess(missing, 99); }), L"Error in GetNamedSecurityInfoW while getting file access");
  EXPECT_EQ(ErrorOf([&] { GetFileAccess(FileWithMode("f", 0644), 21); }),
            L"Error in AllocateAndInitializeSid while getting file access");
}

}  // namespace
}  // namespace oro::test
