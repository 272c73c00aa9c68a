#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "oro/common/reg_file.h"
#include "oro/common/registry_access.h"
#include "oro/platform/text.h"
#include "registry_test_fixture.h"

namespace oro::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace regtype = platform::regtype;
namespace fs = std::filesystem;

Bytes FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The text of a .reg file after checking its byte-order mark.
std::wstring FileText(const std::string& path) {
  const Bytes bytes = FileBytes(path);
  if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) return L"(no byte-order mark)";
  return platform::FromUtf16Le(bytes.data() + 2, bytes.size() - 2);
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

const std::wstring kHeader = L"Windows Registry Editor Version 5.00\r\n\r\n";

TEST(RegFileBuilder, EachTypeInTheEditorsNotation) {
  common::RegFileBuilder reg;
  reg.BeginKey(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit");
  reg.AddString(L"Path", L"C:\\Oro \"Kit\"");
  reg.AddString(L"", L"default");
  reg.AddValue(L"exitCmd", regtype::kDword, {0x1F, 0, 0, 0x80});
  reg.AddValue(L"Block", regtype::kBinary, {0x00, 0xAB});
  reg.AddValue(L"List", regtype::kMultiSz, {'a', 0, 0, 0, 0, 0});
  reg.AddValue(L"Big", regtype::kQword, {1, 0, 0, 0, 0, 0, 0, 0});
  reg.AddValue(L"Short", regtype::kDword, {1, 2});
  reg.AddValue(L"Plain", regtype::kSz, {'o', 0, 'k', 0, 0, 0});
  reg.AddValue(L"Bare", regtype::kSz, {'o', 0, 'k', 0});
  reg.AddString(L"Lines", L"a\r\nb");
  reg.BeginKey(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit\\Child APOs");
  EXPECT_EQ(reg.Text(), kHeader +
                            L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit]\r\n"
                            L"\"Path\"=\"C:\\\\Oro \\\"Kit\\\"\"\r\n"
                            L"@=\"default\"\r\n"
                            L"\"exitCmd\"=dword:8000001f\r\n"
                            L"\"Block\"=hex:00,ab\r\n"
                            L"\"List\"=hex(7):61,00,00,00,00,00\r\n"
                            L"\"Big\"=hex(b):01,00,00,00,00,00,00,00\r\n"
                            L"\"Short\"=hex(4):01,02\r\n"
                            L"\"Plain\"=\"ok\"\r\n"
                            L"\"Bare\"=hex(1):6f,00,6b,00\r\n"
                            L"\"Lines\"=hex(1):61,00,0d,00,0a,00,62,00,00,00\r\n"
                            L"\r\n"
                            L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit\\Child APOs]\r\n"
                            L"\r\n");
  const Bytes bytes = reg.Bytes();
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 4), (Bytes{0xFF, 0xFE, 'W', 0}));
}

