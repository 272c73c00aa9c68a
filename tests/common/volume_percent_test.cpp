// Volume notifications read back the kit's own volume changes exactly.
#include <gtest/gtest.h>

#include "oro/common/endpoint_volume.h"

namespace oro::common {
namespace {

TEST(VolumePercent, EveryPercentTheKitSetsReadsBackAsItselfInANotification) {
  for (int v = 0; v <= 100; ++v) {
    const float scalar = static_cast<float>(v) / 100.0f;  // as _SetVolum sets it
    EXPECT_EQ(ScalarToNearestPercent(scalar), v) << v;
    // Truncating in double precision, as a notification might, loses one on most values.
    if (v == 70) EXPECT_EQ(static_cast<int>(static_cast<double>(scalar) * 100.0), 69);
  }
  EXPECT_EQ(ScalarToNearestPercent(-0.5f), 0);
  EXPECT_EQ(ScalarToNearestPercent(1.7f), 100);
  EXPECT_EQ(ScalarToNearestPercent(0.004f), 0);
  EXPECT_EQ(ScalarToNearestPercent(0.996f), 100);
}

}  // namespace
}  // namespace oro::common
