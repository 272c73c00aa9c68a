// oroctl reg run as its own process against a fresh state folder.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "oro/common/registry_access.h"
#include "oro/platform/sqlite/sqlite_registry_store.h"
#include "oro/platform/text.h"
#include "temp_root.h"

namespace oro::test {
namespace {

std::string Quote(const std::string& arg) {
  std::string out = "'";
  for (char c : arg) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

class OroctlRegTest : public ::testing::Test {
 protected:
  const std::string kKey = "HKLM\\SOFTWARE\\OroSoundKit";
  const std::wstring kFullKey = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit";

  // Runs "oroctl reg ARGS..." and returns its exit status; output in out_.
  int Reg(const std::vector<std::string>& args) {
    std::string command =
        "ORO_PLATFORM=sim ORO_ROOT=" + Quote(root_.Path()) + " " + Quote(BuiltFile("oroctl")) + " reg";
    for (const auto& a : args) command += " " + Quote(a);
    out_.clear();
    return RunCommand(command + " </dev/null", &out_);
  }

  // The store as the kit's modules see it, to check what the tool wrote.
  template <typename Check>
  void WithRegistry(Check&& check) {
    const platform::Caller admin{L"root", true};
    platform::sqlite::StoreOptions options;
    options.caller = &admin;
    platform::sqlite::SqliteRegistryStore store(root_.RegistryDb(), options);
    common::RegistryAccess reg(store);
    check(reg);
  }

  TempRoot root_;
  std::string out_;
};

TEST_F(OroctlRegTest, AddedValuesAreStoredByteExactAndQueriedInTheToolsLayout) {
  ASSERT_EQ(Reg({"add", kKey, "/v", "InstallPath", "/d", "C:\\Oro"}), 0) << out_;
  EXPECT_EQ(out_, "The operation completed successfully.\n");
  ASSERT_EQ(Reg({"add", kKey, "/v", "exitCmd", "/t", "REG_DWORD", "/d", "0x1F"}), 0) << out_;
  ASSERT_EQ(Reg({"add", kKey, "/v", "Blk", "/t", "reg_binary", "/d", "00ff7A"}), 0) << out_;
  ASSERT_EQ(Reg({"add", kKey, "/v", "List", "/t", "REG_MULTI_SZ", "/d", "a\\0\\0b"}), 0) << out_;
  ASSERT_EQ(Reg({"add", kKey, "/v", "Comma", "/t", "REG_MULTI_SZ", "/s", ",", "/d", "x,y"}), 0) << out_;
  ASSERT_EQ(Reg({"add", kKey, "/v", "\xe8\xae\xbe\xe5\xa4\x87", "/d", "\xe6\xb8\xb8\xe6\x88\x8f"}), 0) << out_;
  ASSERT_EQ(Reg({"add", kKey + "\\Child APOs"}), 0) << out_;

  WithRegistry([&](common::RegistryAccess& reg) {
    EXPECT_EQ(reg.ReadString(kFullKey, L"InstallPath"), L"C:\\Oro");
    EXPECT_EQ(reg.ReadValue(kFullKey, L"InstallPath").data.size(), 14u) << "with its terminator";
    EXPECT_EQ(reg.ReadDword(kFullKey, L"exitCmd"), 31u);
    EXPECT_EQ(reg.ReadBinary(kFullKey, L"Blk"), (std::vector<std::uint8_t>{0x00, 0xFF, 0x7A}));
    EXPECT_EQ(reg.ReadMultiString(kFullKey, L"List"), (std::vector<std::wstring>{L"a", L"", L"b"}));
    EXPECT_EQ(reg.ReadMultiString(kFullKey, L"Comma"), (std::vector<std::wstring>{L"x", L"y"}));
    EXPECT_EQ(reg.ReadString(kFullKey, L"\u8bbe\u5907"), L"\u6e38\u620f");
    EXPECT_TRUE(reg.KeyExists(kFullKey + L"\\Child APOs"));
  });

  ASSERT_EQ(Reg({"query", kKey, "/v", "EXITCMD"}), 0) << out_;
  EXPECT_EQ(out_, "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit\n    EXITCMD    REG_DWORD    0x1f\n\n");
  ASSERT_EQ(Reg({"query", kKey, "/v", "List"}), 0) << out_;
  EXPECT_NE(out_.find("    List    REG_MULTI_SZ    a\\0\\0b\n"), std::string::npos) << out_;
  ASSERT_EQ(Reg({"query", kKey}), 0) << out_;
  for (const char* line : {"    Blk    REG_BINARY    00FF7A\n", "    InstallPath    REG_SZ    C:\\Oro\n",
                           "    \xe8\xae\xbe\xe5\xa4\x87    REG_SZ    \xe6\xb8\xb8\xe6\x88\x8f\n",
                           "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit\\Child APOs\n"}) {
    EXPECT_NE(out_.find(line), std::string::npos) << line << " missing in\n" << out_;
  }
}

TEST_F(OroctlRegTest, BadCommandLinesAreUsageErrors) {
  const std::vector<std::vector<std::string>> bad = {
      {"query", kKey, "/x"},
      {"frobnicate", kKey},
      {"query"},
      {"add", kKey, "/v", "n", "/t", "REG_WORD", "/d", "1"},
      {"add", kKey, "/v", "n", "/t", "REG_DWORD", "/d", "12x"},
      {"add", kKey, "/v", "n", "/t", "REG_DWORD", "/d", "4294967296"},
      {"add", kKey, "/v", "n", "/t", "REG_DWORD", "/d", "-1"},
      {"add", kKey, "/v", "n", "/t", "REG_BINARY", "/d", "abc"},
      {"add", kKey, "/v", "n", "/t", "REG_BINARY", "/d", "zz"},
      {"add", kKey, "/v", "n", "/s", ",", "/d", "a,b"},
      {"add", kKey, "/v"},
      {"delete", kKey, "/v", "n", "/ve", "/f"},
      {"export", kKey},
  };
  for (const auto& args : bad) {
    std::string shown;
    for (const auto& a : args) shown += a + " ";
    EXPECT_EQ(Reg(args), 2) << shown << "\n" << out_;
  }
  // Nothing reached the store.
  WithRegistry([&](common::RegistryAccess& reg) { EXPECT_FALSE(reg.KeyExists(kFullKey)); });
  EXPECT_EQ(Reg({"add", kKey, "/v", "n", "/t", "REG_DWORD", "/d", "4294967295"}), 0) << out_;
}

TEST_F(OroctlRegTest, FailuresExitWithOneAndTheRegistryMessage) {
  // The error alone: no header of a key that could not be read.
  for (const std::vector<std::string>& query :
       {std::vector<std::string>{"query", kKey}, std::vector<std::string>{"query", kKey, "/s"},
        std::vector<std::string>{"query", kKey, "/v", "x", "/s"}}) {
    EXPECT_EQ(Reg(query), 1);
    EXPECT_EQ(out_,
              "oroctl: Error while opening registry key HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit: "
              "The system cannot find the file specified.\n")
        << query.size();
  }
  ASSERT_EQ(Reg({"add", kKey, "/v", "n", "/t", "REG_DWORD", "/d", "1"}), 0) << out_;
  EXPECT_EQ(Reg({"query", kKey, "/v", "other"}), 1);
  EXPECT_NE(out_.find("Error while reading registry value HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit\\other: "),
            std::string::npos)
      << out_;
  // Replacing or deleting needs /f.
  EXPECT_EQ(Reg({"add", kKey, "/v", "n", "/t", "REG_DWORD", "/d", "2"}), 1);
  EXPECT_EQ(Reg({"delete", kKey, "/v", "n"}), 1);
  WithRegistry([&](common::RegistryAccess& reg) { EXPECT_EQ(reg.ReadDword(kFullKey, L"n"), 1u); });
  EXPECT_EQ(Reg({"add", kKey, "/v", "n", "/t", "REG_DWORD", "/d", "2", "/f"}), 0) << out_;
  WithRegistry([&](common::RegistryAccess& reg) { EXPECT_EQ(reg.ReadDword(kFullKey, L"n"), 2u); });
  EXPECT_EQ(Reg({"delete", kKey, "/v", "missing", "/f"}), 1);
  EXPECT_EQ(Reg({"delete", "HKLM", "/f"}), 1) << "roots stay";
}

TEST_F(OroctlRegTest, DeleteRemovesValuesOrTheWholeTree) {
  ASSERT_EQ(Reg({"add", kKey + "\\A\\B", "/v", "x", "/d", "1"}), 0) << out_;
  ASSERT_EQ(Reg({"add", kKey, "/v", "keep", "/d", "1"}), 0) << out_;
  ASSERT_EQ(Reg({"add", kKey, "/ve", "/d", "default"}), 0) << out_;
  ASSERT_EQ(Reg({"query", kKey, "/ve"}), 0) << out_;
  EXPECT_NE(out_.find("    (Default)    REG_SZ    default\n"), std::string::npos) << out_;
  ASSERT_EQ(Reg({"delete", kKey + "\\A\\B", "/va", "/f"}), 0) << out_;
  WithRegistry([&](common::RegistryAccess& reg) { EXPECT_TRUE(reg.IsKeyEmpty(kFullKey + L"\\A\\B")); });
  ASSERT_EQ(Reg({"delete", kKey + "\\A", "/f"}), 0) << out_;
  WithRegistry([&](common::RegistryAccess& reg) {
    EXPECT_FALSE(reg.KeyExists(kFullKey + L"\\A"));
    EXPECT_EQ(reg.ReadString(kFullKey, L"keep"), L"1");
  });
}

// A tree as deep as the store allows is listed, searched, exported and
// deleted whole, every key under its full path.
TEST_F(OroctlRegTest, TheDeepestTreeIsWalkedWholeUnderFullPaths) {
  std::string deepest = kKey;
  for (int level = 3; level <= 512; ++level) deepest += "\\L";
  ASSERT_EQ(Reg({"add", deepest, "/v", "bottom", "/d", "yes"}), 0) << out_.substr(0, 300);
  ASSERT_EQ(Reg({"add", deepest + "\\One", "/v", "x", "/d", "1"}), 1) << "513 levels";
  ASSERT_EQ(Reg({"add", kKey + "\\L\\Side", "/v", "bottom", "/d", "side"}), 0) << out_;
  const std::string shown = "HKEY_LOCAL_MACHINE" + deepest.substr(4);

  ASSERT_EQ(Reg({"query", kKey, "/s"}), 0) << out_.substr(0, 300);
  EXPECT_NE(out_.find("\n" + shown + "\n    bottom    REG_SZ    yes\n\n"), std::string::npos);
  std::size_t headers = 0;
  for (std::size_t at = 0; (at = out_.find("\nHKEY_LOCAL_MACHINE\\SOFTWARE", at)) != std::string::npos; ++at) ++headers;
  EXPECT_EQ(headers, 512u);  // the kit's key, 510 levels below it and Side

  ASSERT_EQ(Reg({"query", kKey, "/v", "BOTTOM", "/s"}), 0) << out_.substr(0, 300);
  const std::size_t side = out_.find("\\OroSoundKit\\L\\Side\n    BOTTOM    REG_SZ    side\n");
  const std::size_t bottom = out_.find(shown + "\n    BOTTOM    REG_SZ    yes\n");
  EXPECT_NE(bottom, std::string::npos);
  EXPECT_NE(side, std::string::npos);
  EXPECT_LT(bottom, side) << "L comes before Side, each key before its sub keys";
  EXPECT_NE(out_.find("End of search: 2 match(es) found.\n"), std::string::npos);

  const std::string file = root_.Path() + "/deep.reg";
  ASSERT_EQ(Reg({"export", kKey, file}), 0) << out_;
  std::ifstream in(file, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GE(bytes.size(), 2u);
  const std::wstring text = platform::FromUtf16Le(bytes.data() + 2, bytes.size() - 2);
  EXPECT_NE(text.find(L"\r\n[" + platform::FromUtf8(shown) + L"]\r\n\"bottom\"=\"yes\"\r\n"), std::wstring::npos);

  ASSERT_EQ(Reg({"delete", kKey + "\\L", "/f"}), 0) << out_;
  WithRegistry([&](common::RegistryAccess& reg) {
    EXPECT_TRUE(reg.KeyExists(kFullKey));
    EXPECT_TRUE(reg.EnumerateSubKeys(kFullKey).empty());
  });
}

TEST_F(OroctlRegTest, ExportWritesTheTreeAsARegistryEditorFile) {
  ASSERT_EQ(Reg({"add", kKey, "/v", "Name", "/d", "\xe8\x80\xb3\xe6\x9c\xba \"7.1\""}), 0) << out_;
  ASSERT_EQ(Reg({"add", kKey, "/v", "exitCmd", "/t", "REG_DWORD", "/d", "10"}), 0) << out_;
  ASSERT_EQ(Reg({"add", kKey + "\\Child APOs", "/v", "Blk", "/t", "REG_BINARY", "/d", "0102"}), 0) << out_;
  const std::string file = root_.Path() + "/kit.reg";
  ASSERT_EQ(Reg({"export", kKey, file}), 0) << out_;

  std::ifstream in(file, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xFE);
  const std::wstring text = platform::FromUtf16Le(bytes.data() + 2, bytes.size() - 2);
  const std::wstring expected_values[] = {L"\"exitCmd\"=dword:0000000a\r\n",
                                          L"\"Name\"=\"\u8033\u673a \\\"7.1\\\"\"\r\n"};
  EXPECT_EQ(
      text.rfind(L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit]\r\n", 0), 0u)
      << platform::ToUtf8(text);
  for (const auto& line : expected_values) EXPECT_NE(text.find(line), std::wstring::npos) << platform::ToUtf8(line);
  EXPECT_NE(text.find(L"\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit\\Child APOs]\r\n\"Blk\"=hex:01,02\r\n\r\n"),
            std::wstring::npos)
      << platform::ToUtf8(text);

  // An existing file is replaced only with /y, and a failed export keeps it.
  EXPECT_EQ(Reg({"export", kKey, file}), 1);
  EXPECT_EQ(Reg({"export", kKey + "\\Missing", file, "/y"}), 1);
  std::ifstream again(file, std::ios::binary);
  EXPECT_EQ(std::vector<std::uint8_t>((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>()),
            bytes);
  EXPECT_EQ(Reg({"export", kKey + "\\Child APOs", file, "/y"}), 0) << out_;
}

}  // namespace
}  // namespace oro::test
