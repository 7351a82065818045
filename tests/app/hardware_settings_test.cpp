#include "rf/hardware_settings.hpp"

#include "support/window_fixture.hpp"

namespace capcode {
namespace {

class HardwareSettings : public testing::WindowTest {
 protected:
  std::string ticked() {
    std::string names;
    for (const char* item : {"KS88091", "SM51701", "FS81081", "FS81701", "Recover1"}) {
      if (checked(item)) names += std::string(names.empty() ? "" : " ") + item;
    }
    return names;
  }
};

TEST_F(HardwareSettings, RecoveryItemTicksOnceAndClearsOnTheSecondClick) {
  click("FS81701");
  EXPECT_EQ(ticked(), "FS81701 Recover1");
  EXPECT_EQ(index("pll"), 3);
  click("FS81701");
  EXPECT_EQ(ticked(), "");
  EXPECT_EQ(index("pll"), 3);
}

TEST_F(HardwareSettings, RecoveryItemsAreExclusive) {
  click("KS88091");
  click("SM51701");
  EXPECT_EQ(ticked(), "SM51701 Recover1");
  EXPECT_EQ(index("pll"), 1);
}

TEST_F(HardwareSettings, RecoveryChipSetsTheLcdAmplifier) {
  const struct {
    int lcddrv;
    const char* item;
    const char* opa;
  } cases[] = {
      {2, "FS81081", "4.0"}, {0, "FS81081", "3"}, {2, "FS81701", "4.5"}, {1, "FS81701", "3"}};
  for (const auto& c : cases) {
    pick("lcddrv", c.lcddrv);
    form.setIndex("lcddrv_opa", 0);
    for (const char* item : {"KS88091", "SM51701", "FS81081", "FS81701"})
      form.at(item).checked = false;
    click(c.item);
    EXPECT_EQ(form.at("lcddrv_opa").selectedItem(), c.opa) << c.item << " " << c.lcddrv;
  }
}

TEST_F(HardwareSettings, LcdDriverRebuildsTheAmplifierList) {
  const struct {
    int driver;
    std::vector<std::string> amplifier;
    int amplifierIndex;
    bool lcdTimingsShown;  // oscillator, temperature compensation and bias
  } cases[] = {
      {2, {"3.0", "3.5", "4.0", "4.5", "5.0", "5.5", "6.0", "6.5"}, 2, false},
      {1, {"0", "1", "2", "3", "4", "5", "6", "7"}, 3, true},
  };
  for (const auto& c : cases) {
    pick("lcddrv", c.driver);
    EXPECT_EQ(form.at("lcddrv_opa").items, c.amplifier) << c.driver;
    EXPECT_EQ(index("lcddrv_opa"), c.amplifierIndex) << c.driver;
    for (const char* name :
         {"L_lcd_fosc", "L_lcd_tc", "L_lcd_bias", "lcd_fosc", "lcd_tc", "lcd_bias"}) {
      EXPECT_EQ(visible(name), c.lcdTimingsShown) << c.driver << " " << name;
    }
  }
}

TEST_F(HardwareSettings, DebugMarkToggles) {
  run("Debug1Click");
  EXPECT_TRUE(checked("Debug1"));
  run("Debug1Click");
  EXPECT_FALSE(checked("Debug1"));
}

TEST_F(HardwareSettings, PortSelectionSetsTheBase) {
  click("LPT21");
  EXPECT_EQ(state.LptPortBase, 0x278);
  EXPECT_TRUE(checked("LPT21"));
  EXPECT_FALSE(checked("LPT11"));
  click("LPT11");
  EXPECT_EQ(state.LptPortBase, 0x378);
  EXPECT_TRUE(checked("LPT11"));
  EXPECT_FALSE(checked("LPT21"));
}

}  // namespace
}  // namespace capcode
