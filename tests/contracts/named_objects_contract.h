// Contract of the NamedObjects port: named shared sections and mutexes that
// every process of one state folder reaches by name, that live while somebody
// holds them (a crashed holder counts as gone) and that refuse bad requests.
// An adapter's test file supplies a factory and instantiates the suite:
//
//   struct MyObjects {
//     // The named objects of the state folder `root`; every instance made for
//     // the same root, in this process or another, sees the same names.
//     static std::unique_ptr<NamedObjects> Make(const oro::test::TempRoot& root);
//   };
//   using namespace oro::platform::contract;
//   INSTANTIATE_TYPED_TEST_SUITE_P(My, NamedObjectsContract, MyObjects);
//
// Include this header in one test file per program (it registers the suite).
#pragma once

#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "oro/platform/named_objects.h"
#include "temp_root.h"

namespace oro::platform::contract {

using oro::test::EndChildNow;
using oro::test::InChild;

template <typename Factory>
class NamedObjectsContract : public ::testing::Test {
 protected:
  static constexpr const wchar_t* kName = L"Global\\{372E213D-95EA-4306-A914-F50DB21A21CE}";

  std::unique_ptr<SharedSection> MustCreate(const std::wstring& name, std::size_t size) {
    std::unique_ptr<SharedSection> s;
    EXPECT_EQ(objects_->CreateSection(name, size, nullptr, &s), err::kSuccess);
    return s;
  }

