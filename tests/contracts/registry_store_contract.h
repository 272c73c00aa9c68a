// Contract of the RegistryStore port: what every settings store adapter does,
// whatever keeps the data. An adapter's test file supplies a factory and
// instantiates both suites:
//
//   struct MyStore {
//     // A store on the state folder `root`, used by `caller` (null: the
//     // process's own user). Every call with the same root reaches the same data.
//     static std::unique_ptr<RegistryStore> Open(const oro::test::TempRoot& root, const Caller* caller);
//   };
//   using namespace oro::platform::contract;
//   INSTANTIATE_TYPED_TEST_SUITE_P(My, RegistryStoreContract, MyStore);
//   INSTANTIATE_TYPED_TEST_SUITE_P(My, RegistryStoreSecurityContract, MyStore);
//
// An adapter that is always the process's own account (the system's registry)
// may add `static std::string NoSecondAccount();`: the tests that need a
// second, non-administrator caller then skip with that reason; likewise
// `static std::string NoAdministratorOverride();` for a system on which an
// administrator's privileges do not open keys whose access list refuses them,
// and `static std::string NoInheritance();` for one whose new keys do not
// take their parent's inheritable entries.
//
// Include this header in one test file per program (it registers the suites).
#pragma once

#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "oro/platform/registry_store.h"
#include "oro/platform/text.h"
#include "temp_root.h"

namespace oro::platform::contract {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Utf16(const std::wstring& s, bool terminator) {
  Bytes b = ToUtf16Le(s);
  if (terminator) b.insert(b.end(), {0, 0});
  return b;
}

template <typename Factory, typename = void>
struct HasNoSecondAccount : std::false_type {};
template <typename Factory>
struct HasNoSecondAccount<Factory, std::void_t<decltype(Factory::NoSecondAccount())>> : std::true_type {};

template <typename Factory>
std::string NoSecondAccountReason() {
  if constexpr (HasNoSecondAccount<Factory>::value) {
    return Factory::NoSecondAccount();
  } else {
    return {};
  }
}

template <typename Factory, typename = void>
struct HasNoAdministratorOverride : std::false_type {};
template <typename Factory>
struct HasNoAdministratorOverride<Factory, std::void_t<decltype(Factory::NoAdministratorOverride())>> : std::true_type {
};

template <typename Factory>
std::string NoAdministratorOverrideReason() {
  if constexpr (HasNoAdministratorOverride<Factory>::value) {
    return Factory::NoAdministratorOverride();
  } else {
    return {};
  }
}

#define ORO_NEEDS_ADMINISTRATOR_OVERRIDE()                                                         \
  do {                                                                                             \
    const std::string why = ::oro::platform::contract::NoAdministratorOverrideReason<TypeParam>(); \
    if (!why.empty()) GTEST_SKIP() << why;                                                         \
  } while (false)

#define ORO_NEEDS_SECOND_ACCOUNT()                                                         \
  do {                                                                                     \
    const std::string why = ::oro::platform::contract::NoSecondAccountReason<TypeParam>(); \
    if (!why.empty()) GTEST_SKIP() << why;                                                 \
  } while (false)

template <typename Factory, typename = void>
struct HasNoInheritance : std::false_type {};
template <typename Factory>
struct HasNoInheritance<Factory, std::void_t<decltype(Factory::NoInheritance())>> : std::true_type {};

template <typename Factory>
std::string NoInheritanceReason() {
  if constexpr (HasNoInheritance<Factory>::value) {
    return Factory::NoInheritance();
  } else {
    return {};
  }
}

#define ORO_NEEDS_INHERITANCE()                                                          \
  do {                                                                                   \
    const std::string why = ::oro::platform::contract::NoInheritanceReason<TypeParam>(); \
    if (!why.empty()) GTEST_SKIP() << why;                                               \
  } while (false)

// Roots, names, values kept byte for byte, enumeration, key deletion, handles.
template <typename Factory>
class RegistryStoreContract : public ::testing::Test {
 protected:
  std::unique_ptr<RegistryStore> Open() {
    auto s = Factory::Open(root_, nullptr);
    std::string detail;
    EXPECT_EQ(s->Status(&detail), err::kSuccess) << detail;
    return s;
  }

  KeyHandle Create(const std::wstring& path, std::uint32_t access = keyaccess::kAllAccess) {
    KeyHandle h;
    bool created = false;
    EXPECT_EQ(store_->CreateKey(RootKey::kLocalMachine, path, access, nullptr, &h, &created), err::kSuccess)
        << ToUtf8(path);
    return h;
  }

  void Set(const KeyHandle& h, const std::wstring& name, std::uint32_t type, const Bytes& data) {
    ASSERT_EQ(store_->SetValue(h, name, type, data.data(), data.size()), err::kSuccess);
  }

  RegValue Get(const KeyHandle& h, const std::wstring& name) {
    RegValue v;
    EXPECT_EQ(store_->QueryValue(h, name, &v), err::kSuccess) << ToUtf8(name);
    return v;
  }

