// A library working on a fresh state folder with the kit's simulated machine
// (headset render 75 %, capture 80 %), plus views of what it stored and
// published.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "oro/common/property_blocks.h"
#include "oro/common/registry_access.h"
#include "oro/device_api/library_context.h"
#include "oro/platform/make_platform.h"
#include "oro/tools/sim/kit_machine.h"
#include "oro_ecd_api.h"
#include "temp_root.h"

namespace oro::test {

class PropertyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_ = platform::MakePlatform(platform::Profile::kSim, platform::ResolveStatePaths(root_.Path().c_str()));
    platform::sim::SimMachine machine(*platform_.registry);
    ASSERT_EQ(tools::sim::CreateKitMachine(machine, L"/tmp/"), 0u);
    device_api::SetLibraryPlatform(platform_);
  }
  void TearDown() override {
    if (loaded_) releaseDeviceInfo(&record_);
  }

  void Load() {
    ASSERT_EQ(getDeviceInfo(0, &record_), ORO_OK);
    loaded_ = true;
  }

  std::vector<std::uint8_t> Persisted(const wchar_t* name) {
    common::RegistryAccess reg(*platform_.registry);
    return reg.ReadBinary(common::kBlockStoreKey, name);
  }
  void StoreRaw(const wchar_t* name, const std::vector<std::uint8_t>& bytes) {
    common::RegistryAccess reg(*platform_.registry);
    reg.CreateKey(common::kBlockStoreKey);
    reg.WriteBinary(common::kBlockStoreKey, name, bytes.data(), bytes.size());
  }

  // A second view of the published section, as another reader would map it.
  std::vector<std::uint8_t> SectionBytes() {
    std::unique_ptr<platform::SharedSection> s;
    if (platform_.objects->OpenSection(common::kSectionName, common::kSectionSize, &s) != 0) return {};
    return std::vector<std::uint8_t>(s->Data(), s->Data() + s->Size());
  }

  template <typename Block>
  static std::vector<std::uint8_t> Bytes(const Block& b) {
    return std::vector<std::uint8_t>(common::BytesOf(b), common::BytesOf(b) + sizeof b);
  }
  static std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& v, std::size_t at, std::size_t n) {
    return at + n <= v.size() ? std::vector<std::uint8_t>(v.begin() + at, v.begin() + at + n)
                              : std::vector<std::uint8_t>();
  }

  TempRoot root_;
  platform::Platform platform_;
  common::DeviceInfo record_;
  bool loaded_ = false;
};

}  // namespace oro::test
