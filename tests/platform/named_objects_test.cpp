// Named sections and mutexes in the runtime folder: shared between processes,
// gone with their last holder, closed to everybody but the owner and the
// audio group, and unable to reach outside the folder whatever the name.
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "oro/platform/linux/host_adapters.h"
#include "temp_root.h"

namespace oro::platform {
namespace {

namespace fs = std::filesystem;

const std::wstring kName = L"Global\\{372E213D-95EA-4306-A914-F50DB21A21CE}";

class NamedObjectsTest : public ::testing::Test {
 protected:
  std::unique_ptr<SharedSection> MustCreate(const std::wstring& name, std::size_t size,
                                            const ObjectSecurity* security = nullptr) {
    std::unique_ptr<SharedSection> s;
    EXPECT_EQ(objects_->CreateSection(name, size, security, &s), err::kSuccess);
    return s;
  }
  std::size_t FilesInRunDir() const {
    std::size_t n = 0;
    for (const auto& e : fs::directory_iterator(root_.RunDir())) n += e.is_regular_file() ? 1 : 0;
    return n;
  }
  mode_t ModeOfOnlyFile() const {
    for (const auto& e : fs::directory_iterator(root_.RunDir())) {
      struct stat st {};
      stat(e.path().c_str(), &st);
      return st.st_mode & 0777;
    }
    return 0;
  }

