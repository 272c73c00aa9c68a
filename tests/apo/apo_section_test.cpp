// The processing object's reader: the blocks at their places in the section,
// clean failures when there is no section or it carries something else.
#include <cstring>
#include <vector>

#include "apo_library.h"
#include "oro/common/property_blocks.h"
#include "oro/platform/linux/host_adapters.h"
#include "oro/platform/platform.h"

namespace oro::test {
namespace {

class ApoSectionTest : public ApoTest {
 protected:
  std::unique_ptr<platform::SharedSection> MakeSection() {
    std::unique_ptr<platform::SharedSection> s;
    EXPECT_EQ(objects_->CreateSection(common::kSectionName, common::kSectionSize, nullptr, &s), 0u);
    return s;
  }
  std::unique_ptr<platform::NamedObjects> objects_ = platform::linux_host::MakeFileNamedObjects(root_.RunDir());
};

TEST_F(ApoSectionTest, NoSectionIsNotFound) {
  OroApoSection* s = reinterpret_cast<OroApoSection*>(0x1);
  EXPECT_EQ(apo_.Open(&s), ORO_APO_E_NOT_FOUND);
  EXPECT_EQ(s, nullptr);
  EXPECT_EQ(apo_.Open(nullptr), ORO_APO_E_POINTER);
  EXPECT_EQ(apo_.Read(nullptr, nullptr, nullptr, nullptr), ORO_APO_E_POINTER);
}

TEST_F(ApoSectionTest, ReadsBlocksAtTheirOffsetsAndFollowsLaterWrites) {
  auto section = MakeSection();
  std::uint8_t* view = section->Data();
  const std::int32_t capacity = 8184;
  std::memcpy(view, &capacity, 4);
  for (int i = 0; i < 32; ++i) view[4 + i] = static_cast<std::uint8_t>(i + 1);
  for (int i = 0; i < 575; ++i) view[36 + i] = static_cast<std::uint8_t>(200 - i % 200);
  view[611] = 0xEE;  // beyond block 2: not part of any block

  OroApoSection* s = nullptr;
  ASSERT_EQ(apo_.Open(&s), ORO_APO_S_OK);
  int32_t cap = 0;
  std::vector<std::uint8_t> b1(32), b2(575);
  ASSERT_EQ(apo_.Read(s, &cap, b1.data(), b2.data()), ORO_APO_S_OK);
  EXPECT_EQ(cap, 8184);
  EXPECT_EQ(b1, std::vector<std::uint8_t>(view + 4, view + 36));
  EXPECT_EQ(b2, std::vector<std::uint8_t>(view + 36, view + 611));

  // The reader holds one mapping and sees what is written after it opened.
  view[36 + 8] = 99;
  ASSERT_EQ(apo_.Read(s, nullptr, nullptr, b2.data()), ORO_APO_S_OK);
  EXPECT_EQ(b2[8], 99);

  // Holding the section keeps it alive after the writer lets go.
  section.reset();
  ASSERT_EQ(apo_.Read(s, &cap, nullptr, nullptr), ORO_APO_S_OK);
  std::unique_ptr<platform::SharedSection> reopened;
  EXPECT_EQ(objects_->OpenSection(common::kSectionName, common::kSectionSize, &reopened), 0u);
  apo_.Close(s);
}

TEST_F(ApoSectionTest, SectionWithoutTheHeaderCarriesNoBlocks) {
  auto section = MakeSection();  // created but never initialised
  OroApoSection* s = nullptr;
  ASSERT_EQ(apo_.Open(&s), ORO_APO_S_OK);
  int32_t cap = -1;
  EXPECT_EQ(apo_.Read(s, &cap, nullptr, nullptr), ORO_APO_E_INVALID_DATA);
  EXPECT_EQ(cap, 0);
  apo_.Close(s);
}

}  // namespace
}  // namespace oro::test
