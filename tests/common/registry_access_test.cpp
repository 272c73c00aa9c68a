#include <algorithm>
#include <cstring>
#include <vector>

#include "oro/common/guid.h"
#include "oro/common/os_version.h"
#include "oro/common/registry_access.h"
#include "registry_test_fixture.h"

namespace oro::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace regtype = platform::regtype;

const std::wstring kNotFound = L"The system cannot find the file specified.";

TEST_F(RegistryTest, PathsNeedAFullRootNameAndABackslash) {
  EXPECT_EQ(ErrorOf([&] { reg_.ReadString(L"HKLM\\SOFTWARE\\OroSoundKit", L"x"); }), L"Unknown root key HKLM");
  EXPECT_EQ(ErrorOf([&] { reg_.KeyExists(L"HKEY_LOCAL_MACHNE\\SOFTWARE"); }), L"Unknown root key HKEY_LOCAL_MACHNE");
  EXPECT_EQ(ErrorOf([&] { reg_.KeyExists(L"SOFTWARE"); }), L"Key SOFTWARE has invalid format");
  EXPECT_EQ(ErrorOf([&] { reg_.WriteDword(L"", L"x", 1); }), L"Key  has invalid format");
  EXPECT_EQ(ErrorOf([&] { reg_.CreateKey(L"\\SOFTWARE"); }), L"Unknown root key ");
}

TEST_F(RegistryTest, RootNamesAreComparedInUpperCase) {
  reg_.WriteString(L"hkey_local_machine\\SOFTWARE\\OroSoundKit", L"InstallPath", L"/opt/oro");
  EXPECT_EQ(reg_.ReadString(kKey, L"InstallPath"), L"/opt/oro");
  for (const wchar_t* root : {L"HKEY_CLASSES_ROOT", L"HKEY_CURRENT_CONFIG", L"HKEY_CURRENT_USER", L"Hkey_Users"}) {
    const std::wstring key = std::wstring(root) + L"\\OroTest";
    reg_.CreateKey(key);
    EXPECT_TRUE(reg_.KeyExists(key)) << key;
  }
  // The same sub key under another root is another key.
  EXPECT_FALSE(reg_.KeyExists(L"HKEY_CURRENT_USER\\SOFTWARE\\OroSoundKit"));
}

TEST_F(RegistryTest, MissingKeyAndMissingValueAreToldApart) {
  const std::wstring missing = kKey + L"\\Missing";
  EXPECT_EQ(ErrorOf([&] { reg_.ReadString(missing, L"v"); }),
            L"Error while opening registry key " + missing + L": " + kNotFound);
  EXPECT_EQ(ErrorOf([&] { reg_.ReadDword(kKey, L"v"); }),
            L"Error while reading registry value " + kKey + L"\\v: " + kNotFound);
  EXPECT_EQ(ErrorOf([&] { reg_.DeleteValue(kKey, L"v"); }),
            L"Error while deleting registry value " + kKey + L"\\v: " + kNotFound);
  EXPECT_EQ(ErrorOf([&] { reg_.ValueExists(missing, L"v"); }),
            L"Error while opening registry key " + missing + L": " + kNotFound);
  EXPECT_FALSE(reg_.KeyExists(missing));
  EXPECT_FALSE(reg_.ValueExists(kKey, L"v"));
  reg_.WriteBinary(kKey, L"v", "x", 1);
  EXPECT_TRUE(reg_.ValueExists(kKey, L"v"));
}

TEST_F(RegistryTest, EachReadChecksTheType) {
  reg_.WriteDword(kKey, L"exitCmd", 1);
  reg_.WriteString(kKey, L"Name", L"x");
  const std::wstring wrong = L"Registry value " + kKey + L"\\exitCmd has wrong type";
  EXPECT_EQ(ErrorOf([&] { reg_.ReadString(kKey, L"exitCmd"); }), wrong);
  EXPECT_EQ(ErrorOf([&] { reg_.ReadMultiString(kKey, L"exitCmd"); }), wrong);
  EXPECT_EQ(ErrorOf([&] { reg_.ReadBinary(kKey, L"exitCmd"); }), wrong);
  char buffer[4];
  EXPECT_EQ(ErrorOf([&] { reg_.ReadBinaryInto(kKey, L"exitCmd", buffer, sizeof buffer); }), wrong);
  EXPECT_EQ(ErrorOf([&] { reg_.ReadDword(kKey, L"Name"); }), L"Registry value " + kKey + L"\\Name has wrong type");
}