  std::vector<std::wstring> SubKeys(const KeyHandle& h) {
    std::vector<std::wstring> names;
    std::wstring name;
    ErrorCode rc;
    for (std::uint32_t i = 0; (rc = store_->EnumKey(h, i, &name)) == err::kSuccess; ++i) names.push_back(name);
    EXPECT_EQ(rc, err::kNoMoreItems);
    return names;
  }

  oro::test::TempRoot root_;
  std::unique_ptr<RegistryStore> store_ = Open();
};

TYPED_TEST_SUITE_P(RegistryStoreContract);

TYPED_TEST_P(RegistryStoreContract, FiveRootsExistWithDefaultSecurityAndCannotBeDeleted) {
  for (auto root : {RootKey::kClassesRoot, RootKey::kCurrentConfig, RootKey::kCurrentUser, RootKey::kLocalMachine,
                    RootKey::kUsers}) {
    KeyHandle h;
    ASSERT_EQ(this->store_->OpenKey(root, L"", keyaccess::kAllAccess, &h), err::kSuccess);
    KeySecurity sec;
    ASSERT_EQ(this->store_->GetSecurity(h, &sec), err::kSuccess);
    EXPECT_EQ(sec.owner, L"Administrators");
    const std::uint32_t inherit = aceflags::kContainerInherit | aceflags::kObjectInherit;
    EXPECT_EQ(sec.dacl, (std::vector<AccessEntry>{{L"Administrators", keyaccess::kAllAccess, inherit},
                                                  {L"SYSTEM", keyaccess::kAllAccess, inherit},
                                                  {L"Users", keyaccess::kRead, inherit}}));
    EXPECT_EQ(this->store_->DeleteKey(root, L""), err::kAccessDenied);
  }
  KeyHandle a, b;
  ASSERT_EQ(this->store_->OpenKey(RootKey::kUsers, L"", keyaccess::kRead, &a), err::kSuccess);
  ASSERT_EQ(this->store_->OpenKey(RootKey::kLocalMachine, L"", keyaccess::kRead, &b), err::kSuccess);
  EXPECT_NE(a.id, b.id);
}

TYPED_TEST_P(RegistryStoreContract, NamesMatchWhateverTheCaseAndKeepTheFirstSpelling) {
  KeyHandle kit = this->Create(L"Software\\OroSoundKit");
  KeyHandle again;
  bool created = true;
  ASSERT_EQ(this->store_->CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\orosoundKIT", keyaccess::kRead, nullptr, &again,
                                    &created),
            err::kSuccess);
  EXPECT_FALSE(created);
  EXPECT_EQ(again.id, kit.id);
  KeyHandle opened;
  ASSERT_EQ(this->store_->OpenKey(RootKey::kLocalMachine, L"software\\OROSOUNDKIT", keyaccess::kRead, &opened),
            err::kSuccess);
  EXPECT_EQ(opened.id, kit.id);
  EXPECT_EQ(opened.sub_key, L"software\\OROSOUNDKIT");

  KeyHandle software;
  ASSERT_EQ(this->store_->OpenKey(RootKey::kLocalMachine, L"SOFTWARE", keyaccess::kRead, &software), err::kSuccess);
  EXPECT_EQ(this->SubKeys(software), std::vector<std::wstring>{L"OroSoundKit"});

  this->Set(kit, L"ExitCmd", regtype::kDword, {1, 0, 0, 0});
  this->Set(kit, L"EXITCMD", regtype::kDword, {2, 0, 0, 0});
  EXPECT_EQ(this->Get(kit, L"exitcmd").data, (Bytes{2, 0, 0, 0}));
  std::wstring name;
  ASSERT_EQ(this->store_->EnumValue(kit, 0, &name, nullptr), err::kSuccess);
  EXPECT_EQ(name, L"ExitCmd");
  EXPECT_EQ(this->store_->EnumValue(kit, 1, &name, nullptr), err::kNoMoreItems);

  // Case folding reaches beyond ASCII.
  KeyHandle accented = this->Create(L"Software\\\u00e9t\u00e9");
  KeyHandle upper;
  ASSERT_EQ(this->store_->OpenKey(RootKey::kLocalMachine, L"SOFTWARE\\\u00c9T\u00c9", keyaccess::kRead, &upper),
            err::kSuccess);
  EXPECT_EQ(upper.id, accented.id);
}

TYPED_TEST_P(RegistryStoreContract, ValuesComeBackByteForByteWhateverTheirType) {
  KeyHandle h = this->Create(L"SOFTWARE\\Bytes");
  Bytes block(575);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i * 7);
  const Bytes with_zero = Utf16(L"C:\\Program Files\\Oro", true);
  const Bytes without_zero = Utf16(L"no terminator", false);
  // "a", "", "b" as a multi-string: empty element in the middle.
  const Bytes multi = {'a', 0, 0, 0, 0, 0, 'b', 0, 0, 0, 0, 0};
  const Bytes odd = {0x01, 0x02, 0x03};
  const struct {
    const wchar_t* name;
    std::uint32_t type;
    Bytes data;
  } cases[] = {
      {L"{6F8E9E8B-C370-48D3-A20E-D1CA1D61BB3C}", regtype::kBinary, block},
      {L"InstallPath", regtype::kSz, with_zero},
      {L"Bare", regtype::kSz, without_zero},
      {L"Multi", regtype::kMultiSz, multi},
      {L"OddString", regtype::kSz, odd},
      {L"Empty", regtype::kBinary, {}},
      {L"Strange", 0xDEADBEEF, {9, 8, 7}},
      {L"", regtype::kSz, Utf16(L"default", true)},
  };
  for (const auto& c : cases) this->Set(h, c.name, c.type, c.data);
  auto reopened = this->Open();
  for (const auto& c : cases) {
    RegValue v;
    ASSERT_EQ(reopened->QueryValue(h, c.name, &v), err::kSuccess);
    EXPECT_EQ(v.type, c.type);
    EXPECT_EQ(v.data, c.data);
  }
  EXPECT_EQ(reopened->QueryValue(h, L"Empty", nullptr), err::kSuccess);
  KeyInfo info;
  ASSERT_EQ(reopened->QueryInfo(h, &info), err::kSuccess);
  EXPECT_EQ(info.values, std::size(cases));
  EXPECT_EQ(info.sub_keys, 0u);
}

