#include "production/simulation/workshop.hpp"

#include <stdexcept>

#include "app/clean_decode.hpp"
#include "core/codec.hpp"
#include "production/batch_plan.hpp"

namespace capcode::sim {

namespace {

// Nobody watches the bench; its save dialog is answered with the path asked for.
class BenchFeedback final : public Feedback {
 public:
  void log(std::string_view) override {}
  void beep() override {}
  void focus(std::string_view) override {}
  void message(std::string_view) override {}
  void errorNotice(std::string_view) override {}
  std::optional<std::string> chooseFile(const FileDialogRequest&) override {
    std::optional<std::string> given;
    given.swap(file);
    return given;
  }
  std::optional<std::string> file;
};

}  // namespace

struct Workshop::Bench {
  BenchFeedback feedback;
  std::unique_ptr<Program> program;
  Image base{};  // the start-up's configuration at this revision
};

Workshop::Workshop(const StartupOptions& startup) {
  for (std::uint8_t revision = 0; revision < 3; ++revision) {
    auto bench = std::make_unique<Bench>();
    ProgramOptions options;
    options.startup = startup;
    options.hardware.offline = true;
    bench->program = std::make_unique<Program>(bench->feedback, options);
    if (!bench->program->start()) throw std::runtime_error("the bench program did not start");
    ProgramState& state = bench->program->state();
    selectRevision(state, revision);
    state.event([&] { encodeImage(state); });
    bench->base = state.ConfigImage;
    benches_.push_back(std::move(bench));
  }
  fresh_ = factoryFreshPager(startup);
}

Workshop::~Workshop() = default;

bool Workshop::saveConfiguration(const Scenario& scenario, const std::string& path) {
  Bench& bench = *benches_.at(scenario.revision);
  ProgramState& state = bench.program->state();
  FormModel& form = state.form;
  state.ConfigImage = bench.base;
  state.event([&] { decodeImage(state); });
  state.event([&] {
    for (int row = 1; row <= kAddressRows; ++row) {
      const RowSetting& r = scenario.rows[row];
      const std::string enable = rowControlName("addr", row, "en");
      if (form.checked(enable) != r.enabled) form.userClick(enable);
      form.setText(rowControlName("address", row), std::to_string(r.capcode));
    }
    for (int row = 1; row <= kAddressRows; ++row)
      form.runHandler(rowControlName("address", row, "Exit"));
  });
  bench.feedback.file = path;
  return state.event([&] { form.userClick("Save1"); });
}

std::vector<RecordedAddress> Workshop::capcodesOf(const Image& bytes, std::uint8_t revision) {
  Bench& bench = *benches_.at(revision);
  ProgramState& state = bench.program->state();
  state.ConfigImage = bytes;
  state.event([&] { decodeImage(state); });
  return currentAddresses(state);
}

}  // namespace capcode::sim
