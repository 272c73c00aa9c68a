// Who may change what: administrators pass every check; other callers need
// the rights from the key's access list (or as its owner) to open for writing.
#include <gtest/gtest.h>

#include <memory>

#include "oro/platform/sqlite/sqlite_registry_store.h"
#include "temp_root.h"

namespace oro::platform::sqlite {
namespace {

constexpr const wchar_t* kKit = L"SOFTWARE\\OroSoundKit";

class StoreSecurity : public ::testing::Test {
 protected:
  std::unique_ptr<SqliteRegistryStore> OpenAs(const Caller& caller) {
    StoreOptions options;
    options.caller = &caller;
    auto s = std::make_unique<SqliteRegistryStore>(root_.RegistryDb(), options);
    EXPECT_EQ(s->OpenError(), err::kSuccess) << s->OpenErrorDetail();
    return s;
  }

  ErrorCode AliceOpens(const std::wstring& path, std::uint32_t access, KeyHandle* h = nullptr) {
    KeyHandle local;
    return alice_->OpenKey(RootKey::kLocalMachine, path, access, h ? h : &local);
  }

  void AdminSetsEntries(const std::wstring& path, const std::vector<AccessEntry>& entries) {
    KeyHandle h;
    ASSERT_EQ(admin_->OpenKey(RootKey::kLocalMachine, path, keyaccess::kWriteDac, &h), err::kSuccess);
    ASSERT_EQ(admin_->SetSecurity(h, KeySecurity{L"", entries}, false, true), err::kSuccess);
  }

  bool Exists(const std::wstring& path) {
    KeyHandle h;
    return admin_->OpenKey(RootKey::kLocalMachine, path, keyaccess::kRead, &h) == err::kSuccess;
  }

  oro::test::TempRoot root_;
  const Caller admin_caller_{L"root", true};
  const Caller alice_caller_{L"alice", false};
  std::unique_ptr<SqliteRegistryStore> admin_ = OpenAs(admin_caller_);
  std::unique_ptr<SqliteRegistryStore> alice_ = OpenAs(alice_caller_);
  KeyHandle kit_ = [this] {
    KeyHandle h;
    EXPECT_EQ(admin_->CreateKey(RootKey::kLocalMachine, kKit, keyaccess::kAllAccess, nullptr, &h, nullptr),
              err::kSuccess);
    return h;
  }();
};

TEST_F(StoreSecurity, ReadingIsOpenToEverybodyWritingIsNotWithoutAnEntry) {
  EXPECT_FALSE(alice_->CurrentCaller().administrator);
  KeyHandle h;
  ASSERT_EQ(AliceOpens(kKit, keyaccess::kRead, &h), err::kSuccess);
  EXPECT_EQ(alice_->QueryValue(h, L"missing", nullptr), err::kFileNotFound);
  for (std::uint32_t right : {keyaccess::kSetValue, keyaccess::kCreateSubKey, keyaccess::kDelete, keyaccess::kWriteDac,
                              keyaccess::kWriteOwner, keyaccess::kWrite}) {
    EXPECT_EQ(AliceOpens(kKit, right), err::kAccessDenied) << std::hex << right;
  }
  EXPECT_EQ(AliceOpens(kKit, 0x40000000 /* generic write */), err::kAccessDenied);
  KeyHandle made;
  EXPECT_EQ(alice_->CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\OroSoundKit\\A\\B", keyaccess::kRead, nullptr, &made,
                              nullptr),
            err::kAccessDenied);
  EXPECT_FALSE(Exists(L"SOFTWARE\\OroSoundKit\\A"));  // nothing half-made
  ASSERT_TRUE(Exists(kKit));
  EXPECT_EQ(alice_->DeleteKey(RootKey::kLocalMachine, kKit), err::kAccessDenied);
  EXPECT_TRUE(Exists(kKit));