TYPED_TEST_P(RegistryStoreContract, EnumerationFollowsFoldedNameOrderAndEndsWithNoMoreItems) {
  KeyHandle parent = this->Create(L"SOFTWARE\\Order");
  for (const wchar_t* n : {L"beta", L"Alpha", L"gamma", L"ALPHA2", L"Beta1"}) {
    this->Create(std::wstring(L"SOFTWARE\\Order\\") + n);
    this->Set(parent, n, regtype::kDword, {0, 0, 0, 0});
  }
  const std::vector<std::wstring> expected = {L"Alpha", L"ALPHA2", L"beta", L"Beta1", L"gamma"};
  EXPECT_EQ(this->SubKeys(parent), expected);
  std::vector<std::wstring> values;
  std::wstring name;
  RegValue v;
  for (std::uint32_t i = 0; this->store_->EnumValue(parent, i, &name, &v) == err::kSuccess; ++i) values.push_back(name);
  EXPECT_EQ(values, expected);
  EXPECT_EQ(this->store_->EnumValue(parent, 5, &name, &v), err::kNoMoreItems);
  EXPECT_EQ(this->store_->EnumKey(parent, 1000, &name), err::kNoMoreItems);
  KeyInfo info;
  ASSERT_EQ(this->store_->QueryInfo(parent, &info), err::kSuccess);
  EXPECT_EQ(info.sub_keys, 5u);
  EXPECT_EQ(info.values, 5u);
}

TYPED_TEST_P(RegistryStoreContract, PathsAndNamesAreChecked) {
  KeyHandle h;
  for (const wchar_t* bad : {L"SOFTWARE\\\\Oro", L"\\SOFTWARE", L"SOFTWARE\\", L"\\"}) {
    EXPECT_EQ(this->store_->CreateKey(RootKey::kLocalMachine, bad, keyaccess::kRead, nullptr, &h, nullptr),
              err::kBadKey);
    EXPECT_EQ(this->store_->OpenKey(RootKey::kLocalMachine, bad, keyaccess::kRead, &h), err::kBadKey);
  }
  EXPECT_EQ(this->store_->OpenKey(RootKey::kLocalMachine, std::wstring(L"A\0B", 3), keyaccess::kRead, &h),
            err::kBadKey);
  this->Create(L"SOFTWARE\\" + std::wstring(255, L'k'));
  EXPECT_EQ(this->store_->CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\" + std::wstring(256, L'k'), keyaccess::kRead,
                                    nullptr, &h, nullptr),
            err::kInvalidParameter);
  // A character beyond the basic plane counts twice, as in UTF-16.
  EXPECT_EQ(this->store_->CreateKey(RootKey::kLocalMachine, std::wstring(254, L'k') + L"\U0001F600", keyaccess::kRead,
                                    nullptr, &h, nullptr),
            err::kInvalidParameter);

  KeyHandle k = this->Create(L"SOFTWARE\\Names");
  this->Set(k, std::wstring(16383, L'v'), regtype::kDword, {1, 2, 3, 4});
  const Bytes four = {1, 2, 3, 4};
  EXPECT_EQ(this->store_->SetValue(k, std::wstring(16384, L'v'), regtype::kDword, four.data(), 4),
            err::kInvalidParameter);
  EXPECT_EQ(this->store_->SetValue(k, L"x", regtype::kBinary, nullptr, 4), err::kInvalidParameter);
  EXPECT_EQ(this->store_->SetValue(k, L"x", regtype::kBinary, nullptr, 0), err::kSuccess);
  EXPECT_EQ(this->store_->OpenKey(static_cast<RootKey>(9), L"", keyaccess::kRead, &h), err::kInvalidParameter);

  // A tree grows 512 levels below its root and no deeper; a refused path
  // leaves nothing half-made.
  std::wstring deep = L"D";
  for (int level = 2; level <= 512; ++level) deep += L"\\D";
  this->Create(deep);
  bool created = true;
  EXPECT_EQ(this->store_->CreateKey(RootKey::kLocalMachine, L"E\\" + deep, keyaccess::kRead, nullptr, &h, &created),
            err::kInvalidParameter);
  EXPECT_EQ(this->store_->OpenKey(RootKey::kLocalMachine, L"E", keyaccess::kRead, &h), err::kFileNotFound);
  EXPECT_EQ(this->store_->OpenKey(RootKey::kLocalMachine, deep + L"\\D", keyaccess::kRead, &h), err::kInvalidParameter);
}

