// Bad input to the property exports: odd persisted values, null pointers,
// stale handles, a section that cannot exist, a store that refuses writes.
// None of it may crash or lose the caller's block.
#include <fstream>

#include "property_fixture.h"

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
  EXPECT_EQ(record_.Block1().MonitorVolume(), 75u);
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
  // The runtime folder is a file: no section can be made there.
  std::ofstream(root_.RunDir()) << "in the way";
  Load();
  EXPECT_EQ(record_.Block1().MicVolume(), 80u);
  PropertyBlock2 b2 = record_.Block2();
  b2.SetMasterVolume(12);
  EXPECT_EQ(setDeviceProperty(&record_, 2, &b2), ORO_OK);
  EXPECT_EQ(Persisted(kBlock2ValueName), Bytes(b2));
}

// Forwards to the real store but refuses every value write.
class RefusingStore final : public platform::RegistryStore {
 public:
  explicit RefusingStore(std::shared_ptr<platform::RegistryStore> inner) : inner_(std::move(inner)) {}
  platform::ErrorCode OpenKey(platform::RootKey r, const std::wstring& k, std::uint32_t a,
                              platform::KeyHandle* o) override {
    return inner_->OpenKey(r, k, a, o);
  }
  platform::ErrorCode CreateKey(platform::RootKey r, const std::wstring& k, std::uint32_t a,
                                const platform::KeySecurity* s, platform::KeyHandle* o, bool* c) override {
    return inner_->CreateKey(r, k, a, s, o, c);
  }
  platform::ErrorCode DeleteKey(platform::RootKey r, const std::wstring& k) override { return inner_->DeleteKey(r, k); }
  platform::ErrorCode QueryValue(const platform::KeyHandle& k, const std::wstring& n, platform::RegValue* o) override {
    return inner_->QueryValue(k, n, o);
  }
  platform::ErrorCode SetValue(const platform::KeyHandle&, const std::wstring&, std::uint32_t, const std::uint8_t*,
                               std::size_t) override {
    return platform::err::kAccessDenied;
  }
  platform::ErrorCode DeleteValue(const platform::KeyHandle& k, const std::wstring& n) override {
    return inner_->DeleteValue(k, n);
  }
  platform::ErrorCode EnumKey(const platform::KeyHandle& k, std::uint32_t i, std::wstring* n) override {
    return inner_->EnumKey(k, i, n);
  }
  platform::ErrorCode EnumValue(const platform::KeyHandle& k, std::uint32_t i, std::wstring* n,
                                platform::RegValue* v) override {
    return inner_->EnumValue(k, i, n, v);
  }
  platform::ErrorCode QueryInfo(const platform::KeyHandle& k, platform::KeyInfo* i) override {
    return inner_->QueryInfo(k, i);
  }
  platform::ErrorCode GetSecurity(const platform::KeyHandle& k, platform::KeySecurity* o) override {
    return inner_->GetSecurity(k, o);
  }
  platform::ErrorCode SetSecurity(const platform::KeyHandle& k, const platform::KeySecurity& s, bool o,
                                  bool d) override {
    return inner_->SetSecurity(k, s, o, d);
  }
  platform::Caller CurrentCaller() const override { return inner_->CurrentCaller(); }

 private:
  std::shared_ptr<platform::RegistryStore> inner_;
};

TEST_F(PropertyTest, StoreThatRefusesWritesIsReportedButTheSoundStillChanges) {
  platform::Platform refusing = platform_;
  refusing.registry = std::make_shared<RefusingStore>(platform_.registry);
  device_api::SetLibraryPlatform(refusing);

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
  common::RegistryAccess reg(*platform_.registry);
  EXPECT_FALSE(reg.KeyExists(common::kBlockStoreKey) && reg.ValueExists(common::kBlockStoreKey, kBlock3ValueName));
}

}  // namespace
}  // namespace oro::test
