// The kit's simulated machine on a fresh state folder, with views of an
// endpoint's registry keys as readable maps, for the effect registration tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "oro/common/apo_installer.h"
#include "oro/common/device_apo_info.h"
#include "oro/common/registry_access.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/platform.h"
#include "oro/platform/reg_value_codec.h"
#include "oro/platform/sim/sim_layout.h"
#include "oro/tools/sim/kit_machine.h"
#include "temp_root.h"

namespace oro::test {

using ValueMap = std::map<std::wstring, std::wstring>;

// "SZ:text", "DWORD:n", "MULTI:a|b", "BIN:<n bytes>" per value; an absent key gives {"(no key)": ""}.
inline ValueMap Dump(common::RegistryAccess& reg, const std::wstring& key) {
  if (!reg.KeyExists(key)) return {{L"(no key)", L""}};
  ValueMap out;
  for (const auto& v : reg.EnumerateValues(key)) {
    std::wstring text;
    switch (v.value.type) {
      case platform::regtype::kSz:
        text = L"SZ:" + platform::DecodeRegString(v.value.data);
        break;
      case platform::regtype::kDword:
        text = L"DWORD:" + std::to_wstring(v.value.data.size() == 4 ? v.value.data[0] | v.value.data[1] << 8 |
                                                                          v.value.data[2] << 16 | v.value.data[3] << 24
                                                                    : -1);
        break;
      case platform::regtype::kMultiSz: {
        text = L"MULTI:";
        const auto items = platform::DecodeRegMultiString(v.value.data);
        for (std::size_t i = 0; i < items.size(); ++i) text += (i ? L"|" : L"") + items[i];
        break;
      }
      default:
        text = L"TYPE" + std::to_wstring(v.value.type) + L":" + std::to_wstring(v.value.data.size());
    }
    out[v.name] = text;
  }
  return out;
}

class ApoTestBase : public ::testing::Test {
 protected:
  // The kit's machine with the given OS version (major << 16 | minor).
  void MakeMachine(std::uint32_t os_version) {
    platform_ = platform::MakePlatform(platform::Profile::kSim, platform::ResolveStatePaths(root_.Path().c_str()));
    platform::sim::SimMachine machine(*platform_.registry);
    ASSERT_EQ(tools::sim::CreateKitMachine(machine, L"/tmp/", os_version), 0u);
    reg_ = std::make_unique<common::RegistryAccess>(*platform_.registry, platform_.system.get());
  }

  // The endpoint id (key name) of an endpoint of the kit's machine.
  std::wstring Id(const wchar_t* alias) {
    platform::sim::SimMachine machine(*platform_.registry);
    platform::sim::SimEndpoint e;
    EXPECT_EQ(machine.Find(alias, &e), 0u) << alias;
    const auto dot = e.info.id.find(L"}.");
    return dot == std::wstring::npos ? std::wstring() : e.info.id.substr(dot + 2);
  }
  std::wstring Key(const wchar_t* alias) {
    platform::sim::SimMachine machine(*platform_.registry);
    platform::sim::SimEndpoint e;
    machine.Find(alias, &e);
    return L"HKEY_LOCAL_MACHINE\\" + platform::sim::layout::EndpointKeyPath(e.info.flow, Id(alias));
  }
  std::wstring Fx(const wchar_t* alias) { return Key(alias) + L"\\FxProperties"; }
  std::wstring Props(const wchar_t* alias) { return Key(alias) + L"\\Properties"; }
  std::wstring Backup(const wchar_t* alias) { return std::wstring(common::apo::kBackupRoot) + L"\\" + Id(alias); }

  // Every value of a key with its type and exact bytes.
  std::vector<common::RegistryAccess::NamedValue> Raw(const std::wstring& key) {
    return reg_->KeyExists(key) ? reg_->EnumerateValues(key) : std::vector<common::RegistryAccess::NamedValue>();
  }

  TempRoot root_;
  platform::Platform platform_;
  std::unique_ptr<common::RegistryAccess> reg_;
};

inline bool SameValues(const std::vector<common::RegistryAccess::NamedValue>& a,
                       const std::vector<common::RegistryAccess::NamedValue>& b) {
  if (a.size() != b.size()) return false;
  for (const auto& x : a) {
    bool found = false;
    for (const auto& y : b) {
      if (x.name == y.name) found = x.value.type == y.value.type && x.value.data == y.value.data;
    }
    if (!found) return false;
  }
  return true;
}

}  // namespace oro::test
