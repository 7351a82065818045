#pragma once
// Language string libraries: 1024-byte files whose bytes become the image's prompt block
// (0x400-0x7FF), chosen by board revision and display language.

#include <string>
#include <vector>

namespace capcode {

class ProgramState;

inline constexpr std::size_t kLanguageLibrarySize = 1024;

// The library the revision and language call for: "EnglishStr.lib", "FranchStr.lib" (French on
// the HW-A boards) or "EngStrHWB.lib" (HW-B).
std::string languageLibraryName(int hardwareRevision, int languageIndex);

// Loads state.LanguageLibraryPath into the prompt block: looked up in the working directory
// first, then in each of `dataDirectories` in turn. A short file is padded with 0xFF; bytes
// past 1024 are ignored. When no copy opens: logs "Language file error", beeps and records the
// refusal (LanguageFileMissing), and the block keeps what it held. Returns the path loaded, or
// empty.
std::string loadLanguageLibrary(ProgramState& state,
                                const std::vector<std::string>& dataDirectories);

// Attaches languageChange (it only chooses the file; nothing is loaded).
void installLanguageRules(ProgramState& state);

}  // namespace capcode
