// A library working on a fresh state folder with the kit's simulated machine
// (headset render 75 %, capture 80 %), plus views of what it stored and
// published. On Windows: the system's registry (redirected to this test's
// own keys), kernel objects scoped to the folder, and the machine's Core
// Audio endpoints, whose volumes are whatever the system reports.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "oro/common/property_blocks.h"
#include "oro/common/registry_access.h"
#include "oro/device_api/library_context.h"
#include "oro/platform/make_platform.h"
#include "oro_ecd_api.h"
#include "temp_root.h"
#ifdef _WIN32
#include "oro/platform/windows/windows_adapters.h"
#include "windows_registry_fixture.h"
// The port's CreateMutex, not the system's.
#undef CreateMutex
#else
#include "oro/tools/sim/kit_machine.h"
#endif

namespace oro::test {

class PropertyTest : public ::testing::Test {
 protected:
#ifdef _WIN32
  void SetUp() override {
    platform_.registry = OpenTestRegistry(root_);
    platform_.objects = platform::windows_host::MakeWindowsNamedObjects(root_.RunDir());
    platform_.audio = platform::windows_host::MakeCoreAudioSystem();
    platform_.debug = platform::windows_host::MakeDebugStringOutput();
    render_percent_ = DefaultPercent(platform::Flow::kRender);
    capture_percent_ = DefaultPercent(platform::Flow::kCapture);
    if (render_percent_ < 0 || capture_percent_ < 0) {
      GTEST_SKIP() << "the machine has no default render and capture endpoints (under Wine: no sound server; "
                      "run through CTest, whose fixture starts one)";
    }
    device_api::SetLibraryPlatform(platform_);
  }

  // The default endpoint's volume in percent, as the system reports it; -1 without one.
  int DefaultPercent(platform::Flow flow) {
    std::unique_ptr<platform::AudioEndpoint> endpoint;
    std::unique_ptr<platform::EndpointVolume> volume;
    float scalar = -1;
    if (!platform_.audio || platform_.audio->GetDefaultEndpoint(flow, platform::Role::kMultimedia, &endpoint) != 0 ||
        endpoint->ActivateVolume(&volume) != 0 || volume->GetMasterScalar(&scalar) != 0) {
      return -1;
    }
    return static_cast<int>(scalar * 100.0f);
  }
#else
  void SetUp() override {
    platform_ = platform::MakePlatform(platform::Profile::kSim, platform::ResolveStatePaths(root_.Path().c_str()));
    platform::sim::SimMachine machine(*platform_.registry);
    ASSERT_EQ(tools::sim::CreateKitMachine(machine, L"/tmp/"), 0u);
    device_api::SetLibraryPlatform(platform_);
  }
#endif
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
  // The default endpoints' volumes the record starts from.
  int render_percent_ = 75;
  int capture_percent_ = 80;
  common::DeviceInfo record_;
  bool loaded_ = false;
};

}  // namespace oro::test
