// Decode and encode of an arbitrary image under each hardware revision: the first byte picks
// the revision, the rest is the image (0xFF where it is short). Nothing may crash or overstep,
// and the encoder must leave the prompt block, which it does not own, as it found it.

#include <algorithm>
#include <cstdint>

#include "app/window_program.hpp"
#include "core/codec.hpp"
#include "fuzz_support.hpp"

using namespace capcode;

namespace {

ProgramState& startedState() {
  static test::AnsweringFeedback feedback;
  static ProgramState* state = [] {
    auto* started = new WindowProgram(feedback);
    started->event([&] { startProgram(*started, fuzz::fuzzStartup()); });
    return started;
  }();
  return *state;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  ProgramState& state = startedState();
  state.HardwareRevision = static_cast<std::uint8_t>(data[0] % 3);
  state.ConfigImage.fill(0xFF);
  std::copy_n(data + 1, std::min(size - 1, state.ConfigImage.size()), state.ConfigImage.begin());
  const Image before = state.ConfigImage;
  // A conversion error ends the event as the window's error notice would: not a finding.
  if (!state.event([&] { decodeImage(state); })) return 0;
  if (!state.event([&] { encodeImage(state); })) return 0;
  if (!std::equal(before.begin() + kPromptBlockOffset, before.end() - 1,
                  state.ConfigImage.begin() + kPromptBlockOffset)) {
    fuzz::finding("the encoder changed the prompt block");
  }
  return 0;
}