  KeyHandle max;
  ASSERT_EQ(AliceOpens(kKit, keyaccess::kMaximumAllowed, &max), err::kSuccess);
  EXPECT_EQ(max.access & keyaccess::kRead, keyaccess::kRead);
  EXPECT_EQ(max.access & keyaccess::kWriteMask, 0u);
}

TEST_F(StoreSecurity, AnEntryForTheUserUsersOrEveryoneGrantsItsRights) {
  AdminSetsEntries(kKit, {{L"bob", keyaccess::kAllAccess, 0}});
  EXPECT_EQ(AliceOpens(kKit, keyaccess::kSetValue), err::kAccessDenied);

  AdminSetsEntries(kKit, {{L"ALICE", keyaccess::kSetValue, 0}});
  KeyHandle h;
  ASSERT_EQ(AliceOpens(kKit, keyaccess::kSetValue | keyaccess::kQueryValue, &h), err::kSuccess);
  const std::vector<std::uint8_t> d = {5, 0, 0, 0};
  EXPECT_EQ(alice_->SetValue(h, L"exitCmd", regtype::kDword, d.data(), d.size()), err::kSuccess);
  EXPECT_EQ(AliceOpens(kKit, keyaccess::kSetValue | keyaccess::kDelete), err::kAccessDenied);

  AdminSetsEntries(kKit, {{L"Users", keyaccess::kSetValue, 0}, {L"Everyone", keyaccess::kCreateSubKey, 0}});
  EXPECT_EQ(AliceOpens(kKit, keyaccess::kSetValue | keyaccess::kCreateSubKey), err::kSuccess);
  KeyHandle max;
  ASSERT_EQ(AliceOpens(kKit, keyaccess::kMaximumAllowed, &max), err::kSuccess);
  EXPECT_EQ(max.access & keyaccess::kWriteMask, keyaccess::kSetValue | keyaccess::kCreateSubKey);
}

TEST_F(StoreSecurity, KeysANonAdministratorCreatesAreItsOwnAndInheritContainerEntries) {
  AdminSetsEntries(kKit, {{L"alice", keyaccess::kCreateSubKey | keyaccess::kSetValue, aceflags::kContainerInherit},
                          {L"Users", keyaccess::kDelete, aceflags::kObjectInherit}});
  KeyHandle child;
  bool created = false;
  ASSERT_EQ(
      alice_->CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\OroSoundKit\\Mine",
                        keyaccess::kRead | keyaccess::kSetValue | keyaccess::kWriteDac, nullptr, &child, &created),
      err::kSuccess);
  EXPECT_TRUE(created);
  KeySecurity sec;
  ASSERT_EQ(alice_->GetSecurity(child, &sec), err::kSuccess);
  EXPECT_EQ(sec.owner, L"alice");
  EXPECT_EQ(sec.dacl, (std::vector<AccessEntry>{
                          {L"alice", keyaccess::kCreateSubKey | keyaccess::kSetValue, aceflags::kContainerInherit}}));
  // The object-inherit-only delete entry did not come along.
  EXPECT_EQ(alice_->DeleteKey(RootKey::kLocalMachine, L"SOFTWARE\\OroSoundKit\\Mine"), err::kAccessDenied);
  // Asking for a right the new key would not grant undoes the creation.
  EXPECT_EQ(alice_->CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\OroSoundKit\\Other", keyaccess::kDelete, nullptr,
                              &child, nullptr),
            err::kAccessDenied);
  EXPECT_FALSE(Exists(L"SOFTWARE\\OroSoundKit\\Other"));
}

TEST_F(StoreSecurity, TheOwnerMayAlwaysReadAndRewriteTheAccessList) {
  KeySecurity owned{L"alice", {}};
  KeyHandle h;
  ASSERT_EQ(
      admin_->CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\OroSoundKit\\Owned", keyaccess::kRead, &owned, &h, nullptr),
      err::kSuccess);
  const std::wstring path = L"SOFTWARE\\OroSoundKit\\Owned";
  EXPECT_EQ(AliceOpens(path, keyaccess::kSetValue), err::kAccessDenied);
  EXPECT_EQ(AliceOpens(path, keyaccess::kWriteOwner), err::kAccessDenied);
  KeyHandle dac;
  ASSERT_EQ(AliceOpens(path, keyaccess::kReadControl | keyaccess::kWriteDac, &dac), err::kSuccess);
  ASSERT_EQ(alice_->SetSecurity(dac, KeySecurity{L"", {{L"alice", keyaccess::kAllAccess, 0}}}, false, true),
            err::kSuccess);
  KeyHandle all;
  ASSERT_EQ(AliceOpens(path, keyaccess::kAllAccess, &all), err::kSuccess);
  EXPECT_EQ(alice_->SetSecurity(all, KeySecurity{L"bob", {}}, true, false), err::kInvalidOwner);
  EXPECT_EQ(alice_->SetSecurity(all, KeySecurity{L"Administrators", {}}, true, false), err::kInvalidOwner);
  EXPECT_EQ(alice_->SetSecurity(all, KeySecurity{L"alice", {}}, true, false), err::kSuccess);
  KeySecurity foreign{L"bob", {}};
  EXPECT_EQ(alice_->CreateKey(RootKey::kLocalMachine, path + L"\\Sub", keyaccess::kRead, &foreign, &h, nullptr),
            err::kInvalidOwner);
}

TEST_F(StoreSecurity, AdministratorsPassEveryCheckAndMayNameAnyOwner) {
  KeySecurity locked{L"TrustedInstaller", {}};
  KeyHandle h;
  ASSERT_EQ(admin_->CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\Locked", keyaccess::kRead, &locked, &h, nullptr),
            err::kSuccess);
  KeyHandle w;
  ASSERT_EQ(
      admin_->OpenKey(RootKey::kLocalMachine, L"SOFTWARE\\Locked", keyaccess::kWriteOwner | keyaccess::kWriteDac, &w),
      err::kSuccess);
  ASSERT_EQ(admin_->SetSecurity(w, KeySecurity{L"Administrators", {{L"Administrators", keyaccess::kAllAccess, 3}}},
                                true, true),
            err::kSuccess);
  KeySecurity sec;
  KeyHandle r;
  ASSERT_EQ(admin_->OpenKey(RootKey::kLocalMachine, L"SOFTWARE\\Locked", keyaccess::kReadControl, &r), err::kSuccess);
  ASSERT_EQ(admin_->GetSecurity(r, &sec), err::kSuccess);
  EXPECT_EQ(sec.owner, L"Administrators");
  EXPECT_EQ(admin_->SetSecurity(w, KeySecurity{L"", {}}, true, false), err::kInvalidOwner);
  EXPECT_EQ(admin_->SetSecurity(w, KeySecurity{L"", {{L"", keyaccess::kRead, 0}}}, false, true),
            err::kInvalidParameter);
}

}  // namespace
}  // namespace oro::platform::sqlite
