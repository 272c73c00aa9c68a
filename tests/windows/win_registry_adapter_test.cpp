// What the Windows registry adapter adds to the port's contract: account
// names over SIDs, keys deleted behind its back, its table of system handles,
// and privileges that never outlive a call.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "oro/platform/registry_store.h"
#include "oro/platform/text.h"
#include "oro/platform/windows/windows_adapters.h"
#include "temp_root.h"
#include "windows_registry_fixture.h"

namespace oro::platform {
namespace {

using test::TempRoot;

// Whether the process token has `name` enabled right now.
bool ProcessPrivilegeEnabled(const wchar_t* name) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  LUID luid;
  LookupPrivilegeValueW(nullptr, name, &luid);
  std::vector<std::uint8_t> buffer(4096);
  DWORD size = 0;
  GetTokenInformation(token, TokenPrivileges, buffer.data(), static_cast<DWORD>(buffer.size()), &size);
  CloseHandle(token);
  const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
  for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
    const auto& p = privileges->Privileges[i];
    if (p.Luid.LowPart == luid.LowPart && p.Luid.HighPart == luid.HighPart) {
      return (p.Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
  }
  return false;
}

class WindowsRegistryAdapter : public ::testing::Test {
 protected:
  KeyHandle Create(const std::wstring& path, const KeySecurity* security = nullptr) {
    KeyHandle h;
    EXPECT_EQ(store_->CreateKey(RootKey::kLocalMachine, path, keyaccess::kAllAccess, security, &h, nullptr),
              err::kSuccess)
        << ToUtf8(path);
    return h;
  }
  // The key as another program reaches it: straight through advapi32.
  std::wstring SystemPath(const std::wstring& path) const {
    return test::RegistryBaseFor(root_) + L"\\HKEY_LOCAL_MACHINE\\" + path;
  }

  TempRoot root_;
  std::unique_ptr<RegistryStore> store_ = test::OpenTestRegistry(root_);
};

TEST_F(WindowsRegistryAdapter, AccountsAreNamedTheSameWhateverTheSpellingAndUnknownOnesAreRefused) {
  KeyHandle h = Create(L"SOFTWARE\\Names");
  const KeySecurity spelled{L"",
                            {{L"S-1-5-32-545", keyaccess::kRead, aceflags::kContainerInherit},
                             {L"everyone", keyaccess::kQueryValue, 0},
                             {L"Local Service", keyaccess::kSetValue, aceflags::kObjectInherit},
                             {L"administrators", keyaccess::kAllAccess, 3}}};
  ASSERT_EQ(store_->SetSecurity(h, spelled, false, true), err::kSuccess);
  KeySecurity got;
  ASSERT_EQ(store_->GetSecurity(h, &got), err::kSuccess);
  EXPECT_EQ(got.dacl, (std::vector<AccessEntry>{{L"Users", keyaccess::kRead, aceflags::kContainerInherit},
                                                {L"Everyone", keyaccess::kQueryValue, 0},
                                                {L"LOCAL SERVICE", keyaccess::kSetValue, aceflags::kObjectInherit},
                                                {L"Administrators", keyaccess::kAllAccess, 3}}));
  // The process's own account comes back under the name the caller is given.
  ASSERT_EQ(
      store_->SetSecurity(h, KeySecurity{L"", {{store_->CurrentCaller().user, keyaccess::kRead, 0}}}, false, true),
      err::kSuccess);
  ASSERT_EQ(store_->GetSecurity(h, &got), err::kSuccess);
  ASSERT_EQ(got.dacl.size(), 1u);
  EXPECT_EQ(FoldCase(got.dacl[0].trustee), FoldCase(store_->CurrentCaller().user));

  // Nothing the system cannot hold is half-written.
  const std::vector<AccessEntry> before = got.dacl;
  EXPECT_EQ(
      store_->SetSecurity(h, KeySecurity{L"", {{L"Users", keyaccess::kRead, 0}, {L"nobody-here", 1, 0}}}, false, true),
      1332u);
  EXPECT_EQ(store_->SetSecurity(h, KeySecurity{L"", {{L"Users", keyaccess::kRead, 0x10}}}, false, true),
            err::kInvalidParameter);
  EXPECT_EQ(store_->SetSecurity(h, KeySecurity{L"nobody-here", {}}, true, false), err::kInvalidOwner);
  const KeySecurity unknown{L"", {{L"nobody-here", 1, 0}}};
  KeyHandle none;
  EXPECT_EQ(
      store_->CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\Names\\Child", keyaccess::kRead, &unknown, &none, nullptr),
      1332u);
  EXPECT_EQ(store_->OpenKey(RootKey::kLocalMachine, L"SOFTWARE\\Names\\Child", keyaccess::kRead, &none),
            err::kFileNotFound);
  ASSERT_EQ(store_->GetSecurity(h, &got), err::kSuccess);
  EXPECT_EQ(got.dacl, before);

  // Security given at creation is the new key's, exactly (Wine ignores the
  // descriptor passed to RegCreateKeyExW; the adapter writes it again).
  const KeySecurity given{L"", {{L"Everyone", keyaccess::kAllAccess, 0}, {L"SYSTEM", keyaccess::kRead, 2}}};
  KeyHandle made;
  ASSERT_EQ(store_->CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\Names\\Given", keyaccess::kAllAccess, &given, &made,
                              nullptr),
            err::kSuccess);
  ASSERT_EQ(store_->GetSecurity(made, &got), err::kSuccess);
  EXPECT_EQ(got.dacl, given.dacl);
  if (store_->CurrentCaller().administrator) {
    EXPECT_EQ(got.owner, L"Administrators");
  }
}

TEST_F(WindowsRegistryAdapter, AnAdministratorNamesAnyOwnerWithAPrivilegeHeldForTheCallOnly) {
  if (!store_->CurrentCaller().administrator) GTEST_SKIP() << "the test program does not run elevated";
  KeyHandle h = Create(L"SOFTWARE\\Owned");
  ASSERT_EQ(store_->SetSecurity(h, KeySecurity{L"TrustedInstaller", {}}, true, false), err::kSuccess);
  KeySecurity got;
  ASSERT_EQ(store_->GetSecurity(h, &got), err::kSuccess);
  EXPECT_EQ(got.owner, L"TrustedInstaller");
  EXPECT_FALSE(ProcessPrivilegeEnabled(SE_RESTORE_NAME));
  EXPECT_FALSE(ProcessPrivilegeEnabled(SE_TAKE_OWNERSHIP_NAME));
  HANDLE thread_token = nullptr;
  EXPECT_FALSE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &thread_token)) << "still impersonating";
  if (thread_token) CloseHandle(thread_token);
}

