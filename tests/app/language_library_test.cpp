// Loading a language library into the window, and the language the window picks.

#include "variants/language_library.hpp"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/window_program.hpp"
#include "support/started_window.hpp"

namespace capcode {
namespace {

using testing::Lines;

class LanguageLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = ::testing::TempDir() + "capcode_lang_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::create_directories(dir_);
    state.ConfigImage.fill(0x11);
    state.LanguageLibraryPath = "Test.lib";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  void library(std::size_t size) {
    std::ofstream file(dir_ + "/Test.lib", std::ios::binary);
    for (std::size_t i = 0; i < size; ++i)
      file.put(static_cast<char>(i & 0x7F));
  }

  std::string dir_;
  testing::RecordingFeedback feedback;
  WindowProgram state{feedback};
};

TEST_F(LanguageLoad, SizesArePaddedOrCut) {
  const struct {
    std::size_t size;
    std::uint8_t at10, at1023;
  } cases[] = {{1024, 10, 1023 & 0x7F}, {10, 0xFF, 0xFF}, {2000, 10, 1023 & 0x7F}, {0, 0xFF, 0xFF}};
  for (const auto& c : cases) {
    library(c.size);
    EXPECT_EQ(loadLanguageLibrary(state, {dir_}), dir_ + "/Test.lib");
    EXPECT_EQ(state.ConfigImage[0x400 + 10], c.at10) << c.size;
    EXPECT_EQ(state.ConfigImage[0x7FF], c.at1023) << c.size;
    EXPECT_EQ(state.ConfigImage[0x3FF], 0x11);  // the settings half is untouched
  }
  EXPECT_EQ(feedback.events, Lines{});
}

TEST_F(LanguageLoad, MissingEverywhereIsReported) {
  EXPECT_EQ(loadLanguageLibrary(state, {dir_, ""}), "");
  EXPECT_EQ(feedback.events, (Lines{"log: Language file error", "beep"}));
  EXPECT_EQ(state.ConfigImage[0x400], 0x11);
}

TEST_F(LanguageLoad, AFolderOfThatNameIsNoLibrary) {
  std::filesystem::create_directories(dir_ + "/Test.lib");
  EXPECT_EQ(loadLanguageLibrary(state, {dir_}), "");
  EXPECT_EQ(feedback.events, (Lines{"log: Language file error", "beep"}));
}

class LanguageChoice : public testing::StartedWindowTest {};

TEST_F(LanguageChoice, PickingALanguageOnlyChoosesTheFile) {
  const auto block = state.ConfigImage;
  pick("language", 2);
  EXPECT_EQ(state.LanguageLibraryPath, "EngStrHWB.lib");
  form.runHandler("switch_modelClick");  // HW-A2
  EXPECT_EQ(state.LanguageLibraryPath, "FranchStr.lib");
  pick("language", 0);
  EXPECT_EQ(state.LanguageLibraryPath, "EnglishStr.lib");
  EXPECT_EQ(state.ConfigImage, block);
}

}  // namespace
}  // namespace capcode