#include "rf/frequency.hpp"

#include <gtest/gtest.h>

namespace capcode {
namespace {

constexpr int kKS8809 = 0, kSM5170 = 1, kFS8108 = 2, kFS8170 = 3;

TEST(PadFrequencyText, MarkAfterTheThirdCharacterZerosElsewhere) {
  const std::pair<const char*, const char*> cases[] = {
      {"146", "146.00000"},       {"146.5", "146.50000"},      {"14", "140.00000"},
      {"", "000.00000"},          {"1", "100.00000"},          {"99.99999", "99.999990"},
      {"146.56250", "146.56250"}, {"1234567890", "1234567890"}};
  for (const auto& [in, out] : cases)
    EXPECT_EQ(padFrequencyText(in, '.'), out) << in;
  EXPECT_EQ(padFrequencyText("146", ','), "146,00000");
}

TEST(PlanChannel, SnapsDownOntoTheCloserGrid) {
  const struct {
    std::int64_t hertz;
    int pll;
    std::uint32_t snapped;
    std::uint16_t step;
    bool x4;
  } cases[] = {
      {146562500, kFS8108, 146562500, 3125, false}, {146562500, kKS8809, 146562500, 6250, false},
      {152240000, kSM5170, 152240000, 5000, false}, {152240000, kFS8108, 152240000, 2500, false},
      {146568750, kFS8108, 146568750, 3125, true},  {146568750, kFS8170, 146568750, 6250, false},
      {146562510, kFS8108, 146562500, 3125, false}, {146559900, kFS8108, 146556250, 3125, false},
      {146561200, kKS8809, 146560000, 5000, false}, {499999990, kKS8809, 499995000, 5000, false},
      {100000000, kKS8809, 100000000, 6250, false},  // a tie goes to 6.25 kHz
  };
  for (const auto& c : cases) {
    const auto plan = planChannel(c.hertz, c.pll);
    ASSERT_TRUE(plan) << c.hertz;
    EXPECT_EQ(plan->hertz, c.snapped) << c.hertz;
    EXPECT_EQ(plan->channelStep, c.step) << c.hertz;
    EXPECT_EQ(plan->baseTimesFour, c.x4) << c.hertz;
  }
}

TEST(PlanChannel, OnlyTheTwoBandsAreAccepted) {
  for (std::int64_t mhz : {99, 200, 300, 399, 500, 0, -5}) {
    EXPECT_FALSE(planChannel(mhz * 1000000 + 5000, kFS8108)) << mhz;
  }
  for (std::int64_t mhz : {100, 199, 400, 499})
    EXPECT_TRUE(planChannel(mhz * 1000000, kFS8108));
}
}  // namespace
}  // namespace capcode