TYPED_TEST_P(RegistryStoreContract, MissingKeysAndValuesAreNotFound) {
  KeyHandle h;
  EXPECT_EQ(this->store_->OpenKey(RootKey::kLocalMachine, L"SOFTWARE\\Nothing", keyaccess::kRead, &h),
            err::kFileNotFound);
  EXPECT_EQ(this->store_->DeleteKey(RootKey::kLocalMachine, L"SOFTWARE\\Nothing"), err::kFileNotFound);
  KeyHandle k = this->Create(L"SOFTWARE\\Here");
  EXPECT_EQ(this->store_->QueryValue(k, L"absent", nullptr), err::kFileNotFound);
  EXPECT_EQ(this->store_->DeleteValue(k, L"absent"), err::kFileNotFound);
  this->Set(k, L"present", regtype::kDword, {1, 0, 0, 0});
  EXPECT_EQ(this->store_->DeleteValue(k, L"PRESENT"), err::kSuccess);
  EXPECT_EQ(this->store_->QueryValue(k, L"present", nullptr), err::kFileNotFound);
}

TYPED_TEST_P(RegistryStoreContract, CreateMakesEveryMissingKeyAlongThePath) {
  bool created = false;
  KeyHandle leaf;
  ASSERT_EQ(
      this->store_->CreateKey(RootKey::kLocalMachine, L"A\\B\\C", keyaccess::kAllAccess, nullptr, &leaf, &created),
      err::kSuccess);
  EXPECT_TRUE(created);
  KeyHandle mid;
  EXPECT_EQ(this->store_->OpenKey(RootKey::kLocalMachine, L"A\\B", keyaccess::kRead, &mid), err::kSuccess);
  EXPECT_EQ(this->SubKeys(mid), std::vector<std::wstring>{L"C"});
  KeyHandle root;
  ASSERT_EQ(this->store_->CreateKey(RootKey::kLocalMachine, L"", keyaccess::kRead, nullptr, &root, &created),
            err::kSuccess);
  EXPECT_FALSE(created);
}

TYPED_TEST_P(RegistryStoreContract, KeysWithSubKeysCannotBeDeletedAndValuesGoWithTheirKey) {
  KeyHandle parent = this->Create(L"SOFTWARE\\Parent");
  this->Create(L"SOFTWARE\\Parent\\Child");
  this->Set(parent, L"v", regtype::kDword, {1, 0, 0, 0});
  EXPECT_EQ(this->store_->DeleteKey(RootKey::kLocalMachine, L"SOFTWARE\\Parent"), err::kAccessDenied);
  EXPECT_EQ(this->Get(parent, L"v").data, (Bytes{1, 0, 0, 0}));
  ASSERT_EQ(this->store_->DeleteKey(RootKey::kLocalMachine, L"software\\parent\\CHILD"), err::kSuccess);
  ASSERT_EQ(this->store_->DeleteKey(RootKey::kLocalMachine, L"SOFTWARE\\Parent"), err::kSuccess);
  KeyHandle fresh = this->Create(L"SOFTWARE\\Parent");
  KeyInfo info;
  ASSERT_EQ(this->store_->QueryInfo(fresh, &info), err::kSuccess);
  EXPECT_EQ(info.values, 0u);
  EXPECT_EQ(info.sub_keys, 0u);
}

TYPED_TEST_P(RegistryStoreContract, HandleOfADeletedKeyStaysDeadEvenWhenThePathComesBack) {
  KeyHandle h = this->Create(L"SOFTWARE\\Gone");
  this->Set(h, L"v", regtype::kDword, {1, 0, 0, 0});
  ASSERT_EQ(this->store_->DeleteKey(RootKey::kLocalMachine, L"SOFTWARE\\Gone"), err::kSuccess);
  this->Create(L"SOFTWARE\\Gone");
  const Bytes d = {1};
  std::wstring name;
  KeyInfo info;
  KeySecurity sec;
  EXPECT_EQ(this->store_->QueryValue(h, L"v", nullptr), err::kKeyDeleted);
  EXPECT_EQ(this->store_->SetValue(h, L"v", regtype::kBinary, d.data(), d.size()), err::kKeyDeleted);
  EXPECT_EQ(this->store_->DeleteValue(h, L"v"), err::kKeyDeleted);
  EXPECT_EQ(this->store_->EnumKey(h, 0, &name), err::kKeyDeleted);
  EXPECT_EQ(this->store_->EnumValue(h, 0, &name, nullptr), err::kKeyDeleted);
  EXPECT_EQ(this->store_->QueryInfo(h, &info), err::kKeyDeleted);
  EXPECT_EQ(this->store_->GetSecurity(h, &sec), err::kKeyDeleted);
  EXPECT_EQ(this->store_->SetSecurity(h, sec, false, true), err::kKeyDeleted);
  EXPECT_EQ(this->store_->QueryValue(KeyHandle{}, L"v", nullptr), err::kInvalidHandle);
}