  test::TempRoot root_;
  std::unique_ptr<NamedObjects> objects_ = linux_host::MakeFileNamedObjects(root_.RunDir());
};

// Runs `child` in a forked process and returns its exit status.
template <typename F>
int InChild(F child) {
  const pid_t pid = fork();
  if (pid == 0) _exit(child());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(NamedObjectsTest, SectionIsZeroedSharedAndOpenedByName) {
  auto a = MustCreate(kName, 8188);
  ASSERT_TRUE(a);
  ASSERT_EQ(a->Size(), 8188u);
  for (std::size_t i = 0; i < a->Size(); ++i) ASSERT_EQ(a->Data()[i], 0) << i;
  a->Data()[8187] = 0x5A;

  // A second create while held opens the same memory without clearing it.
  auto b = MustCreate(kName, 8188);
  EXPECT_EQ(b->Data()[8187], 0x5A);
  b->Data()[0] = 0x11;
  EXPECT_EQ(a->Data()[0], 0x11);

  std::unique_ptr<SharedSection> c;
  ASSERT_EQ(objects_->OpenSection(kName, 8188, &c), err::kSuccess);
  EXPECT_EQ(c->Data()[8187], 0x5A);
}

TEST_F(NamedObjectsTest, SectionDisappearsWithItsLastHolder) {
  std::unique_ptr<SharedSection> s;
  EXPECT_EQ(objects_->OpenSection(kName, 16, &s), err::kFileNotFound);

  auto a = MustCreate(kName, 16);
  auto b = MustCreate(kName, 16);
  a.reset();
  EXPECT_EQ(objects_->OpenSection(kName, 16, &s), err::kSuccess) << "still held by b";
  s.reset();
  a = MustCreate(kName, 16);
  a->Data()[3] = 9;
  a.reset();
  b.reset();
  EXPECT_EQ(objects_->OpenSection(kName, 16, &s), err::kFileNotFound);
  EXPECT_EQ(FilesInRunDir(), 0u);

  auto fresh = MustCreate(kName, 16);
  EXPECT_EQ(fresh->Data()[3], 0) << "a new section starts from zeros";
}

TEST_F(NamedObjectsTest, LeftoverOfACrashedHolderCountsAsGone) {
  const int rc = InChild([&] {
    auto other = linux_host::MakeFileNamedObjects(root_.RunDir());
    std::unique_ptr<SharedSection> s;
    if (other->CreateSection(kName, 64, nullptr, &s) != err::kSuccess) return 1;
    s->Data()[7] = 7;
    _exit(0);  // no destructors: the file stays behind
    return 0;
  });
  ASSERT_EQ(rc, 0);
  ASSERT_EQ(FilesInRunDir(), 1u);

  auto created = MustCreate(kName, 64);
  EXPECT_EQ(created->Data()[7], 0);
  created.reset();

  ASSERT_EQ(InChild([&] {
              auto other = linux_host::MakeFileNamedObjects(root_.RunDir());
              std::unique_ptr<SharedSection> s;
              other->CreateSection(kName, 64, nullptr, &s);
              _exit(0);
              return 0;
            }),
            0);
  std::unique_ptr<SharedSection> opened;
  EXPECT_EQ(objects_->OpenSection(kName, 64, &opened), err::kFileNotFound);
}

TEST_F(NamedObjectsTest, NamesNeverLeaveTheRunFolderNorCollide) {
  const std::wstring tricky[] = {L"../../escape", L"a/b", L"a%2Fb", L"..", L"Local\\x", L"Global\\x", L"\u58f0"};
  std::vector<std::unique_ptr<SharedSection>> held;
  for (const auto& name : tricky) {
    held.push_back(MustCreate(name, 8));
    held.back()->Data()[0] = static_cast<std::uint8_t>(held.size());
  }
  EXPECT_EQ(FilesInRunDir(), std::size(tricky));
  for (const auto& e : fs::directory_iterator(root_.Path())) {
    EXPECT_TRUE(e.path().filename() == "run") << "stray file " << e.path();
  }
  EXPECT_FALSE(fs::exists(fs::path(root_.Path()).parent_path() / "escape"));
  for (std::size_t i = 0; i < held.size(); ++i) {
    std::unique_ptr<SharedSection> s;
    ASSERT_EQ(objects_->OpenSection(tricky[i], 8, &s), err::kSuccess);
    EXPECT_EQ(s->Data()[0], i + 1) << "name " << i;
  }
}

TEST_F(NamedObjectsTest, AccessIsOwnerAndAudioGroupOnly) {
  const ObjectSecurity security{0xF001F, 0xF001F};
  auto secured = MustCreate(kName, 8, &security);
  EXPECT_EQ(ModeOfOnlyFile(), 0660u);
  if (group* audio = getgrnam("audio"); audio && geteuid() == 0) {
    struct stat st {};
    stat(fs::directory_iterator(root_.RunDir())->path().c_str(), &st);
    EXPECT_EQ(st.st_gid, audio->gr_gid);
  }
  secured.reset();

  const ObjectSecurity read_only_service{0xF001F, 0x4};
  auto reading = MustCreate(kName, 8, &read_only_service);
  EXPECT_EQ(ModeOfOnlyFile(), 0640u);
  reading.reset();

  auto plain = MustCreate(kName, 8);
  EXPECT_EQ(ModeOfOnlyFile(), 0600u) << "default security admits nobody else";

  struct stat dir {};
  ASSERT_EQ(stat(root_.RunDir().c_str(), &dir), 0);
  EXPECT_EQ(dir.st_mode & 0777, 0750u);
}

TEST_F(NamedObjectsTest, BadRequestsFailCleanly) {
  std::unique_ptr<SharedSection> s;
  EXPECT_EQ(objects_->CreateSection(L"", 8, nullptr, &s), err::kInvalidParameter);
  EXPECT_EQ(objects_->CreateSection(kName, 0, nullptr, &s), err::kInvalidParameter);
  EXPECT_EQ(objects_->CreateSection(std::wstring(300, L'x'), 8, nullptr, &s), err::kInvalidParameter);
  EXPECT_FALSE(s);

  // A runtime folder that is a file cannot hold sections.
  std::ofstream(root_.Path() + "/not-a-dir") << "x";
  auto blocked = linux_host::MakeFileNamedObjects(root_.Path() + "/not-a-dir");
  EXPECT_EQ(blocked->CreateSection(kName, 8, nullptr, &s), err::kPathNotFound);
  bool existed = true;
  std::unique_ptr<NamedMutex> m;
  EXPECT_NE(blocked->CreateMutex(L"m", nullptr, &m, &existed), err::kSuccess);
  EXPECT_FALSE(m);
}

TEST_F(NamedObjectsTest, MutexReportsOtherHoldersInThisAndOtherProcesses) {
  const std::wstring name = L"Global\\OroSoundPanel";
  EXPECT_EQ(objects_->OpenMutex(name), err::kFileNotFound);

  bool existed = true;
  std::unique_ptr<NamedMutex> first;
  ASSERT_EQ(objects_->CreateMutex(name, nullptr, &first, &existed), err::kSuccess);
  EXPECT_FALSE(existed);
  EXPECT_EQ(objects_->OpenMutex(name), err::kSuccess);

  std::unique_ptr<NamedMutex> second;
  ASSERT_EQ(objects_->CreateMutex(name, nullptr, &second, &existed), err::kSuccess);
  EXPECT_TRUE(existed);

  // Probing does not take the name: the other process still sees it held.
  EXPECT_EQ(InChild([&] {
              auto other = linux_host::MakeFileNamedObjects(root_.RunDir());
              bool e = false;
              std::unique_ptr<NamedMutex> m;
              if (other->OpenMutex(name) != err::kSuccess) return 1;
              if (other->CreateMutex(name, nullptr, &m, &e) != err::kSuccess) return 2;
              return e ? 0 : 3;
            }),
            0);

  second.reset();
  EXPECT_EQ(objects_->OpenMutex(name), err::kSuccess) << "the first holder still has it";
  first.reset();
  EXPECT_EQ(objects_->OpenMutex(name), err::kFileNotFound);
  ASSERT_EQ(objects_->CreateMutex(name, nullptr, &first, &existed), err::kSuccess);
  EXPECT_FALSE(existed);
}

TEST_F(NamedObjectsTest, MutexOfACrashedHolderIsFree) {
  const std::wstring name = L"Global\\OroSoundPanel";
  ASSERT_EQ(InChild([&] {
              auto other = linux_host::MakeFileNamedObjects(root_.RunDir());
              bool e = true;
              std::unique_ptr<NamedMutex> m;
              other->CreateMutex(name, nullptr, &m, &e);
              _exit(e ? 1 : 0);  // no destructors: the lock file stays
              return 0;
            }),
            0);
  EXPECT_EQ(FilesInRunDir(), 1u);
  EXPECT_EQ(objects_->OpenMutex(name), err::kFileNotFound);
  bool existed = true;
  std::unique_ptr<NamedMutex> m;
  ASSERT_EQ(objects_->CreateMutex(name, nullptr, &m, &existed), err::kSuccess);
  EXPECT_FALSE(existed);
}

}  // namespace
}  // namespace oro::platform
