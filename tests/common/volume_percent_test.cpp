// Volume notifications read back the kit's own volume changes exactly.
#include <gtest/gtest.h>

#include "oro/common/endpoint_volume.h"

namespace oro::common {
namespace {

TEST(VolumePercent, EveryPercentTheKitSetsReadsBackAsItselfInANotification) {
  for (int v = 0; v <= 100; ++v) {
    const float scalar = static_cast<float>(v) / 100.0f;  // as _SetVolum sets it
    EXPECT_EQ(ScalarToNearestPercent(scalar), v) << v;
  }
  EXPECT_EQ(ScalarToNearestPercent(-0.5f), 0);
  EXPECT_EQ(ScalarToNearestPercent(1.7f), 100);
  EXPECT_EQ(ScalarToNearestPercent(0.004f), 0);
  EXPECT_EQ(ScalarToNearestPercent(0.996f), 100);
}

}  // namespace
}  // namespace oro::common