// Another program deletes the key: every call on the handle says so, also
// those the system itself would still answer (its security), and the
// number never comes back for the key made again at the same path.
TEST_F(WindowsRegistryAdapter, AKeyDeletedByAnotherProgramIsDeletedForEveryCall) {
  KeyHandle h = Create(L"SOFTWARE\\Theirs");
  const std::wstring path = SystemPath(L"SOFTWARE\\Theirs");
  ASSERT_EQ(RegDeleteKeyExW(HKEY_CURRENT_USER, path.c_str(), KEY_WOW64_64KEY, 0), ERROR_SUCCESS);
  KeySecurity sec;
  EXPECT_EQ(store_->GetSecurity(h, &sec), err::kKeyDeleted);
  EXPECT_EQ(store_->SetSecurity(h, KeySecurity{L"", {}}, false, true), err::kKeyDeleted);
  KeyInfo info;
  EXPECT_EQ(store_->QueryInfo(h, &info), err::kKeyDeleted);
  HKEY again = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                            &again, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(again);
  KeyHandle fresh;
  ASSERT_EQ(store_->OpenKey(RootKey::kLocalMachine, L"software\\theirs", keyaccess::kRead, &fresh), err::kSuccess);
  EXPECT_NE(fresh.id, h.id);
  EXPECT_EQ(store_->QueryInfo(h, &info), err::kKeyDeleted);
  EXPECT_EQ(store_->QueryInfo(fresh, &info), err::kSuccess);
}

// Enough short-lived keys to make the table drop the dead ones: live keys
// keep their numbers and handles, dead numbers stay dead.
TEST_F(WindowsRegistryAdapter, ManyDeletedKeysLeaveLiveHandlesAlone) {
  KeyHandle live = Create(L"SOFTWARE\\Live");
  const std::vector<std::uint8_t> d = {7};
  ASSERT_EQ(store_->SetValue(live, L"v", regtype::kBinary, d.data(), d.size()), err::kSuccess);
  std::vector<KeyHandle> dead;
  for (int i = 0; i < 700; ++i) {
    const std::wstring path = L"SOFTWARE\\Gone" + std::to_wstring(i);
    dead.push_back(Create(path));
    ASSERT_EQ(store_->DeleteKey(RootKey::kLocalMachine, path), err::kSuccess);
  }
  KeyHandle reopened;
  ASSERT_EQ(store_->OpenKey(RootKey::kLocalMachine, L"SOFTWARE\\LIVE", keyaccess::kRead, &reopened), err::kSuccess);
  EXPECT_EQ(reopened.id, live.id);
  RegValue v;
  ASSERT_EQ(store_->QueryValue(live, L"v", &v), err::kSuccess);
  EXPECT_EQ(v.data, d);
  for (const KeyHandle& h : {dead.front(), dead[300], dead.back()}) {
    EXPECT_EQ(store_->QueryValue(h, L"v", nullptr), err::kKeyDeleted);
  }
  KeyHandle never{RootKey::kLocalMachine, L"x", dead.back().id + 1000000, keyaccess::kRead};
  EXPECT_EQ(store_->QueryValue(never, L"v", nullptr), err::kInvalidHandle);
}

// The production store sees the system's own roots.
TEST(WindowsRegistryRoots, TheKitsStoreReadsTheMachinesOwnKeys) {
  auto store = windows_host::MakeWindowsRegistryStore();
  ASSERT_EQ(store->Status(nullptr), err::kSuccess);
  KeyHandle h;
  ASSERT_EQ(
      store->OpenKey(RootKey::kLocalMachine, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", keyaccess::kRead, &h),
      err::kSuccess);
  RegValue v;
  ASSERT_EQ(store->QueryValue(h, L"CurrentVersion", &v), err::kSuccess);
  EXPECT_EQ(v.type, regtype::kSz);
  DWORD size = 0;
  ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", L"CurrentVersion",
                         RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr, nullptr, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(v.data.size(), size);
}

}  // namespace
}  // namespace oro::platform
