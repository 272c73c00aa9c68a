// Behaviour of the settings store as the registry behaves: roots, names,
// values kept byte for byte, enumeration, key deletion and handles.
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "oro/platform/sqlite/sqlite_registry_store.h"
#include "oro/platform/text.h"
#include "temp_root.h"

namespace oro::platform::sqlite {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Utf16(const std::wstring& s, bool terminator) {
  Bytes b = ToUtf16Le(s);
  if (terminator) b.insert(b.end(), {0, 0});
  return b;
}

class StoreContract : public ::testing::Test {
 protected:
  std::unique_ptr<SqliteRegistryStore> Open() {
    auto s = std::make_unique<SqliteRegistryStore>(root_.RegistryDb());
    EXPECT_EQ(s->OpenError(), err::kSuccess) << s->OpenErrorDetail();
    return s;
  }

  KeyHandle Create(const std::wstring& path, std::uint32_t access = keyaccess::kAllAccess) {
    KeyHandle h;
    bool created = false;
    EXPECT_EQ(store_->CreateKey(RootKey::kLocalMachine, path, access, nullptr, &h, &created), err::kSuccess) << path;
    return h;
  }

  void Set(const KeyHandle& h, const std::wstring& name, std::uint32_t type, const Bytes& data) {
    ASSERT_EQ(store_->SetValue(h, name, type, data.data(), data.size()), err::kSuccess);
  }