TEST_F(RegistryTest, StringsKeepExactlyTheirCharactersMinusOneTerminator) {
  reg_.WriteString(kKey, L"s", L"ab");
  EXPECT_EQ(reg_.ReadValue(kKey, L"s").data, (Bytes{'a', 0, 'b', 0, 0, 0}));
  EXPECT_EQ(reg_.ReadString(kKey, L"s"), L"ab");

  reg_.WriteValue(kKey, L"bare", regtype::kSz, {'a', 0, 'b', 0});
  EXPECT_EQ(reg_.ReadString(kKey, L"bare"), L"ab");
  reg_.WriteValue(kKey, L"two", regtype::kSz, {'a', 0, 0, 0, 0, 0});
  EXPECT_EQ(reg_.ReadString(kKey, L"two"), std::wstring(L"a\0", 2));
  reg_.WriteValue(kKey, L"odd", regtype::kSz, {'a', 0, 'b'});
  EXPECT_EQ(reg_.ReadString(kKey, L"odd"), L"ab");
  reg_.WriteValue(kKey, L"empty", regtype::kSz, {});
  EXPECT_EQ(reg_.ReadString(kKey, L"empty"), L"");

  const std::wstring chinese = L"\u6e38\u620f\u8033\u673a \U0001F3A7";
  reg_.WriteString(kKey, L"\u8bbe\u5907", chinese);
  EXPECT_EQ(reg_.ReadString(kKey, L"\u8bbe\u5907"), chinese);
  // Five characters of the basic plane, the one beyond it as two UTF-16
  // units (as stored on Windows), the terminator.
  EXPECT_EQ(reg_.ReadValue(kKey, L"\u8bbe\u5907").data.size(), (5 + 2 + 1) * 2u);
}

TEST_F(RegistryTest, MultiStringsKeepEmptyElements) {
  // Units a, 0, 0, b, 0, 0.
  reg_.WriteValue(kKey, L"m", regtype::kMultiSz, {'a', 0, 0, 0, 0, 0, 'b', 0, 0, 0, 0, 0});
  EXPECT_EQ(reg_.ReadMultiString(kKey, L"m"), (std::vector<std::wstring>{L"a", L"", L"b"}));

  reg_.WriteMultiStringList(kKey, L"list", {L"a", L"", L"b"});
  EXPECT_EQ(reg_.ReadValue(kKey, L"list").data, (Bytes{'a', 0, 0, 0, 0, 0, 'b', 0, 0, 0, 0, 0}));
  EXPECT_EQ(reg_.ReadMultiString(kKey, L"list"), (std::vector<std::wstring>{L"a", L"", L"b"}));

  reg_.WriteMultiString(kKey, L"one", L"xy");
  EXPECT_EQ(reg_.ReadValue(kKey, L"one").data, (Bytes{'x', 0, 'y', 0, 0, 0, 0, 0}));
  EXPECT_EQ(reg_.ReadMultiString(kKey, L"one"), (std::vector<std::wstring>{L"xy"}));

  reg_.WriteValue(kKey, L"unterminated", regtype::kMultiSz, {'a', 0, 0, 0, 'b', 0});
  EXPECT_EQ(reg_.ReadMultiString(kKey, L"unterminated"), (std::vector<std::wstring>{L"a", L"b"}));
  reg_.WriteMultiStringList(kKey, L"none", {});
  EXPECT_TRUE(reg_.ReadMultiString(kKey, L"none").empty());
}