// Opening and deleting below an open key reaches the same keys as full paths,
// and a handle whose key went away opens nothing, not even a key re-created
// at the same path.
TYPED_TEST_P(RegistryStoreContract, KeysOpenAndDeleteRelativeToAnOpenParent) {
  KeyHandle kit = this->Create(L"SOFTWARE\\Kit");
  KeyHandle deep = this->Create(L"SOFTWARE\\Kit\\A\\B");
  KeyHandle enumerate_only;
  ASSERT_EQ(
      this->store_->OpenKey(RootKey::kLocalMachine, L"SOFTWARE\\KIT", keyaccess::kEnumerateSubKeys, &enumerate_only),
      err::kSuccess);
  KeyHandle b;
  ASSERT_EQ(this->store_->OpenSubKey(enumerate_only, L"a\\b", keyaccess::kSetValue, &b), err::kSuccess);
  EXPECT_EQ(b.id, deep.id);
  EXPECT_EQ(b.access & keyaccess::kSetValue, keyaccess::kSetValue);
  EXPECT_EQ(b.root, RootKey::kLocalMachine);
  KeyHandle self;
  ASSERT_EQ(this->store_->OpenSubKey(kit, L"", keyaccess::kRead, &self), err::kSuccess);
  EXPECT_EQ(self.id, kit.id);
  KeyHandle none;
  EXPECT_EQ(this->store_->OpenSubKey(kit, L"A\\Missing", keyaccess::kRead, &none), err::kFileNotFound);
  EXPECT_EQ(this->store_->OpenSubKey(kit, L"A\\\\B", keyaccess::kRead, &none), err::kBadKey);
  EXPECT_EQ(this->store_->OpenSubKey(KeyHandle{}, L"A", keyaccess::kRead, &none), err::kInvalidHandle);

  EXPECT_EQ(this->store_->DeleteSubKey(kit, L"A"), err::kAccessDenied);  // B is still there
  EXPECT_EQ(this->store_->DeleteSubKey(kit, L""), err::kAccessDenied);   // not itself
  ASSERT_EQ(this->store_->DeleteSubKey(kit, L"a\\B"), err::kSuccess);
  EXPECT_EQ(this->store_->QueryValue(deep, L"v", nullptr), err::kKeyDeleted);
  ASSERT_EQ(this->store_->DeleteSubKey(kit, L"A"), err::kSuccess);
  EXPECT_EQ(this->store_->DeleteSubKey(kit, L"A"), err::kFileNotFound);

  KeyHandle software;
  ASSERT_EQ(this->store_->OpenKey(RootKey::kLocalMachine, L"SOFTWARE", keyaccess::kRead, &software), err::kSuccess);
  ASSERT_EQ(this->store_->DeleteSubKey(software, L"Kit"), err::kSuccess);
  this->Create(L"SOFTWARE\\Kit\\A");
  EXPECT_EQ(this->store_->OpenSubKey(kit, L"A", keyaccess::kRead, &none), err::kKeyDeleted);
  EXPECT_EQ(this->store_->DeleteSubKey(kit, L"A"), err::kKeyDeleted);
}

TYPED_TEST_P(RegistryStoreContract, EachCallNeedsTheRightItsHandleWasOpenedWith) {
  this->Create(L"SOFTWARE\\Rights");
  auto open = [&](std::uint32_t access) {
    KeyHandle h;
    EXPECT_EQ(this->store_->OpenKey(RootKey::kLocalMachine, L"SOFTWARE\\Rights", access, &h), err::kSuccess);
    return h;
  };
  const Bytes d = {1, 0, 0, 0};
  std::wstring name;
  KeyInfo info;
  KeySecurity sec;
  KeyHandle query = open(keyaccess::kQueryValue);
  EXPECT_EQ(this->store_->SetValue(query, L"v", regtype::kDword, d.data(), d.size()), err::kAccessDenied);
  EXPECT_EQ(this->store_->DeleteValue(query, L"v"), err::kAccessDenied);
  EXPECT_EQ(this->store_->EnumKey(query, 0, &name), err::kAccessDenied);
  EXPECT_EQ(this->store_->GetSecurity(query, &sec), err::kAccessDenied);
  EXPECT_EQ(this->store_->QueryInfo(query, &info), err::kSuccess);
  KeyHandle set = open(keyaccess::kSetValue);
  EXPECT_EQ(this->store_->SetValue(set, L"v", regtype::kDword, d.data(), d.size()), err::kSuccess);
  EXPECT_EQ(this->store_->QueryValue(set, L"v", nullptr), err::kAccessDenied);
  EXPECT_EQ(this->store_->EnumValue(set, 0, &name, nullptr), err::kAccessDenied);
  KeyHandle control = open(keyaccess::kReadControl);
  ASSERT_EQ(this->store_->GetSecurity(control, &sec), err::kSuccess);
  EXPECT_EQ(this->store_->SetSecurity(control, sec, false, true), err::kAccessDenied);
  EXPECT_EQ(this->store_->SetSecurity(open(keyaccess::kWriteDac), sec, true, true), err::kAccessDenied);
  EXPECT_EQ(this->store_->SetSecurity(open(keyaccess::kWriteDac | keyaccess::kWriteOwner), sec, true, true),
            err::kSuccess);
  KeyHandle max = open(keyaccess::kMaximumAllowed);
  EXPECT_EQ(max.access & keyaccess::kAllAccess, keyaccess::kAllAccess);
}

