#include <algorithm>

#include "oro/common/registry_access.h"
#include "registry_test_fixture.h"

namespace oro::test {
namespace {

namespace keyaccess = platform::keyaccess;
namespace aceflags = platform::aceflags;
using platform::AccessEntry;
using platform::KeySecurity;

constexpr std::uint32_t kInherit = aceflags::kContainerInherit | aceflags::kObjectInherit;

class RegistrySecurityTest : public RegistryTest {
 protected:
  // An endpoint-like key owned by the system, administrators may only read.
  const std::wstring kEndpoint = kKey + L"\\Endpoint";

  // Called by each test that uses it, after its skip: Wine cannot give an
  // administrator more than such a key's list allows.
  void CreateEndpoint() {
    KeySecurity security;
    security.owner = platform::account::kTrustedInstaller;
    security.dacl = {{L"SYSTEM", keyaccess::kAllAccess, kInherit},
                     {L"administrators", keyaccess::kRead, 0},
                     {L"Users", keyaccess::kRead, kInherit}};
    reg_.CreateKey(kEndpoint, &security);
  }

  KeySecurity SecurityOf(const std::wstring& key) {
    platform::KeyHandle handle;
    EXPECT_EQ(store_.OpenKey(platform::RootKey::kLocalMachine, key.substr(key.find(L'\\') + 1), keyaccess::kReadControl,
                             &handle),
              0u);
    KeySecurity security;
    EXPECT_EQ(store_.GetSecurity(handle, &security), 0u);
    return security;
  }

