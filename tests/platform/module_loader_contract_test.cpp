// What every ModuleLoader adapter promises: a module loads and shows its
// entry points only when nobody but its owner could have changed the file.
// Who may change a file is its mode on Linux and its access list on Windows,
// where the test writes a protected list of its own (SetNamedSecurityInfoW).
#ifdef _WIN32
#include <aclapi.h>
#include <sddl.h>
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "oro/platform/text.h"
#include "temp_root.h"
#ifdef _WIN32
#include "oro/platform/windows/windows_adapters.h"
#else
#include "oro/platform/linux/host_adapters.h"
#endif

namespace oro::test {
namespace {

namespace fs = std::filesystem;
using platform::LoadedModule;
using platform::ModuleLoader;
namespace err = platform::err;

#ifdef _WIN32
constexpr const char* kModule = "OroSoundAPO.dll";
#else
constexpr const char* kModule = "OroSoundAPO.so";
#endif

// Who besides the owner (and the system's administrators) may change a file or folder.
enum class Writers { kOwner, kGroup, kEveryone };

#ifdef _WIN32
// A protected access list: full control for the owner, SYSTEM and the
// administrators, reading for the users, and writing for the users or
// everybody when asked. Empty on success, else why the system would not.
std::wstring OwnUserSid() {
  HANDLE token = nullptr;
  std::wstring sid;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return sid;
  BYTE buffer[256];
  DWORD size = 0;
  LPWSTR text = nullptr;
  if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
      ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) {
    sid = text;
    LocalFree(text);
  }
  CloseHandle(token);
  return sid;
}

std::string SetWriters(const std::string& path, Writers writers) {
  std::wstring sddl = L"D:P(A;;FA;;;" + OwnUserSid() + L")(A;;FA;;;SY)(A;;FA;;;BA)";
  if (writers == Writers::kGroup) sddl += L"(A;;FRFWFX;;;BU)";
  if (writers == Writers::kEveryone) sddl += L"(A;;FA;;;WD)(A;;FRFX;;;BU)";
  if (writers == Writers::kOwner) sddl += L"(A;;FRFX;;;BU)";
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &sd, nullptr)) {
    return "cannot build " + platform::ToUtf8(sddl);
  }
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted);
  std::wstring wide = platform::FromUtf8(path);
  for (auto& c : wide) c = c == L'/' ? L'\\' : c;
  const DWORD rc = SetNamedSecurityInfoW(wide.data(), SE_FILE_OBJECT,
                                         DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                         nullptr, dacl, nullptr);
  LocalFree(sd);
  return rc == ERROR_SUCCESS ? std::string() : "SetNamedSecurityInfoW failed with " + std::to_string(rc);
}

// Whether the access list read back gives the users (BUILTIN\\Users) any
// right to write: Wine keeps a file's list only as its Unix mode, which has
// the owner and everybody but no such group.
bool UsersMayWrite(const std::string& path) {
  std::wstring wide = platform::FromUtf8(path);
  for (auto& c : wide) c = c == L'/' ? L'\\' : c;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (GetNamedSecurityInfoW(wide.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                            &sd) != ERROR_SUCCESS) {
    return false;
  }
  BYTE users[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof users;
  CreateWellKnownSid(WinBuiltinUsersSid, nullptr, users, &size);
  bool writes = false;
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace) || static_cast<ACE_HEADER*>(ace)->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    writes = writes || (EqualSid(&allowed->SidStart, users) && (allowed->Mask & FILE_WRITE_DATA));
  }
  LocalFree(sd);
  return writes;
}
#else
std::string SetWriters(const std::string& path, Writers writers) {
  const mode_t mode = writers == Writers::kOwner ? 0755 : writers == Writers::kGroup ? 0775 : 0757;
  return chmod(path.c_str(), mode) == 0 ? std::string() : "chmod failed";
}
#endif

struct LoaderCase {
  const char* name;
  std::function<std::unique_ptr<ModuleLoader>()> make;
};

class ModuleLoaderContract : public ::testing::TestWithParam<LoaderCase> {
 protected:
  void SetUp() override {
    loader_ = GetParam().make();
#ifdef _WIN32
    // The folders above keep what the system gave them; the test's own is closed.
    ASSERT_EQ(SetWriters(root_.Path(), Writers::kOwner), "");
#endif
  }

  // A copy of the built processing object in the test's folder that `writers` may change.
  std::wstring Copy(const std::string& name, Writers writers) {
    const std::string path = root_.Path() + "/" + name;
    fs::copy_file(BuiltFile(kModule), path, fs::copy_options::overwrite_existing);
    EXPECT_EQ(SetWriters(path, writers), "");
    return platform::FromUtf8(path);
  }

  // Both spellings of one file name the same file.
  static bool SameFile(const std::wstring& a, const std::string& b) {
    std::error_code ec;
    return !a.empty() && fs::equivalent(platform::ToUtf8(a), b, ec);
  }

  platform::ErrorCode Load(const std::wstring& path, std::unique_ptr<LoadedModule>* out) {
    return loader_->Load(path, out);
  }

  TempRoot root_;
  std::unique_ptr<ModuleLoader> loader_;
};