TYPED_TEST_P(RegistryStoreContract, NewKeysInheritContainerEntriesAndExplicitSecurityAppliesToTheLastKey) {
  KeyHandle parent = this->Create(L"SOFTWARE\\Sec");
  ORO_NEEDS_INHERITANCE();
  // Accounts every system knows: a store on the real registry holds SIDs, not names.
  KeySecurity custom{
      L"Administrators",
      {{L"Users", keyaccess::kRead, aceflags::kContainerInherit}, {L"NETWORK SERVICE", keyaccess::kAllAccess, 0}}};
  ASSERT_EQ(this->store_->SetSecurity(parent, custom, false, true), err::kSuccess);
  KeySecurity given{L"", {{L"Everyone", keyaccess::kAllAccess, 0}}};
  KeyHandle leaf;
  ASSERT_EQ(this->store_->CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\Sec\\Mid\\Leaf", keyaccess::kAllAccess, &given,
                                    &leaf, nullptr),
            err::kSuccess);
  KeyHandle mid = this->Create(L"SOFTWARE\\Sec\\Mid", keyaccess::kRead);
  KeySecurity got;
  ASSERT_EQ(this->store_->GetSecurity(mid, &got), err::kSuccess);
  EXPECT_EQ(got.owner, L"Administrators");
  EXPECT_EQ(got.dacl, (std::vector<AccessEntry>{{L"Users", keyaccess::kRead, aceflags::kContainerInherit}}));
  ASSERT_EQ(this->store_->GetSecurity(leaf, &got), err::kSuccess);
  EXPECT_EQ(got.owner, L"Administrators");
  EXPECT_EQ(got.dacl, given.dacl);
}

TYPED_TEST_P(RegistryStoreContract, StoresOnTheSameFileAndThreadsOfOneStoreShareEverything) {
  auto other = this->Open();
  KeyHandle h = this->Create(L"SOFTWARE\\Shared");
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 25; ++i) {
        const Bytes d = {static_cast<std::uint8_t>(t), static_cast<std::uint8_t>(i)};
        const std::wstring name = L"t" + std::to_wstring(t) + L"_" + std::to_wstring(i);
        EXPECT_EQ((t % 2 ? other.get() : this->store_.get())->SetValue(h, name, regtype::kBinary, d.data(), d.size()),
                  err::kSuccess);
      }
    });
  }
  for (auto& t : threads) t.join();
  KeyInfo info;
  ASSERT_EQ(other->QueryInfo(h, &info), err::kSuccess);
  EXPECT_EQ(info.values, 100u);
  RegValue v;
  ASSERT_EQ(other->QueryValue(h, L"T2_24", &v), err::kSuccess);
  EXPECT_EQ(v.data, (Bytes{2, 24}));
}

REGISTER_TYPED_TEST_SUITE_P(RegistryStoreContract, FiveRootsExistWithDefaultSecurityAndCannotBeDeleted,
                            NamesMatchWhateverTheCaseAndKeepTheFirstSpelling,
                            ValuesComeBackByteForByteWhateverTheirType,
                            EnumerationFollowsFoldedNameOrderAndEndsWithNoMoreItems, PathsAndNamesAreChecked,
                            MissingKeysAndValuesAreNotFound, CreateMakesEveryMissingKeyAlongThePath,
                            KeysWithSubKeysCannotBeDeletedAndValuesGoWithTheirKey,
                            HandleOfADeletedKeyStaysDeadEvenWhenThePathComesBack,
                            KeysOpenAndDeleteRelativeToAnOpenParent, EachCallNeedsTheRightItsHandleWasOpenedWith,
                            NewKeysInheritContainerEntriesAndExplicitSecurityAppliesToTheLastKey,
                            StoresOnTheSameFileAndThreadsOfOneStoreShareEverything);

constexpr const wchar_t* kContractKit = L"SOFTWARE\\OroSoundKit";

