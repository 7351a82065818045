#include "production/simulation/workshop.hpp"

#include <stdexcept>

#include "app/clean_decode.hpp"
#include "core/codec.hpp"
#include "production/batch_plan.hpp"
#include "support/answering_feedback.hpp"

namespace capcode::sim {

struct Workshop::Bench {
  test::AnsweringFeedback feedback;  // nobody watches; the save dialog gets the path asked for
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
  bench.feedback.answer = path;
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
