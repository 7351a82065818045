// The frequency rules as the window runs them.

#include "rf/frequency.hpp"

#include "support/window_fixture.hpp"

namespace capcode {
namespace {

using testing::Lines;

constexpr int kKS8809 = 0, kSM5170 = 1, kFS8108 = 2, kFS8170 = 3;

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