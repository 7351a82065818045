#include "rf/frequency.hpp"

#include "support/window_fixture.hpp"

namespace capcode {
namespace {

using testing::Lines;

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

class FrequencyRules : public testing::WindowTest {};

TEST_F(FrequencyRules, TypingDigitsPutsTheMarkInAfterTheThird) {
  set("frequency", "");
  type("frequency", "14656250");
  EXPECT_EQ(text("frequency"), "146.56250");
  EXPECT_EQ(events(), Lines{});
  set("frequency", "");
  type("frequency", "146.");  // the mark is put in for the user; typing it is refused
  EXPECT_EQ(text("frequency"), "146.");
  EXPECT_EQ(events(), Lines{"beep"});
}

TEST_F(FrequencyRules, LeavingNormalisesAndSetsTheStep) {
  const struct {
    const char* typed;
    int pll;
    const char* result;
    int step;
    int baseD2;
  } cases[] = {
      {"146.56251", kFS8108, "146.56250", 3125, 0}, {"146.5599", kFS8108, "146.55625", 3125, 0},
      {"146.5612", kKS8809, "146.56000", 5000, 0},  {"146.56875", kFS8108, "146.56875", 3125, 1},
      {"146.56875", kFS8170, "146.56875", 6250, 0}, {"152.24", kSM5170, "152.24000", 5000, 0},
      {"499.99999", kFS8108, "499.99500", 2500, 0}, {"1", kFS8108, "100.00000", 3125, 0},
      {"163", kKS8809, "163.00000", 6250, 0}};
  for (const auto& c : cases) {
    form.setIndex("pll", c.pll);
    set("frequency", c.typed);
    leave("frequency");
    EXPECT_EQ(text("frequency"), c.result) << c.typed;
    EXPECT_EQ(state.ChannelStep, c.step) << c.typed;
    EXPECT_EQ(index("pll_baseD2"), c.baseD2) << c.typed;
  }
  EXPECT_EQ(events(), Lines{});
}

TEST_F(FrequencyRules, OutOfBandKeepsThePaddedTextAndTheStep) {
  state.ChannelStep = 3125;
  form.setIndex("pll_baseD2", 1);
  for (const auto& [typed, padded] :
       {std::pair{"200", "200.00000"}, std::pair{"99.99999", "99.999990"},
        std::pair{"", "000.00000"}}) {
    set("frequency", typed);
    leave("frequency");
    EXPECT_EQ(text("frequency"), padded);
    EXPECT_EQ(events(), (Lines{"beep", "log: Frequency out of range!"}));
  }
  EXPECT_EQ(state.ChannelStep, 3125);
  EXPECT_EQ(index("pll_baseD2"), 1);
}

TEST_F(FrequencyRules, CommaDecimalMark) {
  state.DecimalMark = ',';
  set("frequency", "");
  type("frequency", "1465625");
  leave("frequency");
  EXPECT_EQ(text("frequency"), "146,56250");
  set("frequency", "146.5");
  leave("frequency");
  EXPECT_EQ(events(), Lines{"error: '146.50000' is not a valid floating point value"});
  EXPECT_EQ(text("frequency"), "146.50000");
}

}  // namespace
}  // namespace capcode