  oro::test::TempRoot root_;
  std::unique_ptr<NamedObjects> objects_ = Factory::Make(root_);
};

TYPED_TEST_SUITE_P(NamedObjectsContract);

TYPED_TEST_P(NamedObjectsContract, SectionIsZeroedSharedAndOpenedByName) {
  const std::wstring name = this->kName;
  auto a = this->MustCreate(name, 8188);
  ASSERT_TRUE(a);
  ASSERT_EQ(a->Size(), 8188u);
  for (std::size_t i = 0; i < a->Size(); ++i) ASSERT_EQ(a->Data()[i], 0) << i;
  a->Data()[8187] = 0x5A;

  // A second create while held opens the same memory without clearing it.
  auto b = this->MustCreate(name, 8188);
  EXPECT_EQ(b->Data()[8187], 0x5A);
  b->Data()[0] = 0x11;
  EXPECT_EQ(a->Data()[0], 0x11);

  std::unique_ptr<SharedSection> c;
  ASSERT_EQ(this->objects_->OpenSection(name, 8188, &c), err::kSuccess);
  EXPECT_EQ(c->Data()[8187], 0x5A);

  // Another process sees the same bytes and its writes reach this one.
  EXPECT_EQ(InChild(this->root_,
                    [name](const oro::test::TempRoot& root) {
                      auto other = TypeParam::Make(root);
                      std::unique_ptr<SharedSection> s;
                      if (other->OpenSection(name, 8188, &s) != err::kSuccess) return 1;
                      if (s->Data()[8187] != 0x5A) return 2;
                      s->Data()[1] = 0x22;
                      return 0;
                    }),
            0);
  EXPECT_EQ(a->Data()[1], 0x22);
}

TYPED_TEST_P(NamedObjectsContract, SectionDisappearsWithItsLastHolder) {
  const std::wstring name = this->kName;
  std::unique_ptr<SharedSection> s;
  EXPECT_EQ(this->objects_->OpenSection(name, 16, &s), err::kFileNotFound);

  auto a = this->MustCreate(name, 16);
  auto b = this->MustCreate(name, 16);
  a.reset();
  EXPECT_EQ(this->objects_->OpenSection(name, 16, &s), err::kSuccess) << "still held by b";
  s.reset();
  a = this->MustCreate(name, 16);
  a->Data()[3] = 9;
  a.reset();
  b.reset();
  EXPECT_EQ(this->objects_->OpenSection(name, 16, &s), err::kFileNotFound);

  auto fresh = this->MustCreate(name, 16);
  EXPECT_EQ(fresh->Data()[3], 0) << "a new section starts from zeros";
}

TYPED_TEST_P(NamedObjectsContract, SectionOfACrashedHolderCountsAsGone) {
  const std::wstring name = this->kName;
  ASSERT_EQ(InChild(this->root_,
                    [name](const oro::test::TempRoot& root) {
                      auto other = TypeParam::Make(root);
                      std::unique_ptr<SharedSection> s;
                      if (other->CreateSection(name, 64, nullptr, &s) != err::kSuccess) return 1;
                      s->Data()[7] = 7;
                      EndChildNow(0);  // no destructors
                      return 0;
                    }),
            0);
  std::unique_ptr<SharedSection> opened;
  EXPECT_EQ(this->objects_->OpenSection(name, 64, &opened), err::kFileNotFound);
  auto created = this->MustCreate(name, 64);
  EXPECT_EQ(created->Data()[7], 0);
}

TYPED_TEST_P(NamedObjectsContract, DifferentNamesNeverShareMemory) {
  const std::wstring names[] = {L"../../escape", L"a/b", L"a%2Fb", L"..", L"Local\\x", L"Global\\x", L"\u58f0"};
  std::vector<std::unique_ptr<SharedSection>> held;
  for (const auto& name : names) {
    held.push_back(this->MustCreate(name, 8));
    held.back()->Data()[0] = static_cast<std::uint8_t>(held.size());
  }
  for (std::size_t i = 0; i < held.size(); ++i) {
    std::unique_ptr<SharedSection> s;
    ASSERT_EQ(this->objects_->OpenSection(names[i], 8, &s), err::kSuccess);
    EXPECT_EQ(s->Data()[0], i + 1) << "name " << i;
  }
}

TYPED_TEST_P(NamedObjectsContract, BadRequestsFailCleanly) {
  std::unique_ptr<SharedSection> s;
  EXPECT_EQ(this->objects_->CreateSection(L"", 8, nullptr, &s), err::kInvalidParameter);
  EXPECT_EQ(this->objects_->CreateSection(this->kName, 0, nullptr, &s), err::kInvalidParameter);
  EXPECT_EQ(this->objects_->CreateSection(std::wstring(300, L'x'), 8, nullptr, &s), err::kInvalidParameter);
  EXPECT_FALSE(s);
  bool existed = true;
  std::unique_ptr<NamedMutex> m;
  EXPECT_EQ(this->objects_->CreateMutex(L"", nullptr, &m, &existed), err::kInvalidParameter);
  EXPECT_FALSE(m);
}

TYPED_TEST_P(NamedObjectsContract, MutexReportsOtherHoldersInThisAndOtherProcesses) {
  const std::wstring name = L"Global\\OroSoundPanel";
  EXPECT_EQ(this->objects_->OpenMutex(name), err::kFileNotFound);

  bool existed = true;
  std::unique_ptr<NamedMutex> first;
  ASSERT_EQ(this->objects_->CreateMutex(name, nullptr, &first, &existed), err::kSuccess);
  EXPECT_FALSE(existed);
  EXPECT_EQ(this->objects_->OpenMutex(name), err::kSuccess);

  std::unique_ptr<NamedMutex> second;
  ASSERT_EQ(this->objects_->CreateMutex(name, nullptr, &second, &existed), err::kSuccess);
  EXPECT_TRUE(existed);

  // Probing does not take the name: the other process still sees it held.
  EXPECT_EQ(InChild(this->root_,
                    [name](const oro::test::TempRoot& root) {
                      auto other = TypeParam::Make(root);
                      bool e = false;
                      std::unique_ptr<NamedMutex> m;
                      if (other->OpenMutex(name) != err::kSuccess) return 1;
                      if (other->CreateMutex(name, nullptr, &m, &e) != err::kSuccess) return 2;
                      return e ? 0 : 3;
                    }),
            0);

  second.reset();
  EXPECT_EQ(this->objects_->OpenMutex(name), err::kSuccess) << "the first holder still has it";
  first.reset();
  EXPECT_EQ(this->objects_->OpenMutex(name), err::kFileNotFound);
  ASSERT_EQ(this->objects_->CreateMutex(name, nullptr, &first, &existed), err::kSuccess);
  EXPECT_FALSE(existed);
}

TYPED_TEST_P(NamedObjectsContract, MutexOfACrashedHolderIsFree) {
  const std::wstring name = L"Global\\OroSoundPanel";
  ASSERT_EQ(InChild(this->root_,
                    [name](const oro::test::TempRoot& root) {
                      auto other = TypeParam::Make(root);
                      bool e = true;
                      std::unique_ptr<NamedMutex> m;
                      other->CreateMutex(name, nullptr, &m, &e);
                      EndChildNow(e ? 1 : 0);  // no destructors
                      return 0;
                    }),
            0);
  EXPECT_EQ(this->objects_->OpenMutex(name), err::kFileNotFound);
  bool existed = true;
  std::unique_ptr<NamedMutex> m;
  ASSERT_EQ(this->objects_->CreateMutex(name, nullptr, &m, &existed), err::kSuccess);
  EXPECT_FALSE(existed);
}

REGISTER_TYPED_TEST_SUITE_P(NamedObjectsContract, SectionIsZeroedSharedAndOpenedByName,
                            SectionDisappearsWithItsLastHolder, SectionOfACrashedHolderCountsAsGone,
                            DifferentNamesNeverShareMemory, BadRequestsFailCleanly,
                            MutexReportsOtherHoldersInThisAndOtherProcesses, MutexOfACrashedHolderIsFree);

}  // namespace oro::platform::contract
