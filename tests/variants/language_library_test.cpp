#include "variants/language_library.hpp"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/window_program.hpp"
#include "support/started_window.hpp"

namespace capcode {
namespace {

using testing::Lines;

std::vector<std::uint8_t> readAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string dataFile(const char* name) {
  return std::string(CAPCODE_SOURCE_DATA_DIR) + "/" + name;
}

// The strings of a prompt block, by its offset table.
std::vector<std::string> promptsOf(const std::vector<std::uint8_t>& block) {
  std::vector<std::string> prompts;
  const std::size_t count = (block[0] | block[1] << 8) / 2;
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t at = block[2 * i] | block[2 * i + 1] << 8;
    std::string s;
    while (at < block.size() && block[at] != 0)
      s += static_cast<char>(block[at++]);
    prompts.push_back(s);
  }
  return prompts;
}

TEST(LanguageLibraryName, ByRevisionAndLanguage) {
  EXPECT_EQ(languageLibraryName(kHwA2, 2), "FranchStr.lib");
  EXPECT_EQ(languageLibraryName(kHwA3, 2), "FranchStr.lib");
  EXPECT_EQ(languageLibraryName(kHwA2, 1), "EnglishStr.lib");
  EXPECT_EQ(languageLibraryName(kHwA3, -1), "EnglishStr.lib");
  EXPECT_EQ(languageLibraryName(kHwB, 2), "EngStrHWB.lib");
}

TEST(LanguageLibraryFiles, EnglishOnesAreTheDefaultImagesBlocks) {
  const std::pair<const char*, const Image*> cases[] = {{"EnglishStr.lib", &defaultImageA()},
                                                        {"EngStrHWB.lib", &defaultImageB()}};
  for (const auto& [name, image] : cases) {
    const auto library = readAll(dataFile(name));
    ASSERT_EQ(library.size(), kLanguageLibrarySize) << name;
    for (std::size_t i = 0; i + 1 < kLanguageLibrarySize; ++i) {
      ASSERT_EQ(library[i], (*image)[kPromptBlockOffset + i]) << name << " " << i;
    }
    EXPECT_EQ(library[1023], 0xFF);
  }
}

TEST(LanguageLibraryFiles, FrenchFitsWhereTheEnglishFillsTheLine) {
  const auto french = promptsOf(readAll(dataFile("FranchStr.lib")));
  const auto english = defaultPromptsA();
  ASSERT_EQ(french.size(), english.size());
  for (std::size_t i = 0; i < french.size(); ++i) {
    for (char c : french[i])
      EXPECT_TRUE(c >= 0x20 && c < 0x7F) << french[i];
    if (english[i].size() >= 10) {
      EXPECT_LE(french[i].size(), english[i].size()) << french[i];
    }
    EXPECT_LE(french[i].size(), 20u) << french[i];
  }
  EXPECT_EQ(readAll(dataFile("FranchStr.lib")).size(), kLanguageLibrarySize);
}

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
