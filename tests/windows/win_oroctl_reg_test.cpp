// oroctl.exe reg, run as its own process, on the system's registry: what it
// writes is read back by the kit's registry module in this process.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "oro/common/registry_access.h"
#include "oro/platform/text.h"
#include "oro/platform/windows/windows_adapters.h"
#include "temp_root.h"
#include "windows_registry_fixture.h"

namespace oro::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class WinOroctlRegTest : public ::testing::Test {
 protected:
  TempRoot root_;
  // A key of the test's own below the machine's SOFTWARE key.
  const std::string leaf_ = root_.Path().substr(root_.Path().find_last_of("/\\") + 1);
  const std::string kKey = "HKLM\\SOFTWARE\\OroSoundKitTests\\" + leaf_;
  const std::wstring kFullKey = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKitTests\\" + platform::FromUtf8(leaf_);

  void TearDown() override {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (L"SOFTWARE\\OroSoundKitTests\\" + platform::FromUtf8(leaf_)).c_str());
  }

  // Runs "oroctl.exe reg ARGS" (each argument quoted); output in out_ without
  // the console's carriage returns.
  int Reg(const std::vector<std::string>& args) {
    std::string command = "\"\"" + BuiltFile("oroctl.exe") + "\" reg";
    for (const auto& a : args) command += " \"" + a + "\"";
    std::string raw;
    const int rc = RunCommand(command + "\"", &raw);
    out_.clear();
    for (char c : raw) {
      if (c != '\r') out_ += c;
    }
    return rc;
  }

  std::unique_ptr<platform::RegistryStore> store_ = platform::windows_host::MakeWindowsRegistryStore();
  common::RegistryAccess reg_{*store_};
  std::string out_;
};

TEST_F(WinOroctlRegTest, AddedValuesReachTheRegistryByteExactAndAreQueriedBack) {
  ASSERT_EQ(Reg({"add", kKey, "/v", "InstallPath", "/d", "C:\\Oro"}), 0) << out_;
  EXPECT_EQ(out_, "The operation completed successfully.\n");
  ASSERT_EQ(Reg({"add", kKey, "/v", "exitCmd", "/t", "REG_DWORD", "/d", "0x1F"}), 0) << out_;
  ASSERT_EQ(Reg({"add", kKey, "/v", "Blk", "/t", "REG_BINARY", "/d", "00ff7A"}), 0) << out_;
  ASSERT_EQ(Reg({"add", kKey, "/v", "List", "/t", "REG_MULTI_SZ", "/d", "a\\0\\0b"}), 0) << out_;
  ASSERT_EQ(Reg({"add", kKey + "\\Child APOs"}), 0) << out_;

  EXPECT_EQ(reg_.ReadValue(kFullKey, L"InstallPath").data,
            (Bytes{'C', 0, ':', 0, '\\', 0, 'O', 0, 'r', 0, 'o', 0, 0, 0}));
  EXPECT_EQ(reg_.ReadDword(kFullKey, L"exitCmd"), 31u);
  EXPECT_EQ(reg_.ReadBinary(kFullKey, L"Blk"), (Bytes{0x00, 0xFF, 0x7A}));
  EXPECT_EQ(reg_.ReadMultiString(kFullKey, L"List"), (std::vector<std::wstring>{L"a", L"", L"b"}));
  EXPECT_TRUE(reg_.KeyExists(kFullKey + L"\\Child APOs"));

  ASSERT_EQ(Reg({"query", kKey, "/v", "EXITCMD"}), 0) << out_;
  EXPECT_EQ(out_, "\n" + platform::ToUtf8(kFullKey) + "\n    EXITCMD    REG_DWORD    0x1f\n\n");
  ASSERT_EQ(Reg({"query", kKey}), 0) << out_;
  for (const std::string line : {"    Blk    REG_BINARY    00FF7A\n", "    InstallPath    REG_SZ    C:\\Oro\n",
                                 "    List    REG_MULTI_SZ    a\\0\\0b\n"}) {
    EXPECT_NE(out_.find(line), std::string::npos) << line << " missing in\n" << out_;
  }
  EXPECT_NE(out_.find("\n" + platform::ToUtf8(kFullKey) + "\\Child APOs\n"), std::string::npos) << out_;
}

TEST_F(WinOroctlRegTest, FailuresExitWithOneAndTheSystemsMessage) {
  EXPECT_EQ(Reg({"query", kKey}), 1);
  EXPECT_EQ(out_, "oroctl: Error while opening registry key " + platform::ToUtf8(kFullKey) +
                      ": The system cannot find the file specified.\n");
  ASSERT_EQ(Reg({"add", kKey, "/v", "n", "/t", "REG_DWORD", "/d", "1"}), 0) << out_;
  EXPECT_EQ(Reg({"add", kKey, "/v", "n", "/t", "REG_DWORD", "/d", "2"}), 1) << "replacing needs /f";
  EXPECT_EQ(Reg({"delete", kKey, "/v", "missing", "/f"}), 1);
  EXPECT_EQ(Reg({"delete", "HKLM", "/f"}), 1) << "roots stay";
  EXPECT_EQ(Reg({"add", kKey, "/v", "n", "/t", "REG_WORD", "/d", "1"}), 2) << "a usage error";
  EXPECT_EQ(reg_.ReadDword(kFullKey, L"n"), 1u);
  EXPECT_EQ(Reg({"add", kKey, "/v", "n", "/t", "REG_DWORD", "/d", "2", "/f"}), 0) << out_;
  EXPECT_EQ(reg_.ReadDword(kFullKey, L"n"), 2u);
}

TEST_F(WinOroctlRegTest, DeleteRemovesValuesOrTheWholeTreeAndExportWritesAnEditorFile) {
  ASSERT_EQ(Reg({"add", kKey + "\\A\\B", "/v", "x", "/d", "1"}), 0) << out_;
  ASSERT_EQ(Reg({"add", kKey, "/v", "keep", "/t", "REG_DWORD", "/d", "10"}), 0) << out_;
  const std::string file = root_.Path() + "/kit.reg";
  ASSERT_EQ(Reg({"export", kKey, file}), 0) << out_;
  std::ifstream in(file, std::ios::binary);
  const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xFE);
  const std::wstring text = platform::FromUtf16Le(bytes.data() + 2, bytes.size() - 2);
  EXPECT_EQ(
      text.rfind(L"Windows Registry Editor Version 5.00\r\n\r\n[" + kFullKey + L"]\r\n\"keep\"=dword:0000000a\r\n", 0),
      0u)
      << platform::ToUtf8(text);
  EXPECT_NE(text.find(L"\r\n[" + kFullKey + L"\\A\\B]\r\n\"x\"=\"1\"\r\n"), std::wstring::npos)
      << platform::ToUtf8(text);

  ASSERT_EQ(Reg({"delete", kKey + "\\A\\B", "/va", "/f"}), 0) << out_;
  EXPECT_TRUE(reg_.IsKeyEmpty(kFullKey + L"\\A\\B"));
  ASSERT_EQ(Reg({"delete", kKey + "\\A", "/f"}), 0) << out_;
  EXPECT_FALSE(reg_.KeyExists(kFullKey + L"\\A"));
  EXPECT_EQ(reg_.ReadDword(kFullKey, L"keep"), 10u);
}

}  // namespace
}  // namespace oro::test
