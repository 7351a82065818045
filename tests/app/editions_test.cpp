#include "variants/editions.hpp"

#include "support/started_window.hpp"

namespace capcode {
namespace {

using testing::Lines;

class Editions : public testing::StartedWindowTest {};

const char* const kAlertControls[] = {
    "L_cannedmsg", "L_alerttype",     "alerttype",   "L_vibratetype", "vibratetype",
    "outrange",    "lowbatspecalert", "toneonlymsg", "pageoff",       "quietsound"};

TEST_F(Editions, NormalFamilyFixesAndHidesTheAlertControls) {
  for (int edition : {kNormal, kNorvik, kDalvo}) {
    form.setChecked("outrange", true);
    form.setChecked("toneonlymsg", true);
    form.setIndex("alerttype", 0);
    form.setIndex("customer", edition);
    form.runHandler("customerChange");
    for (const char* control : kAlertControls)
      EXPECT_FALSE(form.at(control).visible) << control;
    EXPECT_EQ(form.index("alerttype"), 3);
    EXPECT_EQ(form.index("vibratetype"), 0);
    EXPECT_FALSE(form.checked("outrange"));
    EXPECT_FALSE(form.checked("toneonlymsg"));
    EXPECT_FALSE(form.at("cannedmsgA").enabled);  // the canned-message rule ran
    EXPECT_TRUE(form.checked("pageoff"));
    EXPECT_TRUE(form.at("Debug1").visible);
    EXPECT_FALSE(form.at("pager_model").enabled);
  }
  EXPECT_EQ(events(), Lines{});
}

TEST_F(Editions, CaptionsOfACustomerBuild) {
  const std::pair<int, const char*> cases[] = {
      {kNormal, "M61 Capcode Programmer - Normal Version"},
      {kNorvik, "M61 Capcode Programmer - Norvik Version"},
      {kDalvo, "M61 Capcode Programmer - Normal Version"},
      {kVanta, "M61V10 Capcode Programmer Customer Version"}};
  for (const auto& [edition, expected] : cases) {
    form.setIndex("customer", edition);
    form.runHandler("customerChange");
    EXPECT_EQ(caption(), expected);
  }
}

TEST_F(Editions, BackToVantaShowsButDoesNotRestore) {
  form.setIndex("customer", kNormal);
  form.runHandler("customerChange");
  form.setIndex("customer", kVanta);
  form.runHandler("customerChange");
  for (const char* control : kAlertControls)
    EXPECT_TRUE(form.at(control).visible) << control;
  EXPECT_TRUE(form.checked("pageoff"));
  EXPECT_FALSE(form.at("backlight").enabled);
  EXPECT_FALSE(form.at("Vref").enabled);
  EXPECT_FALSE(form.at("Debug1").visible);  // a customer build
}

TEST_F(Editions, BeeperOnlyBeepsAndSaysSo) {
  const std::string captionBefore = caption();
  form.setIndex("alerttype", 1);
  form.setIndex("customer", kBeeper);
  state.event([&] { form.runHandler("customerChange"); });
  EXPECT_EQ(events(), (Lines{"beep", "message: Not yet support in this version!!!"}));
  EXPECT_EQ(caption(), captionBefore);
  EXPECT_EQ(form.index("alerttype"), 1);
  EXPECT_EQ(form.index("customer"), kBeeper);
}

TEST_F(Editions, VantaFixesTheLcdDriverOfTheFsSynthesizers) {
  const struct {
    int pll, lcddrv, lcddrvAfter;
  } cases[] = {{3, 0, 2}, {2, 0, 2}, {1, 0, 0}, {3, 1, 1}};
  for (const auto& c : cases) {
    form.setIndex("pll", c.pll);
    form.setIndex("lcddrv", c.lcddrv);
    form.setIndex("customer", kVanta);
    form.runHandler("customerChange");
    EXPECT_EQ(form.index("lcddrv"), c.lcddrvAfter) << c.pll << " " << c.lcddrv;
  }
}

TEST_F(Editions, RevisionSelectorCyclesThroughTheThreeBoards) {
  const struct {
    const char* caption;
    const char* contrast;
    std::uint8_t revision;
    bool rows78, batteries, clock;
    int lcddrv;
  } cycle[] = {{"&HW-A2", "50", kHwA2, false, true, false, 0},
               {"&HW-A3", "25", kHwA3, false, true, false, 1},
               {"&HW-B", "40", kHwB, true, false, true, 2}};
  EXPECT_TRUE(form.reachable("switch_model"));  // hidden, but its shortcut works
  // From HW-B, three activations pass HW-A2 and HW-A3 and come back.
  for (const auto& step : cycle) {
    click("switch_model");
    EXPECT_EQ(state.HardwareRevision, step.revision);
    EXPECT_EQ(form.at("switch_model").caption, step.caption);
    EXPECT_EQ(form.text("contrast"), step.contrast);
    EXPECT_EQ(form.at("address7").visible, step.rows78);
    EXPECT_EQ(form.at("urgent8D").visible, step.rows78);
    EXPECT_EQ(form.at("bat_detect").visible, step.batteries);
    EXPECT_EQ(form.at("mpu_clock_speed").visible, step.clock);
    EXPECT_EQ(form.at("BS2").visible, !step.rows78);
    EXPECT_EQ(form.at("error_rate").visible, step.rows78);
    EXPECT_EQ(form.index("lcddrv"), step.lcddrv);
    EXPECT_EQ(form.index("decoder"), step.revision == kHwB ? 1 : 0);
    EXPECT_EQ(form.at("lcd_fosc").visible, step.revision != kHwA2);
    EXPECT_EQ(form.at("lcddrv_opa").visible, step.revision != kHwA2);
  }
}

TEST_F(Editions, HwBShowsTheLcdControlsEvenForTheSt7567a) {
  for (int i = 0; i < 3; ++i)
    form.runHandler("switch_modelClick");
  EXPECT_EQ(form.index("lcddrv"), 2);
  EXPECT_EQ(form.at("lcddrv_opa").selectedItem(), "4.0");
  EXPECT_TRUE(form.at("lcd_fosc").visible);
  EXPECT_TRUE(form.at("L_lcd_bias").visible);
}

TEST_F(Editions, RevisionOutsideTheThreeOnlyRechoosesTheLibrary) {
  state.HardwareRevision = 7;
  state.LanguageLibraryPath = "x";
  form.runHandler("switch_modelClick");
  EXPECT_EQ(state.HardwareRevision, 7);
  EXPECT_EQ(state.LanguageLibraryPath, "EnglishStr.lib");
}

}  // namespace
}  // namespace capcode
