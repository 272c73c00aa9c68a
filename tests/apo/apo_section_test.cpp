// The processing object's reader fails cleanly when there is no section or
// the section carries something else (reading real blocks: section_reader_itest).
#include "apo_library.h"
#include "oro/common/property_blocks.h"
#include "oro/platform/linux/host_adapters.h"

namespace oro::test {
namespace {

using ApoSectionTest = ApoTest;

TEST_F(ApoSectionTest, NoSectionIsNotFound) {
  OroApoSection* s = reinterpret_cast<OroApoSection*>(0x1);
  EXPECT_EQ(apo_.Open(&s), ORO_APO_E_NOT_FOUND);
  EXPECT_EQ(s, nullptr);
  EXPECT_EQ(apo_.Open(nullptr), ORO_APO_E_POINTER);
  EXPECT_EQ(apo_.Read(nullptr, nullptr, nullptr, nullptr), ORO_APO_E_POINTER);
}

TEST_F(ApoSectionTest, SectionWithoutTheHeaderCarriesNoBlocks) {
  // Created but never initialised by the library.
  auto objects = platform::linux_host::MakeFileNamedObjects(root_.RunDir());
  std::unique_ptr<platform::SharedSection> section;
  ASSERT_EQ(objects->CreateSection(common::kSectionName, common::kSectionSize, nullptr, &section), 0u);
  OroApoSection* s = nullptr;
  ASSERT_EQ(apo_.Open(&s), ORO_APO_S_OK);
  int32_t cap = -1;
  EXPECT_EQ(apo_.Read(s, &cap, nullptr, nullptr), ORO_APO_E_INVALID_DATA);
  EXPECT_EQ(cap, 0);
  apo_.Close(s);
}

}  // namespace
}  // namespace oro::test