TEST(RegFileBuilder, LongHexIsWrappedWithinEightyColumns) {
  Bytes data(300);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
  common::RegFileBuilder reg;
  reg.BeginKey(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit");
  reg.AddValue(L"Block 2", regtype::kBinary, data);
  const std::wstring text = reg.Text();
  const std::size_t start = text.find(L"\"Block 2\"=hex:");
  ASSERT_NE(start, std::wstring::npos);
  std::wstring joined;
  std::size_t pos = start;
  int lines = 0;
  for (;;) {
    const std::size_t end = text.find(L"\r\n", pos);
    std::wstring line = text.substr(pos, end - pos);
    ++lines;
    EXPECT_LE(line.size(), 80u) << platform::ToUtf8(line);
    if (lines > 1) {
      EXPECT_EQ(line.substr(0, 2), L"  ");
    }
    const bool more = !line.empty() && line.back() == L'\\';
    if (more) line.pop_back();
    joined += lines > 1 ? line.substr(2) : line;
    pos = end + 2;
    if (!more) break;
  }
  EXPECT_GT(lines, 10);
  Bytes parsed;
  for (std::size_t i = joined.find(L':') + 1; i < joined.size(); i += 3) {
    parsed.push_back(static_cast<std::uint8_t>(std::stoi(platform::ToUtf8(joined.substr(i, 2)), nullptr, 16)));
  }
  EXPECT_EQ(parsed, data);
}

class RegExportTest : public RegistryTest {
 protected:
  std::string Target() const { return root_.Path() + "/out/export.reg"; }
  void SetUp() override {
    RegistryTest::SetUp();
    fs::create_directories(root_.Path() + "/out");
  }
};

TEST_F(RegExportTest, NamedStringsAreWrittenInOrderWithChineseIntact) {
  reg_.WriteString(kKey, L"\u8033\u673a\u540d\u79f0", L"\u6e38\u620f\u8033\u673a 7.1");
  reg_.WriteString(kKey, L"InstallPath", L"C:\\Program Files\\Oro");
  reg_.WriteString(kKey, L"Quote", L"say \"hi\"");
  reg_.ExportToRegFile(kKey, {L"InstallPath", L"\u8033\u673a\u540d\u79f0", L"Quote"}, platform::FromUtf8(Target()));
  EXPECT_EQ(FileText(Target()), kHeader +
                                    L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit]\r\n"
                                    L"\"InstallPath\"=\"C:\\\\Program Files\\\\Oro\"\r\n"
                                    L"\"\u8033\u673a\u540d\u79f0\"=\"\u6e38\u620f\u8033\u673a 7.1\"\r\n"
                                    L"\"Quote\"=\"say \\\"hi\\\"\"\r\n"
                                    L"\r\n");
  EXPECT_EQ(FolderEntries(root_.Path() + "/out"), std::vector<std::string>{"export.reg"});
}

TEST_F(RegExportTest, AFailedExportKeepsTheExistingFile) {
  std::ofstream(Target()) << "previous export";
  reg_.WriteString(kKey, L"A", L"a");
  EXPECT_EQ(ErrorOf([&] {
              reg_.ExportToRegFile(kKey, {L"A", L"Missing"}, platform::FromUtf8(Target()));
            }),
            L"Error while reading registry value " + kKey + L"\\Missing: The system cannot find the file specified.");
  EXPECT_EQ(ErrorOf([&] { reg_.ExportToRegFile(kKey, {L"A"}, platform::FromUtf8(Target() + "/sub.reg")); }),
            L"Error while opening file " + platform::FromUtf8(Target()) + L"/sub.reg for writing");
  const std::wstring missing_folder = platform::FromUtf8(root_.Path() + "/nowhere/x.reg");
  EXPECT_EQ(ErrorOf([&] { reg_.ExportToRegFile(kKey, {L"A"}, missing_folder); }),
            L"Error while opening file " + missing_folder + L" for writing");
  EXPECT_EQ(FileBytes(Target()), (Bytes{'p', 'r', 'e', 'v', 'i', 'o', 'u', 's', ' ', 'e', 'x', 'p', 'o', 'r', 't'}));
  EXPECT_EQ(FolderEntries(root_.Path() + "/out"), std::vector<std::string>{"export.reg"});
}

