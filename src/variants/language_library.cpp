#include "variants/language_library.hpp"

#include "core/file_io.hpp"
#include "core/program_state.hpp"

namespace capcode {

namespace {

constexpr int kFrench = 2;

// Only a regular file counts: a folder or a FIFO of that name is passed over without waiting.
bool readLibrary(const std::string& path, ProgramState& state) {
  const auto block = readFilePrefix(path, kLanguageLibrarySize);
  if (!block) return false;
  for (std::size_t i = 0; i < kLanguageLibrarySize; ++i) {
    state.ConfigImage[kPromptBlockOffset + i] = i < block->size() ? (*block)[i] : 0xFF;
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
  const char* const line = "Language file error";
  state.log(line);
  state.beep();
  state.recordRuleRefusal({RuleRefusalReason::LanguageFileMissing, "language", 0, line});
  return {};
}

void installLanguageRules(ProgramState& state) {
  state.form.attach(ControlEvent::Change, "language", [&state] {
    state.LanguageLibraryPath =
        languageLibraryName(state.HardwareRevision, state.form.index("language"));
  });
}

}  // namespace capcode
