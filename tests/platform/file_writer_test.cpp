// Replacing a file the kit owns: exact mode whatever the umask, only regular
// files or new paths, nothing left behind.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "oro/platform/file_writer.h"
#include "temp_root.h"

namespace oro::platform {
namespace {

namespace fs = std::filesystem;

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

FileWriteError Write(const std::string& path, const std::string& text, std::uint32_t mode, std::string* message) {
  return ReplaceFileContents(path, reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), mode, message);
}

class FileWriterTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_.Path() + "/" + name; }
  std::size_t Entries() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_.Path()), fs::directory_iterator()));
  }
  test::TempRoot dir_;
};

TEST_F(FileWriterTest, TheModeIsTheOneAskedForWhateverTheUmask) {
  const mode_t old = umask(0);
  std::string message;
  const FileWriteError created = Write(Path("secret"), "pw", kOwnerOnlyMode, &message);
  // Replacing a file that was readable by all does not keep its mode either.
  std::ofstream(Path("shared"), std::ios::binary) << "old";
  chmod(Path("shared").c_str(), 0666);
  const FileWriteError replaced = Write(Path("shared"), "new", kOwnerOnlyMode, &message);
  umask(old);

  ASSERT_EQ(created, FileWriteError::kNone) << message;
  ASSERT_EQ(replaced, FileWriteError::kNone) << message;
  struct stat st {};
  ASSERT_EQ(stat(Path("secret").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  ASSERT_EQ(stat(Path("shared").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_EQ(Contents(Path("shared")), "new");
  EXPECT_EQ(Entries(), 2u) << "no temporary file is left behind";
}

TEST_F(FileWriterTest, OnlyARegularFileOrANewPathIsReplaced) {
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
  ASSERT_EQ(symlink("/dev/null", Path("null").c_str()), 0);
  std::ofstream(Path("target"), std::ios::binary) << "kept";
  ASSERT_EQ(symlink(Path("target").c_str(), Path("link").c_str()), 0);
  for (const char* name : {"fifo", "null", "link"}) {
    std::string message;
    EXPECT_EQ(Write(Path(name), "x", kOwnerOnlyMode, &message), FileWriteError::kNotRegular) << name;
    EXPECT_NE(message.find("not a regular file"), std::string::npos) << message;
  }
  EXPECT_TRUE(fs::is_fifo(Path("fifo")));
  EXPECT_TRUE(fs::is_symlink(Path("null")));
  EXPECT_EQ(Contents(Path("target")), "kept");
  EXPECT_EQ(Entries(), 4u);

  std::string message;
  EXPECT_EQ(Write(Path("missing/file"), "x", kOwnerOnlyMode, &message), FileWriteError::kCannotCreate);
  EXPECT_NE(message.find(Path("missing/file")), std::string::npos) << message;
}

}  // namespace
}  // namespace oro::platform
