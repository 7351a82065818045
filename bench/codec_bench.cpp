// The two conversions between the image and the window's settings, once per image: what a
// batch pays for every pager besides the transfer.

#include <benchmark/benchmark.h>

#include <cstdint>

#include "app/window_program.hpp"
#include "core/codec.hpp"
#include "core/feedback.hpp"

namespace capcode {
namespace {

void BM_DecodeImage(benchmark::State& bench) {
  SilentFeedback feedback;
  WindowProgram state{feedback};
  state.HardwareRevision = static_cast<std::uint8_t>(bench.range(0));
  const Image image = state.HardwareRevision == kHwB ? defaultImageB() : defaultImageA();
  for (auto _ : bench) {
    state.ConfigImage = image;
    decodeImage(state);
  }
}
BENCHMARK(BM_DecodeImage)->Arg(kHwA2)->Arg(kHwB)->Unit(benchmark::kMicrosecond);

void BM_EncodeImage(benchmark::State& bench) {
  SilentFeedback feedback;
  WindowProgram state{feedback};
  state.HardwareRevision = static_cast<std::uint8_t>(bench.range(0));
  state.ConfigImage = state.HardwareRevision == kHwB ? defaultImageB() : defaultImageA();
  decodeImage(state);
  for (auto _ : bench) {
    encodeImage(state);
    benchmark::DoNotOptimize(state.ConfigImage);
  }
}
BENCHMARK(BM_EncodeImage)->Arg(kHwA2)->Arg(kHwB)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace capcode