TEST_P(ModuleLoaderContract, OwnersModuleLoadsAndShowsItsEntryPoints) {
  std::unique_ptr<LoadedModule> module;
  const std::wstring copy = Copy(kModule, Writers::kOwner);
  ASSERT_EQ(Load(copy, &module), err::kSuccess);
  ASSERT_TRUE(module);
  EXPECT_NE(module->Symbol("DllRegisterServer"), nullptr);
  EXPECT_NE(module->Symbol("DllUnregisterServer"), nullptr);
  EXPECT_EQ(module->Symbol("NoSuchEntryPoint"), nullptr);
  EXPECT_EQ(module->Symbol(nullptr), nullptr);
  // Each address is found in the file that holds it, by its resolved path.
  const std::wstring module_path = loader_->PathContaining(module->Symbol("DllRegisterServer"));
  EXPECT_TRUE(SameFile(module_path, platform::ToUtf8(copy))) << platform::ToUtf8(module_path);
  EXPECT_TRUE(fs::path(platform::ToUtf8(module_path)).is_absolute());
  const std::wstring program_path = loader_->PathContaining(reinterpret_cast<const void*>(&BuiltFile));
  EXPECT_TRUE(SameFile(program_path, OwnProgram())) << platform::ToUtf8(program_path);
#ifndef _WIN32
  EXPECT_EQ(module_path, platform::FromUtf8(fs::canonical(platform::ToUtf8(copy)).string()));
  EXPECT_EQ(program_path, platform::FromUtf8(fs::canonical("/proc/self/exe").string()));
#endif
  EXPECT_EQ(loader_->PathContaining(nullptr), L"");
}

TEST_P(ModuleLoaderContract, FilesOthersCouldChangeAreRefusedBeforeLoading) {
  std::unique_ptr<LoadedModule> module;
  EXPECT_EQ(Load(Copy("world.so", Writers::kEveryone), &module), err::kAccessDenied);
  EXPECT_EQ(Load(platform::FromUtf8(root_.Path()), &module), err::kAccessDenied);  // a folder
  // A good file in a folder others may change could be swapped before it loads.
  const std::string open_folder = root_.Path() + "/open";
  ASSERT_TRUE(fs::create_directory(open_folder));
  ASSERT_EQ(SetWriters(open_folder, Writers::kEveryone), "");
  EXPECT_EQ(Load(Copy(std::string("open/") + kModule, Writers::kOwner), &module), err::kAccessDenied);
  EXPECT_FALSE(module);
  // The same file in a closed folder loads: the folder made the difference.
  const std::string closed_folder = root_.Path() + "/closed";
  ASSERT_TRUE(fs::create_directory(closed_folder));
  ASSERT_EQ(SetWriters(closed_folder, Writers::kOwner), "");
  EXPECT_EQ(Load(Copy(std::string("closed/") + kModule, Writers::kOwner), &module), err::kSuccess);
  module.reset();
#ifndef _WIN32
  // A link is judged by the file it leads to. (Making one on Windows needs a
  // privilege the test does not assume.)
  fs::create_symlink(root_.Path() + "/world.so", root_.Path() + "/link.so");
  EXPECT_EQ(Load(platform::FromUtf8(root_.Path() + "/link.so"), &module), err::kAccessDenied);
#endif
}

TEST_P(ModuleLoaderContract, FilesTheirGroupMayChangeAreRefused) {
  std::unique_ptr<LoadedModule> module;
  const std::wstring copy = Copy("group.so", Writers::kGroup);
#ifdef _WIN32
  if (!UsersMayWrite(platform::ToUtf8(copy))) {
    GTEST_SKIP() << "the file system does not keep a writing entry for the users: Wine keeps a file's access list "
                    "only as its Unix mode (owner and everybody)";
  }
#endif
  EXPECT_EQ(Load(copy, &module), err::kAccessDenied);
  EXPECT_FALSE(module);
}

TEST_P(ModuleLoaderContract, MissingAndBrokenFilesGiveTheirOwnCodes) {
  std::unique_ptr<LoadedModule> module;
  EXPECT_EQ(Load(platform::FromUtf8(root_.Path() + "/absent.so"), &module), err::kFileNotFound);
  EXPECT_EQ(Load(L"", &module), err::kInvalidParameter);
  const std::string text = root_.Path() + "/text.so";
  std::ofstream(text) << "not a module\n";
  ASSERT_EQ(SetWriters(text, Writers::kOwner), "");
  EXPECT_EQ(Load(platform::FromUtf8(text), &module), err::kModuleNotFound);
  EXPECT_FALSE(module);
}

INSTANTIATE_TEST_SUITE_P(Adapters, ModuleLoaderContract,
#ifdef _WIN32
                         ::testing::Values(LoaderCase{
                             "LoadLibraryExW", [] { return platform::windows_host::MakeWindowsModuleLoader(); }}),
#else
                         ::testing::Values(LoaderCase{"dlopen",
                                                      [] { return platform::linux_host::MakeDlModuleLoader(); }}),
#endif
                         [](const ::testing::TestParamInfo<LoaderCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace oro::test
