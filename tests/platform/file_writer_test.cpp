// Replacing a file the kit owns: exact mode whatever the umask, only regular
// files or new paths, nothing left behind.
#ifdef _WIN32
#include <aclapi.h>
#include <sddl.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "oro/platform/file_writer.h"
#include "temp_root.h"

namespace oro::platform {
namespace {

namespace fs = std::filesystem;

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

FileWriteError Write(const std::string& path, const std::string& text, std::uint32_t mode, std::string* message) {
  return ReplaceFileContents(path, reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), mode, message);
}

class FileWriterTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_.Path() + "/" + name; }
  std::size_t Entries() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_.Path()), fs::directory_iterator()));
  }
  test::TempRoot dir_;
};

#ifndef _WIN32
TEST_F(FileWriterTest, TheModeIsTheOneAskedForWhateverTheUmask) {
  const mode_t old = umask(0);
  std::string message;
  const FileWriteError created = Write(Path("secret"), "pw", kOwnerOnlyMode, &message);
  // Replacing a file that was readable by all does not keep its mode either.
  std::ofstream(Path("shared"), std::ios::binary) << "old";
  chmod(Path("shared").c_str(), 0666);
  const FileWriteError replaced = Write(Path("shared"), "new", kOwnerOnlyMode, &message);
  umask(old);

  ASSERT_EQ(created, FileWriteError::kNone) << message;
  ASSERT_EQ(replaced, FileWriteError::kNone) << message;
  struct stat st {};
  ASSERT_EQ(stat(Path("secret").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  ASSERT_EQ(stat(Path("shared").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_EQ(Contents(Path("shared")), "new");
  EXPECT_EQ(Entries(), 2u) << "no temporary file is left behind";
}
#endif

#ifndef _WIN32
TEST_F(FileWriterTest, OnlyARegularFileOrANewPathIsReplaced) {
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
  ASSERT_EQ(symlink("/dev/null", Path("null").c_str()), 0);
  std::ofstream(Path("target"), std::ios::binary) << "kept";
  ASSERT_EQ(symlink(Path("target").c_str(), Path("link").c_str()), 0);
  for (const char* name : {"fifo", "null", "link"}) {
    std::string message;
    EXPECT_EQ(Write(Path(name), "x", kOwnerOnlyMode, &message), FileWriteError::kNotRegular) << name;
    EXPECT_NE(message.find("not a regular file"), std::string::npos) << message;
  }
  EXPECT_TRUE(fs::is_fifo(Path("fifo")));
  EXPECT_TRUE(fs::is_symlink(Path("null")));
  EXPECT_EQ(Contents(Path("target")), "kept");
  EXPECT_EQ(Entries(), 4u);

  std::string message;
  EXPECT_EQ(Write(Path("missing/file"), "x", kOwnerOnlyMode, &message), FileWriteError::kCannotCreate);
  EXPECT_NE(message.find(Path("missing/file")), std::string::npos) << message;
}

#endif

#ifdef _WIN32
std::wstring Wide(const std::string& path) {
  std::wstring w(path.begin(), path.end());  // the temporary folder's path is ASCII here
  for (auto& c : w) {
    if (c == L'/') c = L'\\';
  }
  return w;
}

// The SIDs an object's access list names, as text, and whether it is
// protected from inheriting its folder's.
struct AccessList {
  bool read = false;
  bool isProtected = false;
  std::vector<std::string> sids;
  bool Names(const char* sid) const { return std::find(sids.begin(), sids.end(), sid) != sids.end(); }
};

AccessList AccessOf(const std::string& path) {
  AccessList list;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (GetNamedSecurityInfoW(Wide(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                            nullptr, &sd) != ERROR_SUCCESS) {
    return list;
  }
  list.read = true;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (GetSecurityDescriptorControl(sd, &control, &revision)) list.isProtected = (control & SE_DACL_PROTECTED) != 0;
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace) || static_cast<ACE_HEADER*>(ace)->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    char* text = nullptr;
    if (ConvertSidToStringSidA(&static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart, &text)) {
      list.sids.push_back(text);
      LocalFree(text);
    }
  }
  LocalFree(sd);
  return list;
}

std::string CurrentUserSid() {
  HANDLE token = nullptr;
  std::string sid;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return sid;
  BYTE buffer[256];
  DWORD size = sizeof buffer;
  char* text = nullptr;
  if (GetTokenInformation(token, TokenUser, buffer, size, &size) &&
      ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) {
    sid = text;
    LocalFree(text);
  }
  CloseHandle(token);
  return sid;
}

TEST_F(FileWriterTest, OwnerOnlyFilesInheritNothingOthersTakeTheFoldersGrants) {
  // A folder everybody ("WD") may read, the grant inherited by what is created in it.
  const std::string folder = Path("shared");
  PSECURITY_DESCRIPTOR sd = nullptr;
  ASSERT_TRUE(
      ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"
                                                           L"(A;OICI;FA;;;CO)(A;OICI;FR;;;WD)",
                                                           SDDL_REVISION_1, &sd, nullptr));
  SECURITY_ATTRIBUTES attributes{sizeof attributes, sd, FALSE};
  ASSERT_TRUE(CreateDirectoryW(Wide(folder).c_str(), &attributes));
  LocalFree(sd);
  if (!AccessOf(folder).Names("S-1-1-0")) GTEST_SKIP() << "this file system keeps no access lists for the system";

  std::ofstream(folder + "/secret", std::ios::binary) << "readable by all";
  ASSERT_TRUE(AccessOf(folder + "/secret").Names("S-1-1-0")) << "new files inherit the folder's grants";
  std::string message;
  ASSERT_EQ(Write(folder + "/secret", "pw", kOwnerOnlyMode, &message), FileWriteError::kNone) << message;
  ASSERT_EQ(Write(folder + "/public", "settings", 0644, &message), FileWriteError::kNone) << message;

  const AccessList secret = AccessOf(folder + "/secret");
  ASSERT_TRUE(secret.read);
  const std::string user = CurrentUserSid();
  ASSERT_FALSE(user.empty());
  EXPECT_TRUE(secret.Names(user.c_str()));
  for (const std::string& sid : secret.sids) {
    EXPECT_TRUE(sid == user || sid == "S-1-5-18" || sid == "S-1-5-32-544") << sid << " may open the secret";
  }
  EXPECT_EQ(Contents(folder + "/secret"), "pw");
  const AccessList shared = AccessOf(folder + "/public");
  EXPECT_FALSE(shared.isProtected);
  EXPECT_TRUE(shared.Names("S-1-1-0"));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2)
      << "no temporary file is left behind";
}

// Protected, a later change to the folder's grants does not reach the file either.
TEST_F(FileWriterTest, AnOwnerOnlyAccessListIsProtected) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  ASSERT_TRUE(
      ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;FA;;;SY)", SDDL_REVISION_1, &sd, nullptr));
  SECURITY_ATTRIBUTES attributes{sizeof attributes, sd, FALSE};
  const bool made = CreateDirectoryW(Wide(Path("probe")).c_str(), &attributes);
  LocalFree(sd);
  ASSERT_TRUE(made);
  if (!AccessOf(Path("probe")).isProtected) GTEST_SKIP() << "this system does not keep an access list's protection";

  std::string message;
  ASSERT_EQ(Write(Path("secret"), "pw", kOwnerOnlyMode, &message), FileWriteError::kNone) << message;
  EXPECT_TRUE(AccessOf(Path("secret")).isProtected);
}

