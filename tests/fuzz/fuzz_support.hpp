#pragma once
// What the fuzz targets share: the started program's options (its feedback is a
// test::AnsweringFeedback, the log swallowed or kept), and a scratch folder that lives as long
// as the fuzzing process.

#include <stdlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/startup.hpp"
#include "core/program_state.hpp"
#include "support/answering_feedback.hpp"

namespace capcode::fuzz {

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
