// The two conversions between the image and the window's settings, once per image: what a
// batch pays for every pager besides the transfer.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/window_program.hpp"
#include "core/codec.hpp"
#include "core/feedback.hpp"

namespace capcode {
namespace {

class NoFeedback final : public Feedback {
 public:
  void log(std::string_view) override {}
  void beep() override {}
  void focus(std::string_view) override {}
  void message(std::string_view) override {}
  void errorNotice(std::string_view) override {}
  std::optional<std::string> chooseFile(const FileDialogRequest&) override { return {}; }
};

void BM_DecodeImage(benchmark::State& bench) {
  NoFeedback feedback;
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
  NoFeedback feedback;
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
