// Named objects as files in the runtime folder: the port's contract, and what
// the files themselves must do: close to everybody but the owner and the
// audio group, never reach outside the folder whatever the name, and leave
// no file behind that a later holder would mistake for a live object.
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "named_objects_contract.h"
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

using test::InChild;
using namespace contract;  // the suite

struct FileObjects {
  static std::unique_ptr<NamedObjects> Make(const test::TempRoot& root) {
    return linux_host::MakeFileNamedObjects(root.RunDir());
  }
};

INSTANTIATE_TYPED_TEST_SUITE_P(FileNamedObjects, NamedObjectsContract, FileObjects);

TEST_F(NamedObjectsTest, LeftoverOfACrashedHolderCountsAsGone) {
  const int rc = InChild(root_, [](const test::TempRoot& root) {
    auto other = linux_host::MakeFileNamedObjects(root.RunDir());
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

  ASSERT_EQ(InChild(root_,
                    [](const test::TempRoot& root) {
                      auto other = linux_host::MakeFileNamedObjects(root.RunDir());
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

TEST_F(NamedObjectsTest, ARuntimeFolderThatIsAFileCannotHoldObjects) {
  std::unique_ptr<SharedSection> s;
  std::ofstream(root_.Path() + "/not-a-dir") << "x";
  auto blocked = linux_host::MakeFileNamedObjects(root_.Path() + "/not-a-dir");
  EXPECT_EQ(blocked->CreateSection(kName, 8, nullptr, &s), err::kPathNotFound);
  bool existed = true;
  std::unique_ptr<NamedMutex> m;
  EXPECT_NE(blocked->CreateMutex(L"m", nullptr, &m, &existed), err::kSuccess);
  EXPECT_FALSE(m);
}

}  // namespace
}  // namespace oro::platform
