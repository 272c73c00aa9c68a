// Kernel sections and mutexes: the port's contract, and what only the kernel
// objects show: the access list an ObjectSecurity gives, and that a state
// folder's objects stay apart from the machine's and from another folder's.
#include <aclapi.h>
#include <sddl.h>
#include <windows.h>
#undef CreateMutex
#undef OpenMutex

#include <gtest/gtest.h>

#include "named_objects_contract.h"
#include "oro/platform/windows/windows_adapters.h"
#include "temp_root.h"

namespace oro::platform {
namespace {

struct KernelObjects {
  static std::unique_ptr<NamedObjects> Make(const test::TempRoot& root) {
    return windows_host::MakeWindowsNamedObjects(root.RunDir());
  }
};

using namespace contract;  // the suite
INSTANTIATE_TYPED_TEST_SUITE_P(Windows, NamedObjectsContract, KernelObjects);

const std::wstring kName = L"Global\\{372E213D-95EA-4306-A914-F50DB21A21CE}";

struct Ace {
  std::string sid;
  DWORD mask;
};

std::string SidText(PSID sid) {
  LPSTR text = nullptr;
  if (!ConvertSidToStringSidA(sid, &text)) return "?";
  std::string s = text;
  LocalFree(text);
  return s;
}

std::vector<Ace> AllowedAces(HANDLE object) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  std::vector<Ace> out;
  if (GetSecurityInfo(object, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr, &sd) !=
      ERROR_SUCCESS) {
    ADD_FAILURE() << "GetSecurityInfo failed";
    return out;
  }
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) continue;
    auto* header = static_cast<ACE_HEADER*>(ace);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
      out.push_back({"non-allow ace", 0});
      continue;
    }
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    out.push_back({SidText(&allowed->SidStart), allowed->Mask});
  }
  LocalFree(sd);
  return out;
}

std::string OwnUserSid() {
  HANDLE token = nullptr;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
  BYTE buf[256];
  DWORD size = 0;
  std::string sid = "?";
  if (GetTokenInformation(token, TokenUser, buf, sizeof buf, &size)) {
    sid = SidText(reinterpret_cast<TOKEN_USER*>(buf)->User.Sid);
  }
  CloseHandle(token);
  return sid;
}

class KernelObjectsTest : public ::testing::Test {
 protected:
  test::TempRoot root_;
  std::unique_ptr<NamedObjects> objects_ = windows_host::MakeWindowsNamedObjects(root_.RunDir());
};

TEST_F(KernelObjectsTest, ObjectSecurityBecomesExactlyTheUserAndLocalServiceEntries) {
  // Unscoped names, so the test can open the very objects with the system's calls.
  auto machine = windows_host::MakeWindowsNamedObjects("");
  const std::wstring name = L"Local\\OroSoundKit.test." + std::to_wstring(GetCurrentProcessId());
  const ObjectSecurity security{0xF001F, 0x100001};
  std::unique_ptr<SharedSection> section;
  ASSERT_EQ(machine->CreateSection(name, 64, &security, &section), err::kSuccess);
  HANDLE opened = OpenFileMappingW(READ_CONTROL, FALSE, name.c_str());
  ASSERT_NE(opened, nullptr) << GetLastError();
  const std::vector<Ace> aces = AllowedAces(opened);
  CloseHandle(opened);
  ASSERT_EQ(aces.size(), 2u);
  EXPECT_EQ(aces[0].sid, OwnUserSid());
  EXPECT_EQ(aces[0].mask, 0xF001Fu);
  EXPECT_EQ(aces[1].sid, "S-1-5-19") << "LOCAL SERVICE, the audio engine's account";
  EXPECT_EQ(aces[1].mask, 0x100001u);

  std::unique_ptr<NamedMutex> mutex;
  bool existed = true;
  const ObjectSecurity mutex_security{0x1F0001, 0x100001};
  ASSERT_EQ(machine->CreateMutex(name + L".m", &mutex_security, &mutex, &existed), err::kSuccess);
  EXPECT_FALSE(existed);
  HANDLE m = OpenMutexW(READ_CONTROL, FALSE, (name + L".m").c_str());
  ASSERT_NE(m, nullptr) << GetLastError();
  const std::vector<Ace> mutex_aces = AllowedAces(m);
  CloseHandle(m);
  ASSERT_EQ(mutex_aces.size(), 2u);
  EXPECT_EQ(mutex_aces[0].mask, 0x1F0001u);
  EXPECT_EQ(mutex_aces[1].sid, "S-1-5-19");
  EXPECT_EQ(mutex_aces[1].mask, 0x100001u);

  // The creator's own handle has every right; whoever opens the object later
  // gets what the access list gives, and the system refuses the rest.
  const ObjectSecurity query_only{0x1 /* SECTION_QUERY */, 0};
  std::unique_ptr<SharedSection> narrow, reopened;
  ASSERT_EQ(machine->CreateSection(name + L".q", 64, &query_only, &narrow), err::kSuccess);
  EXPECT_EQ(machine->OpenSection(name + L".q", 64, &reopened), err::kAccessDenied);
  EXPECT_FALSE(reopened);
  EXPECT_EQ(machine->OpenMutex(name + L".m"), err::kSuccess) << "the user holds modify-state rights";
}

TEST_F(KernelObjectsTest, AStateFolderKeepsItsObjectsApartFromTheMachineAndOtherFolders) {
  std::unique_ptr<SharedSection> mine;
  ASSERT_EQ(objects_->CreateSection(kName, 64, nullptr, &mine), err::kSuccess);
  mine->Data()[0] = 1;

  std::unique_ptr<SharedSection> s;
  EXPECT_EQ(windows_host::MakeWindowsNamedObjects("")->OpenSection(kName, 64, &s), err::kFileNotFound);
  test::TempRoot other_root;
  auto other = windows_host::MakeWindowsNamedObjects(other_root.RunDir());
  EXPECT_EQ(other->OpenSection(kName, 64, &s), err::kFileNotFound);
  // The same folder however it is spelled reaches the same objects.
  std::string respelled = root_.RunDir();
  for (auto& c : respelled) c = c == '/' ? '\\' : static_cast<char>(toupper(static_cast<unsigned char>(c)));
  ASSERT_EQ(windows_host::MakeWindowsNamedObjects(respelled)->OpenSection(kName, 64, &s), err::kSuccess);
  EXPECT_EQ(s->Data()[0], 1);

  bool existed = true;
  std::unique_ptr<NamedMutex> m;
  ASSERT_EQ(objects_->CreateMutex(L"Global\\OroSoundPanel", nullptr, &m, &existed), err::kSuccess);
  EXPECT_EQ(other->OpenMutex(L"Global\\OroSoundPanel"), err::kFileNotFound);
}

TEST_F(KernelObjectsTest, ASectionIsNeverHandedOutShorterThanAsked) {
  std::unique_ptr<SharedSection> small, large;
  ASSERT_EQ(objects_->CreateSection(kName, 4096, nullptr, &small), err::kSuccess);
  EXPECT_NE(objects_->OpenSection(kName, 3 * 4096, &large), err::kSuccess);
  EXPECT_NE(objects_->CreateSection(kName, 3 * 4096, nullptr, &large), err::kSuccess);
  EXPECT_FALSE(large);
}

}  // namespace
}  // namespace oro::platform