  // The same store as seen by an ordinary user.
  const platform::Caller user_{L"alice", false};
  std::unique_ptr<platform::RegistryStore> user_store_ = OpenStore(root_, &user_);
  common::RegistryAccess user_reg_{*user_store_};
};

TEST_F(RegistrySecurityTest, EnsureWritableReplacesTheAdministratorsEntryAndKeepsTheRest) {
  ORO_SKIP_UNLESS_EMPTY(NoAdministratorOverride());
  CreateEndpoint();
  reg_.EnsureWritable(kEndpoint);
  const KeySecurity after = SecurityOf(kEndpoint);
  EXPECT_EQ(after.owner, platform::account::kTrustedInstaller);
  EXPECT_EQ(after.dacl, (std::vector<AccessEntry>{{L"SYSTEM", keyaccess::kAllAccess, kInherit},
                                                  {L"Administrators", keyaccess::kAllAccess, kInherit},
                                                  {L"Users", keyaccess::kRead, kInherit}}));
  // Sub keys created later inherit the new entry.
  reg_.CreateKey(kEndpoint + L"\\FxProperties");
  const KeySecurity child = SecurityOf(kEndpoint + L"\\FxProperties");
  EXPECT_NE(
      std::find(child.dacl.begin(), child.dacl.end(), AccessEntry{L"Administrators", keyaccess::kAllAccess, kInherit}),
      child.dacl.end());
}

TEST_F(RegistrySecurityTest, EnsureWritableAddsTheEntryWhenAdministratorsHadNone) {
  ORO_SKIP_UNLESS_EMPTY(NoAdministratorOverride());
  KeySecurity bare;
  bare.owner = L"SYSTEM";
  bare.dacl = {{L"SYSTEM", keyaccess::kAllAccess, 0}};
  reg_.CreateKey(kKey + L"\\Bare", &bare);
  reg_.EnsureWritable(kKey + L"\\Bare");
  reg_.EnsureWritable(kKey + L"\\Bare");  // twice still gives one entry
  EXPECT_EQ(SecurityOf(kKey + L"\\Bare").dacl,
            (std::vector<AccessEntry>{{L"SYSTEM", keyaccess::kAllAccess, 0},
                                      {L"Administrators", keyaccess::kAllAccess, kInherit}}));
}

// The list editing alone, on a key the administrators own (its owner may
// always rewrite the list): shown on every system, Wine included.
TEST_F(RegistrySecurityTest, EnsureWritableOnAnOwnedKeyMergesOneEntryThatNewKeysInherit) {
  KeySecurity owned;
  owned.owner = L"Administrators";
  owned.dacl = {{L"SYSTEM", keyaccess::kAllAccess, kInherit},
                {L"ADMINISTRATORS", keyaccess::kRead | keyaccess::kSetValue, aceflags::kObjectInherit},
                {L"Users", keyaccess::kRead, kInherit}};
  const std::wstring key = kKey + L"\\Owned";
  reg_.CreateKey(key, &owned);
  reg_.EnsureWritable(key);
  reg_.EnsureWritable(key);
  const std::vector<AccessEntry> merged = {{L"SYSTEM", keyaccess::kAllAccess, kInherit},
                                           {L"Administrators", keyaccess::kAllAccess, kInherit},
                                           {L"Users", keyaccess::kRead, kInherit}};
  EXPECT_EQ(SecurityOf(key).dacl, merged);
  EXPECT_EQ(SecurityOf(key).owner, L"Administrators");
  reg_.CreateKey(key + L"\\FxProperties");
  if (NoInheritance().empty()) {
    EXPECT_EQ(SecurityOf(key + L"\\FxProperties").dacl, merged);
  }
  reg_.WriteDword(key + L"\\FxProperties", L"v", 1);
  EXPECT_EQ(reg_.ReadDword(key + L"\\FxProperties", L"v"), 1u);
}

TEST_F(RegistrySecurityTest, TakeOwnershipMakesAdministratorsTheOwner) {
  ORO_SKIP_UNLESS_EMPTY(NoAdministratorOverride());
  CreateEndpoint();
  reg_.TakeOwnership(kEndpoint);
  const KeySecurity after = SecurityOf(kEndpoint);
  EXPECT_EQ(after.owner, L"Administrators");
  EXPECT_EQ(after.dacl.size(), 3u) << "the access list is left alone";
  EXPECT_EQ(ErrorOf([&] { reg_.TakeOwnership(kKey + L"\\Missing"); }),
            L"Error while opening registry key " + kKey + L"\\Missing: The system cannot find the file specified.");
}

TEST_F(RegistrySecurityTest, AnOrdinaryUserReadsButCannotChangeProtectedKeys) {
  ORO_SKIP_UNLESS_EMPTY(NoSecondAccount());
  CreateEndpoint();
  reg_.WriteString(kEndpoint, L"Name", L"Headset");
  EXPECT_EQ(user_reg_.ReadString(kEndpoint, L"Name"), L"Headset");

  const std::wstring denied = L"Error while opening registry key " + kEndpoint + L": Access is denied.";
  EXPECT_EQ(ErrorOf([&] { user_reg_.WriteString(kEndpoint, L"Name", L"x"); }), denied);
  EXPECT_EQ(ErrorOf([&] { user_reg_.DeleteValue(kEndpoint, L"Name"); }), denied);
  EXPECT_EQ(ErrorOf([&] { user_reg_.EnsureWritable(kEndpoint); }), denied);
  // Without the take-ownership privilege the key does not open for it.
  EXPECT_EQ(ErrorOf([&] { user_reg_.TakeOwnership(kEndpoint); }), denied);
  EXPECT_EQ(ErrorOf([&] { user_reg_.CreateKey(kEndpoint + L"\\Sub"); }),
            L"Error while creating registry key " + kEndpoint + L"\\Sub: Access is denied.");
  EXPECT_EQ(ErrorOf([&] { user_reg_.DeleteKey(kEndpoint); }),
            L"Error while deleting registry key " + kEndpoint + L": Access is denied.");

  EXPECT_EQ(reg_.ReadString(kEndpoint, L"Name"), L"Headset");
  EXPECT_EQ(SecurityOf(kEndpoint).owner, platform::account::kTrustedInstaller);
}

TEST_F(RegistrySecurityTest, AUserWithFullControlStillCannotHandOwnershipToAdministrators) {
  ORO_SKIP_UNLESS_EMPTY(NoSecondAccount());
  KeySecurity own;
  own.owner = L"alice";
  own.dacl = {{L"alice", keyaccess::kAllAccess, kInherit}};
  reg_.CreateKey(kKey + L"\\Mine", &own);
  user_reg_.WriteDword(kKey + L"\\Mine", L"v", 1);
  EXPECT_EQ(ErrorOf([&] { user_reg_.TakeOwnership(kKey + L"\\Mine"); }),
            L"Error while setting security information for registry key " + kKey +
                L"\\Mine: This security ID may not be assigned as the owner of this object.");
  EXPECT_EQ(SecurityOf(kKey + L"\\Mine").owner, L"alice");
}

}  // namespace
}  // namespace oro::test