#ifndef _WIN32
TEST_F(RegExportTest, AReplacedFileKeepsItsPermissions) {
  std::ofstream(Target()) << "old";
  ASSERT_EQ(chmod(Target().c_str(), 0640), 0);
  reg_.WriteString(kKey, L"A", L"a");
  reg_.ExportToRegFile(kKey, {L"A"}, platform::FromUtf8(Target()));
  struct stat st {};
  ASSERT_EQ(stat(Target().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_NE(FileText(Target()).find(L"\"A\"=\"a\""), std::wstring::npos);
}
#endif

// A name with a line break would forge a key on import: refused with
// nothing written.
TEST(RegFileBuilder, NamesWithLineBreaksAreRefused) {
  common::RegFileBuilder forged;
  const std::wstring injected = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\x\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Injected";
  EXPECT_EQ(ErrorOf([&] { forged.BeginKey(injected); }),
            L"Key HKEY_LOCAL_MACHINE\\SOFTWARE\\x\\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Injected has a line break in its "
            L"name, which a .reg file cannot hold");
  forged.BeginKey(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit");
  EXPECT_NE(ErrorOf([&] { forged.AddValue(L"a\r\n\"b\"=\"c", regtype::kSz, {}); }), L"");
  EXPECT_NE(ErrorOf([&] { forged.AddString(L"a\rb", L"c"); }), L"");
  EXPECT_EQ(forged.Text().find(L"Injected"), std::wstring::npos);
}

#ifndef _WIN32
// A destination that is not a regular file would be destroyed by the rename:
// refused, and a new file is its writer's alone whatever the umask. (The
// Windows kinds of non-files are the file writer's own suite.)
TEST_F(RegExportTest, DestinationsThatAreNotFilesAreRefused) {
  reg_.WriteString(kKey, L"A", L"a");
  const std::string real = root_.Path() + "/out/real.reg";
  std::ofstream(real) << "keep";
  const std::string link = root_.Path() + "/out/link.reg";
  ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
  const std::string fifo = root_.Path() + "/out/fifo.reg";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& target : {link, fifo, std::string("/dev/null")}) {
    EXPECT_EQ(ErrorOf([&] { reg_.ExportToRegFile(kKey, {L"A"}, platform::FromUtf8(target)); }),
              L"Error while opening file " + platform::FromUtf8(target) + L" for writing: it is not a regular file");
  }
  struct stat st {};
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(FileBytes(real), (Bytes{'k', 'e', 'e', 'p'}));
  ASSERT_EQ(stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  EXPECT_EQ(FolderEntries(root_.Path() + "/out"), (std::vector<std::string>{"fifo.reg", "link.reg", "real.reg"}));

  const mode_t old_mask = umask(0);
  reg_.ExportToRegFile(kKey, {L"A"}, platform::FromUtf8(Target()));
  umask(old_mask);
  ASSERT_EQ(stat(Target().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// Runs `body` in a child process and returns its exit status; the child never
// returns into the test framework.
template <typename Body>
int InChild(Body&& body) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

TEST_F(RegExportTest, AnUnwritableFolderIsReportedAndTheFileKept) {
  const std::string folder = root_.Path() + "/out";
  std::ofstream(Target()) << "kept";
  ASSERT_EQ(chmod(root_.Path().c_str(), 0755), 0);
  ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
  const std::wstring target = platform::FromUtf8(Target());
  const int status = InChild([&] {
    // An administrator writes anywhere, so the attempt is made as nobody.
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 3;
    const std::wstring message = ErrorOf([&] { reg_.ExportToRegFile(kKey, {}, target); });
    return message == L"Error while opening file " + target + L" for writing" ? 0 : 1;
  });
  chmod(folder.c_str(), 0755);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(FileBytes(Target()), (Bytes{'k', 'e', 'p', 't'}));
}

TEST_F(RegExportTest, AWriteFailureIsAnErrorNotASuccess) {
  std::ofstream(Target()) << "kept";
  reg_.WriteString(kKey, L"Long", std::wstring(4000, L'x'));
  const std::wstring target = platform::FromUtf8(Target());
  const std::string db = root_.RegistryDb();
  const int status = InChild([&] {
    platform::sqlite::SqliteRegistryStore store(db, OptionsFor(&admin_));
    common::RegistryAccess reg(store);
    if (reg.ReadString(kKey, L"Long").size() != 4000) return 4;
    // Files may not grow past 1 KiB: the export's write fails part-way.
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1024, 1024};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 3;
    const std::wstring message = ErrorOf([&] { reg.ExportToRegFile(kKey, {L"Long"}, target); });
    return message.rfind(L"Error while writing file " + target + L": ", 0) == 0 ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(FileBytes(Target()), (Bytes{'k', 'e', 'p', 't'}));
  EXPECT_EQ(FolderEntries(root_.Path() + "/out"), std::vector<std::string>{"export.reg"});
}

#endif  // _WIN32

}  // namespace
}  // namespace oro::test