// Who may change what: administrators pass every check; other callers need
// the rights from the key's access list (or as its owner) to open for writing.
template <typename Factory>
class RegistryStoreSecurityContract : public ::testing::Test {
 protected:
  std::unique_ptr<RegistryStore> OpenAs(const Caller& caller) {
    auto s = Factory::Open(root_, &caller);
    std::string detail;
    EXPECT_EQ(s->Status(&detail), err::kSuccess) << detail;
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
  std::unique_ptr<RegistryStore> admin_ = OpenAs(admin_caller_);
  std::unique_ptr<RegistryStore> alice_ = OpenAs(alice_caller_);
  KeyHandle kit_ = [this] {
    KeyHandle h;
    EXPECT_EQ(admin_->CreateKey(RootKey::kLocalMachine, kContractKit, keyaccess::kAllAccess, nullptr, &h, nullptr),
              err::kSuccess);
    return h;
  }();
};

TYPED_TEST_SUITE_P(RegistryStoreSecurityContract);

TYPED_TEST_P(RegistryStoreSecurityContract, ReadingIsOpenToEverybodyWritingIsNotWithoutAnEntry) {
  ORO_NEEDS_SECOND_ACCOUNT();
  EXPECT_FALSE(this->alice_->CurrentCaller().administrator);
  KeyHandle h;
  ASSERT_EQ(this->AliceOpens(kContractKit, keyaccess::kRead, &h), err::kSuccess);
  EXPECT_EQ(this->alice_->QueryValue(h, L"missing", nullptr), err::kFileNotFound);
  for (std::uint32_t right : {keyaccess::kSetValue, keyaccess::kCreateSubKey, keyaccess::kDelete, keyaccess::kWriteDac,
                              keyaccess::kWriteOwner, keyaccess::kWrite}) {
    EXPECT_EQ(this->AliceOpens(kContractKit, right), err::kAccessDenied) << std::hex << right;
  }
  EXPECT_EQ(this->AliceOpens(kContractKit, 0x40000000 /* generic write */), err::kAccessDenied);
  KeyHandle made;
  EXPECT_EQ(this->alice_->CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\OroSoundKit\\A\\B", keyaccess::kRead, nullptr,
                                    &made, nullptr),
            err::kAccessDenied);
  EXPECT_FALSE(this->Exists(L"SOFTWARE\\OroSoundKit\\A"));  // nothing half-made
  ASSERT_TRUE(this->Exists(kContractKit));
  EXPECT_EQ(this->alice_->DeleteKey(RootKey::kLocalMachine, kContractKit), err::kAccessDenied);
  EXPECT_TRUE(this->Exists(kContractKit));
  // The same through an open parent: the child's list decides.
  KeyHandle software;
  ASSERT_EQ(this->AliceOpens(L"SOFTWARE", keyaccess::kRead, &software), err::kSuccess);
  KeyHandle relative;
  EXPECT_EQ(this->alice_->OpenSubKey(software, L"OroSoundKit", keyaccess::kSetValue, &relative), err::kAccessDenied);
  EXPECT_EQ(this->alice_->OpenSubKey(software, L"OroSoundKit", keyaccess::kRead, &relative), err::kSuccess);
  EXPECT_EQ(this->alice_->DeleteSubKey(software, L"OroSoundKit"), err::kAccessDenied);
  EXPECT_TRUE(this->Exists(kContractKit));

  KeyHandle max;
  ASSERT_EQ(this->AliceOpens(kContractKit, keyaccess::kMaximumAllowed, &max), err::kSuccess);
  EXPECT_EQ(max.access & keyaccess::kRead, keyaccess::kRead);
  EXPECT_EQ(max.access & keyaccess::kWriteMask, 0u);
}

TYPED_TEST_P(RegistryStoreSecurityContract, AnEntryForTheUserUsersOrEveryoneGrantsItsRights) {
  ORO_NEEDS_SECOND_ACCOUNT();
  this->AdminSetsEntries(kContractKit, {{L"bob", keyaccess::kAllAccess, 0}});
  EXPECT_EQ(this->AliceOpens(kContractKit, keyaccess::kSetValue), err::kAccessDenied);

  this->AdminSetsEntries(kContractKit, {{L"ALICE", keyaccess::kSetValue, 0}});
  KeyHandle h;
  ASSERT_EQ(this->AliceOpens(kContractKit, keyaccess::kSetValue | keyaccess::kQueryValue, &h), err::kSuccess);
  const std::vector<std::uint8_t> d = {5, 0, 0, 0};
  EXPECT_EQ(this->alice_->SetValue(h, L"exitCmd", regtype::kDword, d.data(), d.size()), err::kSuccess);
  EXPECT_EQ(this->AliceOpens(kContractKit, keyaccess::kSetValue | keyaccess::kDelete), err::kAccessDenied);

  this->AdminSetsEntries(kContractKit,
                         {{L"Users", keyaccess::kSetValue, 0}, {L"Everyone", keyaccess::kCreateSubKey, 0}});
  EXPECT_EQ(this->AliceOpens(kContractKit, keyaccess::kSetValue | keyaccess::kCreateSubKey), err::kSuccess);
  KeyHandle max;
  ASSERT_EQ(this->AliceOpens(kContractKit, keyaccess::kMaximumAllowed, &max), err::kSuccess);
  EXPECT_EQ(max.access & keyaccess::kWriteMask, keyaccess::kSetValue | keyaccess::kCreateSubKey);
}

