// Reading handed-in files: only regular files, size checked before reading,
// never more read than allowed, and never a wait on a FIFO or a device.
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <fstream>

#include <gtest/gtest.h>

#include "oro/platform/file_reader.h"
#include "temp_root.h"

namespace oro::platform {
namespace {

class BoundedFileTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& content) {
    const std::string path = Path(name);
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  std::string Path(const std::string& name) const { return dir_.Path() + "/" + name; }

  test::TempRoot dir_;
};

#ifndef _WIN32
TEST_F(BoundedFileTest, AnythingButARegularFileIsRefusedAtOnce) {
  const std::string fifo = Path("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string zero_link = Path("zero");
  ASSERT_EQ(symlink("/dev/zero", zero_link.c_str()), 0);
  ASSERT_EQ(mkdir(Path("folder").c_str(), 0700), 0);

  struct Case {
    std::string path;
    FileReadError error;
    const char* says;
  } cases[] = {
      {fifo, FileReadError::kNotRegular, "not a regular file"},       // would wait for a writer for ever
      {zero_link, FileReadError::kNotRegular, "not a regular file"},  // would grow without end
      {Path("folder"), FileReadError::kNotRegular, "not a regular file"},
      {Path("missing"), FileReadError::kNotFound, "No such file"},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> bytes{1, 2, 3};
    std::string message;
    EXPECT_EQ(ReadBoundedFile(c.path, FileSizeBounds::AtMost(1 << 20), &bytes, &message), c.error) << c.path;
    EXPECT_TRUE(bytes.empty()) << c.path;
    EXPECT_NE(message.find(c.path), std::string::npos) << message;
    EXPECT_NE(message.find(c.says), std::string::npos) << message;
  }
}
#else
TEST_F(BoundedFileTest, AnythingButARegularFileIsRefusedAtOnce) {
  // A pipe nobody writes to would wait for ever; NUL and a console never end.
  const std::string pipe_name = "\\\\.\\pipe\\oro-bounded-" + std::to_string(GetCurrentProcessId());
  HANDLE pipe = CreateNamedPipeA(pipe_name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 4, 0, 0, 0, nullptr);
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(CreateDirectoryA(Path("folder").c_str(), nullptr));

  struct Case {
    std::string path;
    FileReadError error;
    const char* says;
  } cases[] = {
      {pipe_name, FileReadError::kNotRegular, "not a regular file"},
      {"NUL", FileReadError::kNotRegular, "not a regular file"},
      {Path("folder"), FileReadError::kNotRegular, "not a regular file"},
      // The system's own words follow; only the path is certain.
      {Path("missing"), FileReadError::kNotFound, ": "},
      {Path("missing/below"), FileReadError::kNotFound, ": "},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> bytes{1, 2, 3};
    std::string message;
    EXPECT_EQ(ReadBoundedFile(c.path, FileSizeBounds::AtMost(1 << 20), &bytes, &message), c.error) << c.path;
    EXPECT_TRUE(bytes.empty()) << c.path;
    EXPECT_NE(message.find(c.path), std::string::npos) << message;
    EXPECT_NE(message.find(c.says), std::string::npos) << message;
  }
  CloseHandle(pipe);
}
#endif

TEST_F(BoundedFileTest, SizeOutsideTheBoundsIsRefusedWithBothSizesNamed) {
  std::vector<std::uint8_t> bytes;
  std::string message;
  EXPECT_EQ(ReadBoundedFile(Write("long", std::string(345, 'x')), FileSizeBounds::Exactly(344), &bytes, &message),
            FileReadError::kWrongSize);
  EXPECT_NE(message.find("345 bytes, expected 344"), std::string::npos) << message;
  EXPECT_EQ(ReadBoundedFile(Write("short", "abc"), FileSizeBounds{4, 8}, &bytes, &message), FileReadError::kWrongSize);
  EXPECT_NE(message.find("3 bytes, expected 4 to 8"), std::string::npos) << message;
  EXPECT_TRUE(bytes.empty());

  ASSERT_EQ(ReadBoundedFile(Write("exact", "abcd"), FileSizeBounds::Exactly(4), &bytes, &message),
            FileReadError::kNone);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "abcd");
  ASSERT_EQ(ReadBoundedFile(Write("empty", ""), FileSizeBounds::AtMost(4), &bytes, &message), FileReadError::kNone);
  EXPECT_TRUE(bytes.empty());
}

TEST_F(BoundedFileTest, AnOpenFileIsReadOnlyAsFarAsItWasWhenOpened) {
  const std::string path = Write("growing", "0123456789");
  FileReadError error;
  auto file = BoundedFile::Open(path, FileSizeBounds::AtMost(16), &error, nullptr);
  ASSERT_NE(file, nullptr);
  std::ofstream(path, std::ios::binary | std::ios::app) << std::string(1 << 20, 'y');

  std::string seen;
  std::uint8_t chunk[3];
  std::size_t n = 0;
  while (file->Read(chunk, sizeof chunk, &n, nullptr) && n > 0) seen.append(chunk, chunk + n);
  EXPECT_EQ(seen, "0123456789");
}

}  // namespace
}  // namespace oro::platform
