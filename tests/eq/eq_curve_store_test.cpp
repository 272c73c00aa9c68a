// The custom curves file: its exact bytes, the rules of save and delete, and
// damaged or unwritable files, each giving its result with nothing lost.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "oro/eq/curve_store.h"
#include "temp_root.h"

namespace oro::eq {
namespace {
namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

Gains Ramp(int start) {
  Gains g{};
  for (std::size_t i = 0; i < g.size(); ++i) g[i] = start + static_cast<int>(i);
  return g;
}

// A file laid out by hand: count, current, then records of name units and gains.
std::vector<std::uint8_t> HandMadeFile(std::int32_t count, std::int32_t current,
                                       const std::vector<std::pair<std::u16string, std::vector<std::int8_t>>>& recs) {
  std::vector<std::uint8_t> b(748, 0);
  for (int i = 0; i < 4; ++i) {
    b[i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(count) >> (8 * i));
    b[4 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(current) >> (8 * i));
  }
  for (std::size_t r = 0; r < recs.size(); ++r) {
    std::uint8_t* rec = b.data() + 8 + 74 * r;
    for (std::size_t u = 0; u < recs[r].first.size() && u < 32; ++u) {
      rec[2 * u] = static_cast<std::uint8_t>(recs[r].first[u]);
      rec[2 * u + 1] = static_cast<std::uint8_t>(recs[r].first[u] >> 8);
    }
    for (std::size_t g = 0; g < recs[r].second.size(); ++g) rec[64 + g] = static_cast<std::uint8_t>(recs[r].second[g]);
  }
  return b;
}

class CurveStoreTest : public ::testing::Test {
 protected:
  std::string Path() const { return CurveStore::PathIn(root_.Path()); }
  test::TempRoot root_;
};

TEST_F(CurveStoreTest, AMissingFileIsCreatedEmptyInANewFolderWithItsOwnMode) {
  CurveStore store(Path());
  EXPECT_EQ(store.Load().status, CurveStore::LoadStatus::kCreated);
  EXPECT_EQ(ReadBytes(Path()), std::vector<std::uint8_t>(748, 0));
  EXPECT_EQ(fs::status(Path()).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
  EXPECT_TRUE(store.Image().curves.empty());
}

TEST_F(CurveStoreTest, SavedCurvesHaveTheFileLayoutAndComeBackAfterARestart) {
  {
    CurveStore store(Path());
    store.Load();
    EXPECT_EQ(store.Save(L"Bass", Ramp(-5)).status, CurveStore::SaveStatus::kAdded);
    EXPECT_EQ(store.Save(L"耳机", Ramp(1)).status, CurveStore::SaveStatus::kAdded);
  }
  EXPECT_EQ(
      ReadBytes(Path()),
      HandMadeFile(2, 1, {{u"Bass", {-5, -4, -3, -2, -1, 0, 1, 2, 3, 4}}, {u"耳机", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}}}));

  CurveStore again(Path());
  EXPECT_EQ(again.Load().status, CurveStore::LoadStatus::kLoaded);
  ASSERT_EQ(again.Image().curves.size(), 2u);
  EXPECT_EQ(again.Image().curves[1].name, L"耳机");
  EXPECT_EQ(again.Image().curves[0].gains, Ramp(-5));
  EXPECT_EQ(again.Image().current, 1);
}

TEST_F(CurveStoreTest, SavingUnderAnExistingNameReplacesItsGainsAndAnEleventhIsRefused) {
  CurveStore store(Path());
  store.Load();
  for (int i = 0; i < 10; ++i)
    ASSERT_EQ(store.Save(L"c" + std::to_wstring(i), Ramp(i)).status, CurveStore::SaveStatus::kAdded);
  const auto full = ReadBytes(Path());

  const auto eleventh = store.Save(L"one too many", Ramp(0));
  EXPECT_EQ(eleventh.status, CurveStore::SaveStatus::kFull);
  EXPECT_EQ(ReadBytes(Path()), full);
  EXPECT_EQ(store.Image().curves.size(), 10u);

  const auto replaced = store.Save(L"c3", Ramp(-10));
  EXPECT_EQ(replaced.status, CurveStore::SaveStatus::kReplaced);
  EXPECT_EQ(replaced.index, 3);
  EXPECT_EQ(store.Image().curves.size(), 10u);
  EXPECT_EQ(store.Image().current, 3);
  EXPECT_EQ(static_cast<std::int8_t>(ReadBytes(Path())[8 + 3 * 74 + 64]), -10);
  // Names compare exactly: another case is another curve, and there is no room for it.
  EXPECT_EQ(store.Save(L"C3", Ramp(0)).status, CurveStore::SaveStatus::kFull);
}

TEST_F(CurveStoreTest, DeletingMovesLaterCurvesDownAndTheLastLeavesAnEmptyFile) {
  CurveStore store(Path());
  store.Load();
  store.Save(L"a", Ramp(0));
  store.Save(L"b", Ramp(1));
  store.Save(L"c", Ramp(2));  // current 2
  EXPECT_TRUE(store.Delete(L"a").found);
  ASSERT_EQ(store.Image().curves.size(), 2u);
  EXPECT_EQ(store.Image().curves[0].name, L"b");
  EXPECT_EQ(store.Image().current, 1);
  EXPECT_FALSE(store.Delete(L"zzz").found);
  EXPECT_TRUE(store.Delete(L"c").found);
  EXPECT_TRUE(store.Delete(L"b").found);
  EXPECT_EQ(store.Image().current, 0);
  EXPECT_EQ(ReadBytes(Path()), std::vector<std::uint8_t>(748, 0));
}

TEST_F(CurveStoreTest, LongNamesAreCutToTheFieldWithoutSplittingACharacter) {
  CurveStore store(Path());
  store.Load();
  const std::wstring long_name(40, L'x');
  store.Save(long_name, Ramp(0));
  EXPECT_EQ(store.Image().curves[0].name, std::wstring(31, L'x'));
  // Saving the same long name again finds the cut one.
  EXPECT_EQ(store.Save(long_name, Ramp(2)).status, CurveStore::SaveStatus::kReplaced);
  const auto bytes = ReadBytes(Path());
  EXPECT_EQ(bytes[8 + 62], 0);  // the terminator in unit 31
  EXPECT_EQ(bytes[8 + 63], 0);

  // 30 units then a character outside the BMP: its pair would not fit whole.
  const std::wstring emoji = std::wstring(30, L'y') + L"\U0001F3A7";
  store.Save(emoji, Ramp(0));
  EXPECT_EQ(store.Image().curves[1].name, std::wstring(30, L'y'));
}

struct Damage {
  const char* what;
  std::vector<std::uint8_t> bytes;
  std::size_t curves;  // what is still read from it
  int current;
};

TEST_F(CurveStoreTest, EveryKindOfDamageIsRepairedAndTheOriginalKeptAside) {
  auto with = [](std::vector<std::uint8_t> b, std::size_t at, std::uint8_t v) {
    b[at] = v;
    return b;
  };
  const auto sound = HandMadeFile(2, 1, {{u"one", {1, 2, 3}}, {u"two", {-1, -2, -3}}});
  std::vector<std::uint8_t> unterminated = sound;
  for (std::size_t u = 0; u < 32; ++u) unterminated[8 + 2 * u] = 'n';
  std::vector<std::uint8_t> oversized = sound;
  oversized.resize(900, 0xAA);

  const std::vector<Damage> cases = {
      {"negative count", HandMadeFile(-3, 0, {{u"one", {1}}}), 0, 0},
      {"count above ten", HandMadeFile(0x7FFFFFFF, 0, {{u"one", {1}}}), 10, 0},
      {"current beyond the count", with(sound, 4, 7), 2, 0},
      {"negative current", HandMadeFile(2, -1, {{u"one", {1}}, {u"two", {2}}}), 2, 0},
      {"name without terminator", unterminated, 2, 1},
      {"gains beyond 20 dB", with(with(sound, 8 + 64, 100), 8 + 65, 0x80), 2, 1},
      {"truncated in the second record", std::vector<std::uint8_t>(sound.begin(), sound.begin() + 100), 1, 0},
      {"a few bytes", {1, 0}, 0, 0},
      {"longer than the layout", oversized, 2, 1},
  };
  for (const Damage& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(fs::path(Path()).parent_path());
    WriteBytes(Path(), c.bytes);
    CurveStore store(Path());
    const auto loaded = store.Load();
    EXPECT_EQ(loaded.status, CurveStore::LoadStatus::kRepaired);
    EXPECT_FALSE(loaded.notes.empty());
    EXPECT_EQ(store.Image().curves.size(), c.curves);
    EXPECT_EQ(store.Image().current, c.current);
    for (const Curve& curve : store.Image().curves) {
      EXPECT_LT(curve.name.size(), 32u);
      for (int g : curve.gains) EXPECT_TRUE(g >= -20 && g <= 20) << g;
    }
    if (std::string(c.what) == "gains beyond 20 dB") {
      EXPECT_EQ(store.Image().curves[0].gains[0], 20);
      EXPECT_EQ(store.Image().curves[0].gains[1], -20);
    }

    // Nothing is lost: the first write keeps the damaged file beside the new one.
    ASSERT_EQ(store.Delete(L"no such curve").error, "");
    EXPECT_EQ(ReadBytes(Path() + ".damaged"), c.bytes);
    EXPECT_EQ(ReadBytes(Path()).size(), 748u);
    CurveStore reread(Path());
    EXPECT_EQ(reread.Load().status, CurveStore::LoadStatus::kLoaded);
    EXPECT_EQ(reread.Image().curves.size(), store.Image().curves.size());
  }
}

TEST_F(CurveStoreTest, AFileThatCannotBeReadIsNotOverwritten) {
  fs::create_directories(Path());  // a folder where the file should be
  CurveStore store(Path());
  EXPECT_EQ(store.Load().status, CurveStore::LoadStatus::kUnreadable);
  EXPECT_TRUE(store.Image().curves.empty());
  ASSERT_EQ(store.Save(L"a", Ramp(0)).status, CurveStore::SaveStatus::kAdded);
  EXPECT_TRUE(fs::is_directory(Path() + ".damaged"));
  EXPECT_EQ(ReadBytes(Path()).size(), 748u);
}

TEST_F(CurveStoreTest, AFailedWriteLeavesTheFileAndTheCurvesInMemoryAsTheyWere) {
  CurveStore store(Path());
  store.Load();
  store.Save(L"kept", Ramp(3));
  const auto before = ReadBytes(Path());

  // The folder turns into something no file can be written in.
  const std::string folder = fs::path(Path()).parent_path();
  fs::rename(folder, folder + ".moved");
  std::ofstream(folder).put('x');  // a plain file where the folder was

  const auto failed = store.Save(L"lost?", Ramp(0));
  EXPECT_EQ(failed.status, CurveStore::SaveStatus::kWriteFailed);
  EXPECT_FALSE(failed.error.empty());
  EXPECT_FALSE(store.Delete(L"kept").error.empty());
  ASSERT_EQ(store.Image().curves.size(), 1u);
  EXPECT_EQ(store.Image().curves[0].name, L"kept");

  fs::remove(folder);
  fs::rename(folder + ".moved", folder);
  EXPECT_EQ(ReadBytes(Path()), before);
  // No temporary files are left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace oro::eq
