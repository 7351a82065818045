#pragma once
// What the fuzz targets share: a started program whose feedback is swallowed or kept, and a
// scratch folder that lives as long as the fuzzing process.

#include <stdlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/startup.hpp"
#include "core/feedback.hpp"
#include "core/program_state.hpp"

namespace capcode::fuzz {

class KeptFeedback final : public Feedback {
 public:
  void log(std::string_view line) override { lines.emplace_back(line); }
  void beep() override {}
  void focus(std::string_view) override {}
  void message(std::string_view) override {}
  void errorNotice(std::string_view) override {}
  std::optional<std::string> chooseFile(const FileDialogRequest&) override {
    std::optional<std::string> given;
    given.swap(answer);
    return given;
  }
  std::vector<std::string> lines;
  std::optional<std::string> answer;
};

inline StartupOptions fuzzStartup() {
  StartupOptions options;
  options.systemDecimalMark = '.';
  options.dataDirectories = {CAPCODE_SOURCE_DATA_DIR};
  return options;
}

inline const std::string& scratchFolder() {
  static const std::string folder = [] {
    std::string pattern = "/tmp/capcode-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    return pattern;
  }();
  return folder;
}

// Stops the fuzzer with a finding.
[[noreturn]] inline void finding(const std::string& what) {
  std::fprintf(stderr, "finding: %s\n", what.c_str());
  std::abort();
}

}  // namespace capcode::fuzz
