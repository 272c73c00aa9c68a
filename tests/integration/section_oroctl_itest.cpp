// oroctl shows what the processing object sees and sends equalizer gains
// through the library, from its own process against the same state folder.
#include <string>

#include "../device_api/property_fixture.h"
#include "oro/common/eq_coefficients.h"

namespace oro::test {
namespace {

class SectionOroctlTest : public PropertyTest {
 protected:
  int Oroctl(const std::string& args, std::string* out) {
    out->clear();
    return RunCommand("ORO_PLATFORM=sim ORO_ROOT='" + root_.Path() + "' '" + BuiltFile("oroctl") + "' " + args, out);
  }
};

// A mistyped profile must not send the gains to the machine's own store.
TEST_F(SectionOroctlTest, AnUnknownProfileIsRefusedBeforeAnythingIsSent) {
  std::string out;
  EXPECT_EQ(
      RunCommand("ORO_PLATFORM=simm ORO_ROOT='" + root_.Path() + "' '" + BuiltFile("oroctl") + "' eq set 30=+3", &out),
      2);
  EXPECT_NE(out.find("use host or sim"), std::string::npos) << out;
  EXPECT_EQ(out.find("30=+3"), std::string::npos) << out;
}

TEST_F(SectionOroctlTest, EqSetGoesThroughTheLibraryAndKeepsOtherBands) {
  std::string out;
  ASSERT_EQ(Oroctl("eq set 30=+3 1k=-2", &out), 0) << out;
  ASSERT_EQ(Oroctl("eq set 16000=20", &out), 0) << out;
  EXPECT_EQ(out, "30=+3 60=+0 120=+0 250=+0 500=+0 1k=-2 2k=+0 4k=+0 8k=+0 16k=+20\n");

  // Stored as the panel's slider would store it: block 3 and the recomputed block 2.
  common::RegistryAccess reg(*platform_.registry);
  const auto b3 = reg.ReadBinary(common::kBlockStoreKey, common::kBlock3ValueName);
  ASSERT_EQ(b3.size(), 32u);
  EXPECT_EQ(static_cast<std::int8_t>(b3[0]), 3);
  EXPECT_EQ(static_cast<std::int8_t>(b3[5]), -2);
  EXPECT_EQ(static_cast<std::int8_t>(b3[9]), 20);
  const auto b2 = common::BlockFromBytes<common::PropertyBlock2>(
      reg.ReadBinary(common::kBlockStoreKey, common::kBlock2ValueName).data());
  EXPECT_EQ(b2.Band(5).gain_db, -2.0f);
  EXPECT_EQ(b2.Coefficients(5).b0, common::PeakingCoefficients(48000.0f, 1000.0f, -2.0f, 670.0f).b0);

  // A typo changes nothing.
  EXPECT_EQ(Oroctl("eq set 1k=+5 70=1", &out), 2);
  EXPECT_EQ(Oroctl("eq set 1k=-21", &out), 2);
  EXPECT_EQ(static_cast<std::int8_t>(reg.ReadBinary(common::kBlockStoreKey, common::kBlock3ValueName)[5]), -2);
}

TEST_F(SectionOroctlTest, BlocksShowDecodesTheLiveSectionAndTheStoredCopies) {
  std::string out;
  ASSERT_EQ(Oroctl("blocks show --json", &out), 0) << out;
  EXPECT_NE(out.find("\"section\": null"), std::string::npos) << out.substr(0, 200);
  EXPECT_NE(out.find("\"block1\": null"), std::string::npos) << "nothing stored yet";

  // The panel side holds the section and has sent a changed block 2.
  Load();
  common::PropertyBlock2 b2 = record_.Block2();
  b2.SetMasterVolume(37);
  b2.SetMode(common::ListeningMode::kSpatial, true);
  b2.SetRoom(common::RoomSize::kLarge);
  ASSERT_EQ(setDeviceProperty(&record_, 2, &b2), ORO_OK);

  ASSERT_EQ(Oroctl("blocks show --json", &out), 0) << out;
  const auto live = out.find("\"section\": {");
  const auto stored = out.find("\"persisted\": {");
  ASSERT_NE(live, std::string::npos) << out.substr(0, 200);
  ASSERT_NE(stored, std::string::npos);
  const std::string section = out.substr(live, stored - live);
  EXPECT_NE(section.find("\"capacity\": 8184"), std::string::npos);
  EXPECT_NE(section.find("\"master_volume\": 37"), std::string::npos);
  EXPECT_NE(section.find("\"spatial\": true"), std::string::npos);
  EXPECT_NE(section.find("\"room_size\": \"large\""), std::string::npos);
  EXPECT_NE(section.find("\"mic_volume\": 80"), std::string::npos);
  EXPECT_NE(out.find("\"master_volume\": 37", stored), std::string::npos) << "the stored copy too";

  ASSERT_EQ(Oroctl("blocks show", &out), 0);
  EXPECT_NE(out.find("section.block2.master_volume = 37\n"), std::string::npos) << out.substr(0, 300);
  EXPECT_NE(out.find("persisted.block3.gains_db.1k = 0\n"), std::string::npos);

  EXPECT_EQ(Oroctl("blocks list", &out), 2);
}

}  // namespace
}  // namespace oro::test