TEST_F(FileWriterTest, OnlyARegularFileOrANewPathIsReplaced) {
  ASSERT_TRUE(CreateDirectoryA(Path("folder").c_str(), nullptr));
  for (const std::string& path : {std::string("NUL"), Path("folder")}) {
    std::string message;
    EXPECT_EQ(Write(path, "x", kOwnerOnlyMode, &message), FileWriteError::kNotRegular) << path;
    EXPECT_NE(message.find("not a regular file"), std::string::npos) << message;
  }
  EXPECT_TRUE(fs::is_directory(Path("folder")));
  EXPECT_EQ(Entries(), 1u);

  std::string message;
  EXPECT_EQ(Write(Path("missing/file"), "x", kOwnerOnlyMode, &message), FileWriteError::kCannotCreate);
  EXPECT_NE(message.find(Path("missing/file")), std::string::npos) << message;
  EXPECT_EQ(Entries(), 1u);
}

TEST_F(FileWriterTest, ALinkIsRefusedNotFollowed) {
  std::ofstream(Path("target"), std::ios::binary) << "kept";
  if (!CreateSymbolicLinkW(Wide(Path("link")).c_str(), Wide(Path("target")).c_str(),
                           SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE)) {
    GTEST_SKIP() << "symbolic links cannot be made here (error " << GetLastError() << ")";
  }
  if (Contents(Path("link")) != "kept") GTEST_SKIP() << "this system's symbolic links do not lead to their target";
  std::string message;
  EXPECT_EQ(Write(Path("link"), "x", kOwnerOnlyMode, &message), FileWriteError::kNotRegular);
  EXPECT_NE(message.find("not a regular file"), std::string::npos) << message;
  EXPECT_EQ(Contents(Path("target")), "kept");
  EXPECT_EQ(Entries(), 2u);
}
#endif

}  // namespace
}  // namespace oro::platform
