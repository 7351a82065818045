#include "variants/model_profiles.hpp"

#include "app/window_program.hpp"
#include "support/started_window.hpp"

namespace capcode {
namespace {

class ModelProfiles : public testing::StartedWindowTest {
 protected:
  void chooseModel(int model) {
    form.setIndex("pager_model", model);
    state.event([&] { form.runHandler("pager_modelChange"); });
  }
  std::string thirdItems() {
    std::string all;
    for (int row = 1; row <= 8; ++row) {
      for (char tone : {'A', 'B', 'C', 'D'}) {
        all += form.at(rowControlName("addr", row, std::string("format") + tone)).items[2][0];
      }
    }
    return all;
  }
};

TEST_F(ModelProfiles, EachModelItsColumn) {
  const struct {
    int model;
    const char* hello;
    const char* caption;
    int lcdModule;
    bool zoomShown;
    char thirdItem;
  } cases[] = {
      {0, "------ KVRM40 -------", "M40 Capcode Programmer Customer Version", 1, true, 'T'},
      {1, "------ KVRM42 -------", "M4 Hebrew Capcode Programmer Customer Version", 1, true, 'H'},
      {2, "------ KVRM61 -------", "M61V10 Capcode Programmer Customer Version", 0, false, 'T'},
  };
  for (const auto& c : cases) {
    chooseModel(c.model);
    EXPECT_EQ(form.text("hellomsg1"), c.hello);
    EXPECT_EQ(caption(), c.caption);
    EXPECT_EQ(form.index("lcd_module"), c.lcdModule);
    EXPECT_EQ(form.index("char_size"), 0);
    EXPECT_EQ(form.at("zoom").visible, c.zoomShown);  // KVRM42 leaves it as KVRM40 left it
    EXPECT_EQ(thirdItems(), std::string(24, c.thirdItem) + std::string(8, 'T'));
  }
}

TEST_F(ModelProfiles, Kvrm42SetsItsChannelWithoutNormalising) {
  const auto step = state.ChannelStep;
  chooseModel(1);
  EXPECT_EQ(form.text("frequency"), "152.24000");
  EXPECT_EQ(state.ChannelStep, step);
}

TEST_F(ModelProfiles, FormatsComeBackFromTheImageNotTheScreen) {
  state.ConfigImage[0x048] = 0b11'10'01'00;  // row 1: A 0, B 1, C 2, D 3
  state.ConfigImage[0x057] = 0b00'00'00'10;  // row 8: A 2
  form.setIndex("addr1formatC", 0);          // edited on screen, not encoded
  form.setIndex("addr8formatA", 3);
  chooseModel(1);
  EXPECT_EQ(form.index("addr1formatC"), 2);
  EXPECT_EQ(form.at("addr1formatC").selectedItem(), "Hebrew");
  EXPECT_EQ(form.index("addr8formatA"), 2);
  chooseModel(0);
  EXPECT_EQ(form.at("addr1formatC").selectedItem(), "Tone");
}

TEST_F(ModelProfiles, RowsSevenAndEightAreLeftAloneOnHwA) {
  form.runHandler("switch_modelClick");  // HW-A2
  form.setIndex("addr7formatB", 3);
  chooseModel(2);
  EXPECT_EQ(form.index("addr7formatB"), 3);
}

TEST_F(ModelProfiles, FactoryCaptions) {
  testing::RecordingFeedback feedback;
  WindowProgram factory(feedback, BuildConstants{1, 0, 2});
  const std::pair<int, const char*> cases[] = {{0, "M40 Capcode Programmer Factory Version"},
                                               {1, "M4 Hebrew Capcode Programmer Factory Version"},
                                               {2, "M61 Capcode Programmer Factory Version"}};
  for (const auto& [model, expected] : cases) {
    factory.form.setIndex("pager_model", model);
    factory.event([&] { factory.form.runHandler("pager_modelChange"); });
    EXPECT_EQ(factory.form.at("Form1").caption, expected);
  }
}

TEST(ModelCaptions, Kvrm61CaptionNamesTheBuildsCustomer) {
  const std::pair<std::uint8_t, const char*> cases[] = {
      {0, "M61V10 Capcode Programmer Customer Version"},
      {1, "M61 Capcode Programmer Customer Version"},
      {2, "?"},
      {3, "M61 Capcode Programmer Norvik Version"},
      {4, "M61 Capcode Programmer Dalvo Version"}};
  for (const auto& [customer, expected] : cases) {
    testing::RecordingFeedback feedback;
    WindowProgram state(feedback, BuildConstants{0, customer, 2});
    state.form.setIndex("pager_model", 2);
    state.event([&] { state.form.runHandler("pager_modelChange"); });
    EXPECT_EQ(state.form.at("Form1").caption, expected) << int(customer);
  }
}

}  // namespace
}  // namespace capcode
