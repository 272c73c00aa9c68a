// The supported-device list and the udev rule that lets a user open its
// devices must name the same USB identities.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "oro/common/hid_identity.h"

namespace oro::common {
namespace {

TEST(SupportedDevices, EveryUsbEntryHasAUdevRuleAndTheListEndsAtTwentyFour) {
  std::ifstream in(std::string(ORO_SOURCE_DIR) + "/platform/linux/udev/70-orosound-headset.rules");
  ASSERT_TRUE(in) << "the udev rule file is missing";
  std::stringstream text;
  text << in.rdbuf();
  HidIdentity id;
  int usb_entries = 0;
  for (std::size_t i = 0; i < kSupportedDeviceCount; ++i) {
    ASSERT_TRUE(SupportedDeviceAt(i, &id)) << i;
    if (id.vendor_id == 0 || IsBluetoothEntry(id)) continue;
    ++usb_entries;
    char rule[128];
    std::snprintf(rule, sizeof rule, "ATTRS{idVendor}==\"%04x\", ATTRS{idProduct}==\"%04x\", TAG+=\"uaccess\"",
                  id.vendor_id, id.product_id);
    EXPECT_NE(text.str().find(rule), std::string::npos) << "no udev rule for entry " << i << ": " << rule;
  }
  EXPECT_GE(usb_entries, 2);
  EXPECT_FALSE(SupportedDeviceAt(kSupportedDeviceCount, &id));
}

}  // namespace
}  // namespace oro::common
