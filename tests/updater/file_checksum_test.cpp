// File checksums.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "oro/common/checksum.h"
#include "oro/platform/text.h"
#include "oro/updater/file_checksum.h"
#include "temp_root.h"

namespace oro::updater {
namespace {

class FileChecksum : public ::testing::Test {
 protected:
  std::wstring Write(const std::string& name, const std::string& content) {
    const std::string path = dir_.Path() + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    return platform::FromUtf8(path);
  }
  std::wstring Path(const std::string& name) { return platform::FromUtf8(dir_.Path() + "/" + name); }
  test::TempRoot dir_;
};

TEST_F(FileChecksum, ChecksumOfALargeFileMatchesTheWholeBuffer) {
  std::string content(300 * 1024 + 17, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>((i * 131) >> 3);
  std::uint32_t crc = 0;
  ASSERT_EQ(FileCrc32(Write("setup.exe", content), crc), file_crc::kOk);
  EXPECT_EQ(crc, common::Crc32(content));
}

TEST_F(FileChecksum, FailuresHaveTheirCodesAndLeaveTheResultAlone) {
  std::uint32_t crc = 0x12345678;
  EXPECT_EQ(FileCrc32(Path("missing.exe"), crc), file_crc::kCannotOpen);
  EXPECT_EQ(FileCrc32(Write("empty.exe", ""), crc), file_crc::kEmpty);
  const std::wstring unwritable = Path("no/such/folder/copy.exe");
  EXPECT_EQ(FileCrc32(Write("a.exe", "abc"), crc, &unwritable), file_crc::kCannotCopy);
  EXPECT_EQ(crc, 0x12345678u);
}

TEST_F(FileChecksum, CopyHoldsTheSameBytes) {
  const std::string content(200000, 'x');
  const std::wstring copy = Path("copy.exe");
  std::uint32_t crc = 0;
  ASSERT_EQ(FileCrc32(Write("b.exe", content), crc, &copy), file_crc::kOk);
  std::ifstream in(platform::ToUtf8(copy), std::ios::binary);
  std::ostringstream copied;
  copied << in.rdbuf();
  EXPECT_EQ(copied.str(), content);
}

TEST_F(FileChecksum, FoldersFifosAndDevicesInTheInstallersPlaceCannotBeOpened) {
  mkdir((dir_.Path() + "/folder").c_str(), 0700);
  mkfifo((dir_.Path() + "/fifo").c_str(), 0600);  // would block the check for ever
  symlink("/dev/zero", (dir_.Path() + "/zero").c_str());
  std::uint32_t crc = 0;
  for (const char* name : {"folder", "fifo", "zero"}) EXPECT_EQ(FileCrc32(Path(name), crc), file_crc::kCannotOpen);
}

}  // namespace
}  // namespace oro::updater
