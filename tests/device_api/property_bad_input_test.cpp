// Bad input to the property exports: odd persisted values, null pointers,
// stale handles, a section that cannot exist, a store that refuses writes.
// None of it may crash or lose the caller's block.
#include <fstream>

#include "property_fixture.h"
#ifdef _WIN32
#include <windows.h>
// After windows.h.
#include <sddl.h>
#else
#include "oro/platform/sqlite/sqlite_registry_store.h"
#endif

namespace oro::test {
namespace {

using common::kBlock1ValueName;
using common::kBlock2ValueName;
using common::kBlock3ValueName;
using common::PropertyBlock1;
using common::PropertyBlock2;
using common::PropertyBlock3;

TEST_F(PropertyTest, ShortPersistedBlockKeepsDefaultsBeyondItsEnd) {
  StoreRaw(kBlock1ValueName, {0, 0, 0, 0, 0x44, 0xAC});  // sample rate 44100, cut short
  Load();
  EXPECT_EQ(record_.Block1().MicSampleRate(), 44100u);
  EXPECT_EQ(record_.Block1().NoiseReductionStrength(), 50u);
  EXPECT_EQ(record_.Block1().VoiceKind(), common::Voice::kMonster);
  EXPECT_EQ(record_.Block1().MonitorVolume(), static_cast<std::uint32_t>(render_percent_));
  EXPECT_EQ(Persisted(kBlock1ValueName).size(), 6u) << "loading does not rewrite a stored block";
}

TEST_F(PropertyTest, LongPersistedBlockIsReadUpToTheBlocksLength) {
  std::vector<std::uint8_t> gains(40, 0x7F);
  gains[0] = 3;
  StoreRaw(kBlock3ValueName, gains);
  std::vector<std::uint8_t> block2(600, 0);
  block2[4] = 0x80;  // 48000 = 0xBB80
  block2[5] = 0xBB;
  block2[13] = 2;
  StoreRaw(kBlock2ValueName, block2);
  Load();
  EXPECT_EQ(record_.Block3().Gain(0), 3);
  EXPECT_EQ(record_.Block3().Gain(9), 0x7F);
  EXPECT_EQ(record_.Block2().EnvironmentKind(), common::Environment::kUnderwater);
  // The bytes after block 3 inside the record are not taken from the value.
  EXPECT_EQ(common::BytesOf(record_)[931], 0);
}

TEST_F(PropertyTest, PersistedValueOfAnotherTypeFallsBackToDefaults) {
  common::RegistryAccess reg(*platform_.registry);
  reg.CreateKey(common::kBlockStoreKey);
  reg.WriteString(common::kBlockStoreKey, kBlock1ValueName, L"not a block");
  Load();
  EXPECT_EQ(record_.Block1().NoiseReductionStrength(), 50u);
  EXPECT_EQ(reg.ReadString(common::kBlockStoreKey, kBlock1ValueName), L"not a block");

  // The next send replaces it.
  PropertyBlock1 b1 = record_.Block1();
  EXPECT_EQ(setDeviceProperty(&record_, 1, &b1), ORO_OK);
  EXPECT_EQ(Persisted(kBlock1ValueName), Bytes(b1));
}

TEST_F(PropertyTest, NullPointersAreRefusedWithoutHarm) {
  EXPECT_EQ(getDeviceInfo(0, nullptr), ORO_ERR_INVALID_ARGUMENT);
  Load();
  const auto before = Bytes(record_);
  EXPECT_EQ(setDeviceProperty(&record_, 2, nullptr), ORO_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(setDeviceProperty(nullptr, 2, before.data()), ORO_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(releaseDeviceInfo(nullptr), ORO_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(Bytes(record_), before);
}

TEST_F(PropertyTest, RecordWithoutALiveHandleStillStores) {
  // Never loaded: the handle field holds whatever the caller left there.
  common::DeviceInfo stray;
  stray.SetSectionHandle(0xDEADBEEFCAFEF00Dull);
  PropertyBlock3 gains;
  gains.SetGain(2, -4);
  EXPECT_EQ(setDeviceProperty(&stray, 3, &gains), ORO_OK);
  EXPECT_EQ(Persisted(kBlock3ValueName), Bytes(gains));
  EXPECT_EQ(releaseDeviceInfo(&stray), ORO_OK);
  EXPECT_TRUE(SectionBytes().empty());
}

TEST_F(PropertyTest, SectionThatCannotBeCreatedLeavesAWorkingRecord) {
#ifdef _WIN32
  // A mutex holds the section's name: no section can be made by it.
  std::unique_ptr<platform::NamedMutex> squatter;
  ASSERT_EQ(platform_.objects->CreateMutex(common::kSectionName, nullptr, &squatter, nullptr), 0u);
#else
  // The runtime folder is a file: no section can be made there.
  std::ofstream(root_.RunDir()) << "in the way";
#endif
  Load();
  EXPECT_TRUE(SectionBytes().empty());
  EXPECT_EQ(record_.Block1().MicVolume(), static_cast<std::uint32_t>(capture_percent_));
  PropertyBlock2 b2 = record_.Block2();
  b2.SetMasterVolume(12);
  EXPECT_EQ(setDeviceProperty(&record_, 2, &b2), ORO_OK);
  EXPECT_EQ(Persisted(kBlock2ValueName), Bytes(b2));
}

#ifdef _WIN32
// The kit's key (in this test's redirected registry) readable but not
// writable by anybody, this program included; open again when it goes.
class ReadOnlyKey {
 public:
  explicit ReadOnlyKey(const std::wstring& path) : path_(path) {
    HKEY key = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, WRITE_DAC | KEY_WOW64_64KEY, &key) != 0) return;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KR;;;WD)", SDDL_REVISION_1, &sd, nullptr)) {
      ok_ = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd) == 0;
      LocalFree(sd);
    }
    RegCloseKey(key);
  }
  ~ReadOnlyKey() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, WRITE_DAC | KEY_WOW64_64KEY, &key) == 0) {
      SetTestKeyAccess(key, true);
      RegCloseKey(key);
    }
  }
  bool Ok() const { return ok_; }

 private:
  std::wstring path_;
  bool ok_ = false;
};
#endif