TYPED_TEST_P(RegistryStoreSecurityContract, KeysANonAdministratorCreatesAreItsOwnAndInheritContainerEntries) {
  ORO_NEEDS_SECOND_ACCOUNT();
  this->AdminSetsEntries(kContractKit,
                         {{L"alice", keyaccess::kCreateSubKey | keyaccess::kSetValue, aceflags::kContainerInherit},
                          {L"Users", keyaccess::kDelete, aceflags::kObjectInherit}});
  KeyHandle child;
  bool created = false;
  ASSERT_EQ(this->alice_->CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\OroSoundKit\\Mine",
                                    keyaccess::kRead | keyaccess::kSetValue | keyaccess::kWriteDac, nullptr, &child,
                                    &created),
            err::kSuccess);
  EXPECT_TRUE(created);
  KeySecurity sec;
  ASSERT_EQ(this->alice_->GetSecurity(child, &sec), err::kSuccess);
  EXPECT_EQ(sec.owner, L"alice");
  EXPECT_EQ(sec.dacl, (std::vector<AccessEntry>{
                          {L"alice", keyaccess::kCreateSubKey | keyaccess::kSetValue, aceflags::kContainerInherit}}));
  // The object-inherit-only delete entry did not come along.
  EXPECT_EQ(this->alice_->DeleteKey(RootKey::kLocalMachine, L"SOFTWARE\\OroSoundKit\\Mine"), err::kAccessDenied);
  // Asking for a right the new key would not grant undoes the creation.
  EXPECT_EQ(this->alice_->CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\OroSoundKit\\Other", keyaccess::kDelete,
                                    nullptr, &child, nullptr),
            err::kAccessDenied);
  EXPECT_FALSE(this->Exists(L"SOFTWARE\\OroSoundKit\\Other"));
}

TYPED_TEST_P(RegistryStoreSecurityContract, TheOwnerMayAlwaysReadAndRewriteTheAccessList) {
  ORO_NEEDS_SECOND_ACCOUNT();
  KeySecurity owned{L"alice", {}};
  KeyHandle h;
  ASSERT_EQ(this->admin_->CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\OroSoundKit\\Owned", keyaccess::kRead, &owned,
                                    &h, nullptr),
            err::kSuccess);
  const std::wstring path = L"SOFTWARE\\OroSoundKit\\Owned";
  EXPECT_EQ(this->AliceOpens(path, keyaccess::kSetValue), err::kAccessDenied);
  EXPECT_EQ(this->AliceOpens(path, keyaccess::kWriteOwner), err::kAccessDenied);
  KeyHandle dac;
  ASSERT_EQ(this->AliceOpens(path, keyaccess::kReadControl | keyaccess::kWriteDac, &dac), err::kSuccess);
  ASSERT_EQ(this->alice_->SetSecurity(dac, KeySecurity{L"", {{L"alice", keyaccess::kAllAccess, 0}}}, false, true),
            err::kSuccess);
  KeyHandle all;
  ASSERT_EQ(this->AliceOpens(path, keyaccess::kAllAccess, &all), err::kSuccess);
  EXPECT_EQ(this->alice_->SetSecurity(all, KeySecurity{L"bob", {}}, true, false), err::kInvalidOwner);
  EXPECT_EQ(this->alice_->SetSecurity(all, KeySecurity{L"Administrators", {}}, true, false), err::kInvalidOwner);
  EXPECT_EQ(this->alice_->SetSecurity(all, KeySecurity{L"alice", {}}, true, false), err::kSuccess);
  KeySecurity foreign{L"bob", {}};
  EXPECT_EQ(this->alice_->CreateKey(RootKey::kLocalMachine, path + L"\\Sub", keyaccess::kRead, &foreign, &h, nullptr),
            err::kInvalidOwner);
}

TYPED_TEST_P(RegistryStoreSecurityContract, AdministratorsPassEveryCheckAndMayNameAnyOwner) {
  ORO_NEEDS_ADMINISTRATOR_OVERRIDE();
  KeySecurity locked{L"TrustedInstaller", {}};
  KeyHandle h;
  ASSERT_EQ(
      this->admin_->CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\Locked", keyaccess::kRead, &locked, &h, nullptr),
      err::kSuccess);
  KeyHandle w;
  ASSERT_EQ(this->admin_->OpenKey(RootKey::kLocalMachine, L"SOFTWARE\\Locked",
                                  keyaccess::kWriteOwner | keyaccess::kWriteDac, &w),
            err::kSuccess);
  ASSERT_EQ(this->admin_->SetSecurity(
                w, KeySecurity{L"Administrators", {{L"Administrators", keyaccess::kAllAccess, 3}}}, true, true),
            err::kSuccess);
  KeySecurity sec;
  KeyHandle r;
  ASSERT_EQ(this->admin_->OpenKey(RootKey::kLocalMachine, L"SOFTWARE\\Locked", keyaccess::kReadControl, &r),
            err::kSuccess);
  ASSERT_EQ(this->admin_->GetSecurity(r, &sec), err::kSuccess);
  EXPECT_EQ(sec.owner, L"Administrators");
  EXPECT_EQ(this->admin_->SetSecurity(w, KeySecurity{L"", {}}, true, false), err::kInvalidOwner);
  EXPECT_EQ(this->admin_->SetSecurity(w, KeySecurity{L"", {{L"", keyaccess::kRead, 0}}}, false, true),
            err::kInvalidParameter);
}

REGISTER_TYPED_TEST_SUITE_P(RegistryStoreSecurityContract, ReadingIsOpenToEverybodyWritingIsNotWithoutAnEntry,
                            AnEntryForTheUserUsersOrEveryoneGrantsItsRights,
                            KeysANonAdministratorCreatesAreItsOwnAndInheritContainerEntries,
                            TheOwnerMayAlwaysReadAndRewriteTheAccessList,
                            AdministratorsPassEveryCheckAndMayNameAnyOwner);

}  // namespace oro::platform::contract
