#include "variants/language_library.hpp"

#include <filesystem>
#include <fstream>

#include "core/program_state.hpp"

namespace capcode {

namespace {

constexpr int kFrench = 2;

bool readLibrary(const std::string& path, ProgramState& state) {
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored)) return false;
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  char block[kLanguageLibrarySize];
  file.read(block, sizeof block);
  if (file.bad()) return false;
  const auto got = static_cast<std::size_t>(file.gcount());
  for (std::size_t i = 0; i < kLanguageLibrarySize; ++i) {
    state.ConfigImage[kPromptBlockOffset + i] =
        i < got ? static_cast<std::uint8_t>(block[i]) : 0xFF;
  }
  return true;
}

}  // namespace

std::string languageLibraryName(int hardwareRevision, int languageIndex) {
  if (hardwareRevision == kHwB) return "EngStrHWB.lib";
  return languageIndex == kFrench ? "FranchStr.lib" : "EnglishStr.lib";
}

std::string loadLanguageLibrary(ProgramState& state,
                                const std::vector<std::string>& dataDirectories) {
  const std::string& name = state.LanguageLibraryPath;
  std::vector<std::string> candidates = {name};
  // An installed program started from a desktop menu has no libraries in its working directory.
  for (const std::string& dir : dataDirectories) {
    if (!dir.empty()) candidates.push_back(dir + "/" + name);
  }
  for (const std::string& path : candidates) {
    if (readLibrary(path, state)) return path;
  }
  state.log("Language file error");
  state.beep();
  return {};
}

void installLanguageRules(ProgramState& state) {
  state.form.attach(ControlEvent::Change, "language", [&state] {
    state.LanguageLibraryPath =
        languageLibraryName(state.HardwareRevision, state.form.index("language"));
  });
}

}  // namespace capcode
