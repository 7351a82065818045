#include "variants/language_library.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "core/image.hpp"
#include "core/program_state.hpp"

namespace capcode {
namespace {

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

}  // namespace
}  // namespace capcode