TEST_F(RegistryTest, DwordsAreFourLittleEndianBytes) {
  reg_.WriteDword(kKey, L"d", 0x12345678);
  EXPECT_EQ(reg_.ReadValue(kKey, L"d").data, (Bytes{0x78, 0x56, 0x34, 0x12}));
  EXPECT_EQ(reg_.ReadDword(kKey, L"d"), 0x12345678u);
  reg_.WriteValue(kKey, L"long", regtype::kDword, {1, 0, 0, 0x80, 9, 9});
  EXPECT_EQ(reg_.ReadDword(kKey, L"long"), 0x80000001u);
  // Two bytes cannot make a number: no read past the stored data.
  reg_.WriteValue(kKey, L"short", regtype::kDword, {1, 2});
  EXPECT_EQ(ErrorOf([&] { reg_.ReadDword(kKey, L"short"); }), L"Registry value " + kKey + L"\\short has wrong size");
}

TEST_F(RegistryTest, BinaryValuesAndFixedBuffers) {
  const Bytes stored = {0, 1, 2, 0, 0xFF, 5, 6, 7};
  reg_.WriteBinary(kKey, L"b", stored.data(), stored.size());
  EXPECT_EQ(reg_.ReadBinary(kKey, L"b"), stored);

  std::uint8_t small[6];
  std::memset(small, 0xAA, sizeof small);
  EXPECT_EQ(reg_.ReadBinaryInto(kKey, L"b", small, 4), 4u);
  EXPECT_EQ(Bytes(small, small + 6), (Bytes{0, 1, 2, 0, 0xAA, 0xAA}));

  std::uint8_t large[12];
  std::memset(large, 0xAA, sizeof large);
  EXPECT_EQ(reg_.ReadBinaryInto(kKey, L"b", large, sizeof large), stored.size());
  EXPECT_EQ(Bytes(large, large + 8), stored);
  EXPECT_EQ(large[8], 0xAA);

  reg_.WriteBinary(kKey, L"empty", nullptr, 0);
  EXPECT_TRUE(reg_.ReadBinary(kKey, L"empty").empty());
  EXPECT_EQ(ErrorOf([&] { reg_.WriteBinary(kKey, L"bad", nullptr, 3); }),
            L"Error while writing to registry value " + kKey + L"\\bad: The parameter is incorrect.");
}

TEST_F(RegistryTest, NamesAreCaseInsensitiveAndCasePreserving) {
  reg_.WriteString(kKey, L"InstallPath", L"a");
  reg_.WriteString(L"HKEY_LOCAL_MACHINE\\software\\orosoundkit", L"INSTALLPATH", L"b");
  EXPECT_EQ(reg_.ReadString(kKey, L"installpath"), L"b");
  reg_.CreateKey(kKey + L"\\Child APOs");
  EXPECT_TRUE(reg_.KeyExists(kKey + L"\\CHILD apos"));
  EXPECT_EQ(reg_.EnumerateSubKeys(kKey), std::vector<std::wstring>{L"Child APOs"});
}