TEST_F(PropertyTest, StoreThatRefusesWritesIsReportedButTheSoundStillChanges) {
#ifdef _WIN32
  common::RegistryAccess admin(*platform_.registry);
  admin.CreateKey(common::kBlockStoreKey);
  const ReadOnlyKey read_only(RegistryBaseFor(root_) + L"\\HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit");
  ASSERT_TRUE(read_only.Ok());
  device_api::SetLibraryPlatform(platform_);
#else
  // The kit's key only readable for users, and the library running as one.
  common::RegistryAccess admin(*platform_.registry);
  const platform::KeySecurity read_only{platform::account::kAdministrators,
                                        {{platform::account::kUsers, platform::keyaccess::kRead, 0}}};
  admin.CreateKey(common::kBlockStoreKey, &read_only);
  const platform::Caller user{L"alice", false};
  platform::sqlite::StoreOptions options;
  options.caller = &user;
  platform::Platform refusing = platform_;
  refusing.registry = std::make_shared<platform::sqlite::SqliteRegistryStore>(root_.RegistryDb(), options);
  device_api::SetLibraryPlatform(refusing);
#endif

  Load();  // nothing persisted and nothing can be: defaults
  EXPECT_EQ(record_.Block1().NoiseReductionStrength(), 50u);
  EXPECT_EQ(record_.Block2().Coefficients(0).b0, 1.0f);

  PropertyBlock2 b2 = record_.Block2();
  b2.SetMasterVolume(9);
  EXPECT_EQ(setDeviceProperty(&record_, 2, &b2), ORO_ERR_STORE);
  EXPECT_EQ(Bytes(record_.Block2()), Bytes(b2));
  EXPECT_EQ(Slice(SectionBytes(), 36, 575), Bytes(b2));

  PropertyBlock3 gains;
  gains.SetGain(1, 5);
  EXPECT_EQ(setDeviceProperty(&record_, 3, &gains), ORO_ERR_STORE);
  EXPECT_EQ(record_.Block2().Band(1).gain_db, 5.0f);
  EXPECT_FALSE(admin.ValueExists(common::kBlockStoreKey, kBlock3ValueName));
}

}  // namespace
}  // namespace oro::test
