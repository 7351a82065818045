// File > Open of a file of any length, then File > Save and a second Open: whatever was
// opened, a file the program saved must always open again.

#include <algorithm>
#include <cstdint>
#include <fstream>

#include "app/window_program.hpp"
#include "core/codec.hpp"
#include "fuzz_support.hpp"

using namespace capcode;

namespace {

struct Window {
  test::AnsweringFeedback feedback{true};  // the log kept
  WindowProgram state{feedback};
  Window() {
    state.event([&] { startProgram(state, fuzz::fuzzStartup()); });
  }
};

bool logged(const std::vector<std::string>& lines, const char* line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Window* window = new Window;
  ProgramState& state = window->state;
  const std::string input = fuzz::scratchFolder() + "/input.eep";
  const std::string saved = fuzz::scratchFolder() + "/saved.eep";
  {
    std::ofstream file(input, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  window->feedback.answer = input;
  state.event([&] { state.form.userClick("Open1"); });

  window->feedback.lines.clear();
  window->feedback.answer = saved;
  state.event([&] { state.form.userClick("Save1"); });
  if (!logged(window->feedback.lines, "ok!")) return 0;  // a refused save leaves nothing to open

  window->feedback.lines.clear();
  window->feedback.answer = saved;
  state.event([&] { state.form.userClick("Open1"); });
  if (!logged(window->feedback.lines, "File loaded")) {
    fuzz::finding("a saved file did not open: " + (window->feedback.lines.empty()
                                                       ? std::string("(nothing logged)")
                                                       : window->feedback.lines.back()));
  }
  return 0;
}
