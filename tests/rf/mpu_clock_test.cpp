#include "rf/mpu_clock.hpp"

#include <gtest/gtest.h>

namespace capcode {
namespace {

TEST(MpuClock, ReferenceTimes64TimesNOverR) {
  EXPECT_DOUBLE_EQ(*mpuClockMegahertz(32768, 0, 2), 2.097152);
  EXPECT_DOUBLE_EQ(*mpuClockMegahertz(32768, 7, 1), 18.874368);
  EXPECT_FALSE(mpuClockMegahertz(32768, -1, 1));
  EXPECT_FALSE(mpuClockMegahertz(32768, 0, 8));
}

}  // namespace
}  // namespace capcode