  RegValue Get(const KeyHandle& h, const std::wstring& name) {
    RegValue v;
    EXPECT_EQ(store_->QueryValue(h, name, &v), err::kSuccess) << std::string(name.begin(), name.end());
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
  std::unique_ptr<SqliteRegistryStore> store_ = Open();
};

TEST_F(StoreContract, FiveRootsExistWithDefaultSecurityAndCannotBeDeleted) {
  for (auto root : {RootKey::kClassesRoot, RootKey::kCurrentConfig, RootKey::kCurrentUser, RootKey::kLocalMachine,
                    RootKey::kUsers}) {
    KeyHandle h;
    ASSERT_EQ(store_->OpenKey(root, L"", keyaccess::kAllAccess, &h), err::kSuccess);
    KeySecurity sec;
    ASSERT_EQ(store_->GetSecurity(h, &sec), err::kSuccess);
    EXPECT_EQ(sec.owner, L"Administrators");
    const std::uint32_t inherit = aceflags::kContainerInherit | aceflags::kObjectInherit;
    EXPECT_EQ(sec.dacl, (std::vector<AccessEntry>{{L"Administrators", keyaccess::kAllAccess, inherit},
                                                  {L"SYSTEM", keyaccess::kAllAccess, inherit},
                                                  {L"Users", keyaccess::kRead, inherit}}));
    EXPECT_EQ(store_->DeleteKey(root, L""), err::kAccessDenied);
  }
  KeyHandle a, b;
  ASSERT_EQ(store_->OpenKey(RootKey::kUsers, L"", keyaccess::kRead, &a), err::kSuccess);
  ASSERT_EQ(store_->OpenKey(RootKey::kLocalMachine, L"", keyaccess::kRead, &b), err::kSuccess);
  EXPECT_NE(a.id, b.id);
}

TEST_F(StoreContract, NamesMatchWhateverTheCaseAndKeepTheFirstSpelling) {
  KeyHandle kit = Create(L"Software\\OroSoundKit");
  KeyHandle again;
  bool created = true;
  ASSERT_EQ(
      store_->CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\orosoundKIT", keyaccess::kRead, nullptr, &again, &created),
      err::kSuccess);
  EXPECT_FALSE(created);
  EXPECT_EQ(again.id, kit.id);
  KeyHandle opened;
  ASSERT_EQ(store_->OpenKey(RootKey::kLocalMachine, L"software\\OROSOUNDKIT", keyaccess::kRead, &opened),
            err::kSuccess);
  EXPECT_EQ(opened.id, kit.id);
  EXPECT_EQ(opened.sub_key, L"software\\OROSOUNDKIT");

  KeyHandle software;
  ASSERT_EQ(store_->OpenKey(RootKey::kLocalMachine, L"SOFTWARE", keyaccess::kRead, &software), err::kSuccess);
  EXPECT_EQ(SubKeys(software), std::vector<std::wstring>{L"OroSoundKit"});

  Set(kit, L"ExitCmd", regtype::kDword, {1, 0, 0, 0});
  Set(kit, L"EXITCMD", regtype::kDword, {2, 0, 0, 0});
  EXPECT_EQ(Get(kit, L"exitcmd").data, (Bytes{2, 0, 0, 0}));
  std::wstring name;
  ASSERT_EQ(store_->EnumValue(kit, 0, &name, nullptr), err::kSuccess);
  EXPECT_EQ(name, L"ExitCmd");
  EXPECT_EQ(store_->EnumValue(kit, 1, &name, nullptr), err::kNoMoreItems);

  // Case folding reaches beyond ASCII.
  KeyHandle accented = Create(L"Software\\\u00e9t\u00e9");
  KeyHandle upper;
  ASSERT_EQ(store_->OpenKey(RootKey::kLocalMachine, L"SOFTWARE\\\u00c9T\u00c9", keyaccess::kRead, &upper),
            err::kSuccess);
  EXPECT_EQ(upper.id, accented.id);
}

TEST_F(StoreContract, ValuesComeBackByteForByteWhateverTheirType) {
  KeyHandle h = Create(L"SOFTWARE\\Bytes");
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
  for (const auto& c : cases) Set(h, c.name, c.type, c.data);
  auto reopened = Open();
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

TEST_F(StoreContract, EnumerationFollowsFoldedNameOrderAndEndsWithNoMoreItems) {
  KeyHandle parent = Create(L"SOFTWARE\\Order");
  for (const wchar_t* n : {L"beta", L"Alpha", L"gamma", L"ALPHA2", L"Beta1"}) {
    Create(std::wstring(L"SOFTWARE\\Order\\") + n);
    Set(parent, n, regtype::kDword, {0, 0, 0, 0});
  }
  const std::vector<std::wstring> expected = {L"Alpha", L"ALPHA2", L"beta", L"Beta1", L"gamma"};
  EXPECT_EQ(SubKeys(parent), expected);
  std::vector<std::wstring> values;
  std::wstring name;
  RegValue v;
  for (std::uint32_t i = 0; store_->EnumValue(parent, i, &name, &v) == err::kSuccess; ++i) values.push_back(name);
  EXPECT_EQ(values, expected);
  EXPECT_EQ(store_->EnumValue(parent, 5, &name, &v), err::kNoMoreItems);
  EXPECT_EQ(store_->EnumKey(parent, 1000, &name), err::kNoMoreItems);
  KeyInfo info;
  ASSERT_EQ(store_->QueryInfo(parent, &info), err::kSuccess);
  EXPECT_EQ(info.sub_keys, 5u);
  EXPECT_EQ(info.values, 5u);
}

TEST_F(StoreContract, PathsAndNamesAreChecked) {
  KeyHandle h;
  for (const wchar_t* bad : {L"SOFTWARE\\\\Oro", L"\\SOFTWARE", L"SOFTWARE\\", L"\\"}) {
    EXPECT_EQ(store_->CreateKey(RootKey::kLocalMachine, bad, keyaccess::kRead, nullptr, &h, nullptr), err::kBadKey);
    EXPECT_EQ(store_->OpenKey(RootKey::kLocalMachine, bad, keyaccess::kRead, &h), err::kBadKey);
  }
  EXPECT_EQ(store_->OpenKey(RootKey::kLocalMachine, std::wstring(L"A\0B", 3), keyaccess::kRead, &h), err::kBadKey);
  Create(L"SOFTWARE\\" + std::wstring(255, L'k'));
  EXPECT_EQ(store_->CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\" + std::wstring(256, L'k'), keyaccess::kRead,
                              nullptr, &h, nullptr),
            err::kInvalidParameter);
  // A character beyond the basic plane counts twice, as in UTF-16.
  EXPECT_EQ(store_->CreateKey(RootKey::kLocalMachine, std::wstring(254, L'k') + L"\U0001F600", keyaccess::kRead,
                              nullptr, &h, nullptr),
            err::kInvalidParameter);

  KeyHandle k = Create(L"SOFTWARE\\Names");
  Set(k, std::wstring(16383, L'v'), regtype::kDword, {1, 2, 3, 4});
  const Bytes four = {1, 2, 3, 4};
  EXPECT_EQ(store_->SetValue(k, std::wstring(16384, L'v'), regtype::kDword, four.data(), 4), err::kInvalidParameter);
  EXPECT_EQ(store_->SetValue(k, L"x", regtype::kBinary, nullptr, 4), err::kInvalidParameter);
  EXPECT_EQ(store_->SetValue(k, L"x", regtype::kBinary, nullptr, 0), err::kSuccess);
  EXPECT_EQ(store_->OpenKey(static_cast<RootKey>(9), L"", keyaccess::kRead, &h), err::kInvalidParameter);
}

TEST_F(StoreContract, MissingKeysAndValuesAreNotFound) {
  KeyHandle h;
  EXPECT_EQ(store_->OpenKey(RootKey::kLocalMachine, L"SOFTWARE\\Nothing", keyaccess::kRead, &h), err::kFileNotFound);
  EXPECT_EQ(store_->DeleteKey(RootKey::kLocalMachine, L"SOFTWARE\\Nothing"), err::kFileNotFound);
  KeyHandle k = Create(L"SOFTWARE\\Here");
  EXPECT_EQ(store_->QueryValue(k, L"absent", nullptr), err::kFileNotFound);
  EXPECT_EQ(store_->DeleteValue(k, L"absent"), err::kFileNotFound);
  Set(k, L"present", regtype::kDword, {1, 0, 0, 0});
  EXPECT_EQ(store_->DeleteValue(k, L"PRESENT"), err::kSuccess);
  EXPECT_EQ(store_->QueryValue(k, L"present", nullptr), err::kFileNotFound);
}

TEST_F(StoreContract, CreateMakesEveryMissingKeyAlongThePath) {
  bool created = false;
  KeyHandle leaf;
  ASSERT_EQ(store_->CreateKey(RootKey::kLocalMachine, L"A\\B\\C", keyaccess::kAllAccess, nullptr, &leaf, &created),
            err::kSuccess);
  EXPECT_TRUE(created);
  KeyHandle mid;
  EXPECT_EQ(store_->OpenKey(RootKey::kLocalMachine, L"A\\B", keyaccess::kRead, &mid), err::kSuccess);
  EXPECT_EQ(SubKeys(mid), std::vector<std::wstring>{L"C"});
  KeyHandle root;
  ASSERT_EQ(store_->CreateKey(RootKey::kLocalMachine, L"", keyaccess::kRead, nullptr, &root, &created), err::kSuccess);
  EXPECT_FALSE(created);
}

TEST_F(StoreContract, KeysWithSubKeysCannotBeDeletedAndValuesGoWithTheirKey) {
  KeyHandle parent = Create(L"SOFTWARE\\Parent");
  Create(L"SOFTWARE\\Parent\\Child");
  Set(parent, L"v", regtype::kDword, {1, 0, 0, 0});
  EXPECT_EQ(store_->DeleteKey(RootKey::kLocalMachine, L"SOFTWARE\\Parent"), err::kAccessDenied);
  EXPECT_EQ(Get(parent, L"v").data, (Bytes{1, 0, 0, 0}));
  ASSERT_EQ(store_->DeleteKey(RootKey::kLocalMachine, L"software\\parent\\CHILD"), err::kSuccess);
  ASSERT_EQ(store_->DeleteKey(RootKey::kLocalMachine, L"SOFTWARE\\Parent"), err::kSuccess);
  KeyHandle fresh = Create(L"SOFTWARE\\Parent");
  KeyInfo info;
  ASSERT_EQ(store_->QueryInfo(fresh, &info), err::kSuccess);
  EXPECT_EQ(info.values, 0u);
  EXPECT_EQ(info.sub_keys, 0u);
}

TEST_F(StoreContract, HandleOfADeletedKeyStaysDeadEvenWhenThePathComesBack) {
  KeyHandle h = Create(L"SOFTWARE\\Gone");
  Set(h, L"v", regtype::kDword, {1, 0, 0, 0});
  ASSERT_EQ(store_->DeleteKey(RootKey::kLocalMachine, L"SOFTWARE\\Gone"), err::kSuccess);
  Create(L"SOFTWARE\\Gone");
  const Bytes d = {1};
  std::wstring name;
  KeyInfo info;
  KeySecurity sec;
  EXPECT_EQ(store_->QueryValue(h, L"v", nullptr), err::kKeyDeleted);
  EXPECT_EQ(store_->SetValue(h, L"v", regtype::kBinary, d.data(), d.size()), err::kKeyDeleted);
  EXPECT_EQ(store_->DeleteValue(h, L"v"), err::kKeyDeleted);
  EXPECT_EQ(store_->EnumKey(h, 0, &name), err::kKeyDeleted);
  EXPECT_EQ(store_->EnumValue(h, 0, &name, nullptr), err::kKeyDeleted);
  EXPECT_EQ(store_->QueryInfo(h, &info), err::kKeyDeleted);
  EXPECT_EQ(store_->GetSecurity(h, &sec), err::kKeyDeleted);
  EXPECT_EQ(store_->SetSecurity(h, sec, false, true), err::kKeyDeleted);
  EXPECT_EQ(store_->QueryValue(KeyHandle{}, L"v", nullptr), err::kInvalidHandle);
}

TEST_F(StoreContract, EachCallNeedsTheRightItsHandleWasOpenedWith) {
  Create(L"SOFTWARE\\Rights");
  auto open = [&](std::uint32_t access) {
    KeyHandle h;
    EXPECT_EQ(store_->OpenKey(RootKey::kLocalMachine, L"SOFTWARE\\Rights", access, &h), err::kSuccess);
    return h;
  };
  const Bytes d = {1, 0, 0, 0};
  std::wstring name;
  KeyInfo info;
  KeySecurity sec;
  KeyHandle query = open(keyaccess::kQueryValue);
  EXPECT_EQ(store_->SetValue(query, L"v", regtype::kDword, d.data(), d.size()), err::kAccessDenied);
  EXPECT_EQ(store_->DeleteValue(query, L"v"), err::kAccessDenied);
  EXPECT_EQ(store_->EnumKey(query, 0, &name), err::kAccessDenied);
  EXPECT_EQ(store_->GetSecurity(query, &sec), err::kAccessDenied);
  EXPECT_EQ(store_->QueryInfo(query, &info), err::kSuccess);
  KeyHandle set = open(keyaccess::kSetValue);
  EXPECT_EQ(store_->SetValue(set, L"v", regtype::kDword, d.data(), d.size()), err::kSuccess);
  EXPECT_EQ(store_->QueryValue(set, L"v", nullptr), err::kAccessDenied);
  EXPECT_EQ(store_->EnumValue(set, 0, &name, nullptr), err::kAccessDenied);
  KeyHandle control = open(keyaccess::kReadControl);
  ASSERT_EQ(store_->GetSecurity(control, &sec), err::kSuccess);
  EXPECT_EQ(store_->SetSecurity(control, sec, false, true), err::kAccessDenied);
  EXPECT_EQ(store_->SetSecurity(open(keyaccess::kWriteDac), sec, true, true), err::kAccessDenied);
  EXPECT_EQ(store_->SetSecurity(open(keyaccess::kWriteDac | keyaccess::kWriteOwner), sec, true, true), err::kSuccess);
  KeyHandle max = open(keyaccess::kMaximumAllowed);
  EXPECT_EQ(max.access & keyaccess::kAllAccess, keyaccess::kAllAccess);
}

TEST_F(StoreContract, NewKeysInheritContainerEntriesAndExplicitSecurityAppliesToTheLastKey) {
  KeyHandle parent = Create(L"SOFTWARE\\Sec");
  KeySecurity custom{L"Administrators",
                     {{L"Users", keyaccess::kRead, aceflags::kContainerInherit},
                      {L"alice", keyaccess::kSetValue, aceflags::kObjectInherit},
                      {L"bob", keyaccess::kAllAccess, 0}}};
  ASSERT_EQ(store_->SetSecurity(parent, custom, false, true), err::kSuccess);
  KeySecurity given{L"", {{L"Everyone", keyaccess::kAllAccess, 0}}};
  KeyHandle leaf;
  ASSERT_EQ(store_->CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\Sec\\Mid\\Leaf", keyaccess::kAllAccess, &given, &leaf,
                              nullptr),
            err::kSuccess);
  KeyHandle mid = Create(L"SOFTWARE\\Sec\\Mid");
  KeySecurity got;
  ASSERT_EQ(store_->GetSecurity(mid, &got), err::kSuccess);
  EXPECT_EQ(got.owner, L"Administrators");
  EXPECT_EQ(got.dacl, (std::vector<AccessEntry>{{L"Users", keyaccess::kRead, aceflags::kContainerInherit}}));
  ASSERT_EQ(store_->GetSecurity(leaf, &got), err::kSuccess);
  EXPECT_EQ(got.owner, L"Administrators");
  EXPECT_EQ(got.dacl, given.dacl);
}

TEST_F(StoreContract, StoresOnTheSameFileAndThreadsOfOneStoreShareEverything) {
  auto other = Open();
  KeyHandle h = Create(L"SOFTWARE\\Shared");
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 25; ++i) {
        const Bytes d = {static_cast<std::uint8_t>(t), static_cast<std::uint8_t>(i)};
        const std::wstring name = L"t" + std::to_wstring(t) + L"_" + std::to_wstring(i);
        EXPECT_EQ((t % 2 ? other : store_)->SetValue(h, name, regtype::kBinary, d.data(), d.size()), err::kSuccess);
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

TEST_F(StoreContract, ChangeStampMovesWithEveryCommittedChangeFromAnyConnection) {
  auto other = Open();
  KeyHandle h = Create(L"SOFTWARE\\Watched");
  std::uint64_t first = 0, again = 0, after_other = 0, after_own = 0;
  ASSERT_EQ(store_->ChangeStamp(&first), err::kSuccess);
  ASSERT_EQ(store_->ChangeStamp(&again), err::kSuccess);
  EXPECT_EQ(first, again);
  RegValue v;
  EXPECT_EQ(store_->QueryValue(h, L"absent", &v), err::kFileNotFound);
  ASSERT_EQ(store_->ChangeStamp(&again), err::kSuccess);
  EXPECT_EQ(first, again);  // reading changes nothing
  const Bytes d = {1};
  ASSERT_EQ(other->SetValue(h, L"v", regtype::kBinary, d.data(), d.size()), err::kSuccess);
  ASSERT_EQ(store_->ChangeStamp(&after_other), err::kSuccess);
  EXPECT_NE(after_other, again);
  ASSERT_EQ(store_->SetValue(h, L"v", regtype::kBinary, d.data(), d.size()), err::kSuccess);
  ASSERT_EQ(store_->ChangeStamp(&after_own), err::kSuccess);
  EXPECT_NE(after_own, after_other);
}

}  // namespace
}  // namespace oro::platform::sqlite