TEST_F(RegistryTest, KeysAreListedCreatedAndDeleted) {
  EXPECT_TRUE(reg_.EnumerateSubKeys(kKey).empty());
  EXPECT_TRUE(reg_.IsKeyEmpty(kKey));
  reg_.WriteDword(kKey, L"v", 1);
  EXPECT_FALSE(reg_.IsKeyEmpty(kKey));
  reg_.DeleteValue(kKey, L"v");
  EXPECT_TRUE(reg_.IsKeyEmpty(kKey));

  reg_.CreateKey(kKey + L"\\A\\Deep");
  reg_.CreateKey(kKey + L"\\B");
  reg_.WriteDword(kKey + L"\\B", L"kept", 7);
  reg_.CreateKey(kKey + L"\\B");  // an existing key is opened, not replaced
  EXPECT_EQ(reg_.ReadDword(kKey + L"\\B", L"kept"), 7u);
  EXPECT_FALSE(reg_.IsKeyEmpty(kKey));
  auto names = reg_.EnumerateSubKeys(kKey);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"A", L"B"}));

  EXPECT_EQ(ErrorOf([&] { reg_.DeleteKey(kKey + L"\\A"); }),
            L"Error while deleting registry key " + kKey + L"\\A: Access is denied.");
  reg_.DeleteKey(kKey + L"\\A\\Deep");
  reg_.DeleteKey(kKey + L"\\A");
  EXPECT_FALSE(reg_.KeyExists(kKey + L"\\A"));
  EXPECT_EQ(ErrorOf([&] { reg_.DeleteKey(kKey + L"\\A"); }),
            L"Error while deleting registry key " + kKey + L"\\A: " + kNotFound);
  EXPECT_EQ(ErrorOf([&] { reg_.EnumerateSubKeys(kKey + L"\\A"); }),
            L"Error while opening registry key " + kKey + L"\\A: " + kNotFound);
  EXPECT_EQ(ErrorOf([&] { reg_.IsKeyEmpty(kKey + L"\\A"); }),
            L"Error while opening registry key " + kKey + L"\\A: " + kNotFound);
}

TEST_F(RegistryTest, ValuesAreEnumeratedWithTheirBytes) {
  reg_.WriteDword(kKey, L"d", 5);
  reg_.WriteString(kKey, L"", L"default");
  auto values = reg_.EnumerateValues(kKey);
  ASSERT_EQ(values.size(), 2u);
  std::sort(values.begin(), values.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  EXPECT_EQ(values[0].name, L"");
  EXPECT_EQ(values[0].value.type, regtype::kSz);
  EXPECT_EQ(values[1].value.data, (Bytes{5, 0, 0, 0}));
}

TEST(RegistryStoreErrors, AStoreThatCannotOpenIsReportedOnEveryOperation) {
  TempRoot root;
  auto store = OpenUnusableStore(root);
  ASSERT_NE(store->Status(nullptr), 0u);
  common::RegistryAccess reg(*store);
  const std::wstring key = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit";
  const std::wstring message = ErrorOf([&] { reg.ReadString(key, L"x"); });
  EXPECT_EQ(message.rfind(L"Error while opening registry key " + key + L": ", 0), 0u) << message;
  EXPECT_GT(message.size(), (L"Error while opening registry key " + key + L": ").size()) << "no error text";
  EXPECT_FALSE(reg.KeyExists(key));
}

class FixedVersion : public platform::SystemInfo {
 public:
  explicit FixedVersion(std::uint32_t version) : version_(version) {}
  std::uint32_t DefaultLocaleId() override { return 1033; }
  std::wstring TempFolder() override { return L"/tmp/"; }
  std::uint32_t OsVersion() override {
    ++calls;
    return version_;
  }
  int calls = 0;

 private:
  std::uint32_t version_;
};

TEST(OsVersion, ReadOnceAndComparedWith63) {
  FixedVersion win8(0x60002), win81(0x60003), win10(0xA0000);
  common::OsVersion r8(&win8), r81(&win81), r10(&win10), unknown(nullptr);
  EXPECT_FALSE(r8.IsWindows81OrLater());
  EXPECT_TRUE(r81.IsWindows81OrLater());
  EXPECT_TRUE(r10.IsWindows81OrLater());
  EXPECT_TRUE(r10.IsWindows81OrLater());
  EXPECT_EQ(win10.calls, 1);
  EXPECT_FALSE(unknown.IsWindows81OrLater());
}

TEST(GuidText, BracesAndUpperCaseGroups) {
  const common::Guid guid{0x372E213D, 0x95EA, 0x4306, {0xA9, 0x14, 0xF5, 0x0D, 0xB2, 0x1A, 0x21, 0xCE}};
  EXPECT_EQ(common::GuidToString(guid), L"{372E213D-95EA-4306-A914-F50DB21A21CE}");
  EXPECT_EQ(common::GuidToString(common::Guid{}), L"{00000000-0000-0000-0000-000000000000}");
}

}  // namespace
}  // namespace oro::test
