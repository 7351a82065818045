#include "rf/frequency.hpp"

#include "core/chip_lists.hpp"
#include "core/conversions.hpp"
#include "core/program_state.hpp"

namespace capcode {

namespace {

constexpr std::uint32_t kGrid6250 = 6250;
constexpr std::uint32_t kGrid5000 = 5000;

bool inBand(std::int64_t megahertz) {
  return (megahertz >= 100 && megahertz <= 199) || (megahertz >= 400 && megahertz <= 499);
}

// The user types digits only; after the third digit the decimal mark is put in for them.
void frequencyKeyPress(ProgramState& state, char& key) {
  const bool digit = key >= '0' && key <= '9';
  if (!digit && key != '\b') {
    key = 0;
    state.beep();
    state.recordRuleRefusal({RuleRefusalReason::FrequencyKey, "frequency", 0, ""});
    return;
  }
  if (digit && state.form.text("frequency").size() == 2) {
    state.form.setText("frequency", state.form.text("frequency") + key);
    key = state.DecimalMark;
  }
}

void frequencyExit(ProgramState& state) {
  FormModel& form = state.form;
  form.setText("frequency", padFrequencyText(form.text("frequency"), state.DecimalMark));
  const std::int64_t hertz = textToScaled(form.text("frequency"), state.DecimalMark, 6);
  const std::optional<ChannelPlan> plan = planChannel(hertz, form.index("pll"));
  if (!plan) {
    const char* const line = "Frequency out of range!";
    state.beep();
    state.log(line);
    state.recordRuleRefusal({RuleRefusalReason::FrequencyOutOfRange, "frequency", 0, line});
    return;
  }
  form.setIndex("pll_baseD2", plan->baseTimesFour ? 1 : 0);
  state.ChannelStep = plan->channelStep;
  form.setText("frequency", padFrequencyText(scaledToText(plan->hertz, 6, state.DecimalMark),
                                             state.DecimalMark));
}

}  // namespace

std::string padFrequencyText(std::string text, char decimalMark) {
  while (text.size() < kFrequencyWidth)
    text += text.size() == 3 ? decimalMark : '0';
  return text;
}

std::optional<ChannelPlan> planChannel(std::int64_t hertz, int pllIndex) {
  if (!inBand(hertz / 1000000)) return std::nullopt;
  // The offset is taken as the pager's 32-bit unsigned arithmetic takes it.
  const auto offset = static_cast<std::uint32_t>(hertz - kIntermediateFrequencyHz);
  const std::uint32_t q1 = offset / kGrid6250, r1 = offset - q1 * kGrid6250;
  const std::uint32_t q2 = offset / kGrid5000, r2 = offset - q2 * kGrid5000;
  const bool fs8108 = pllIndex == kPllFs8108;
  ChannelPlan plan{};
  if (r1 <= r2) {  // a tie goes to the 6.25 kHz grid
    plan.hertz = q1 * kGrid6250 + kIntermediateFrequencyHz;
    plan.channelStep = fs8108 ? 3125 : 6250;
    plan.baseTimesFour = fs8108 && (offset / 3125) % 4 == 2;
  } else {
    plan.hertz = q2 * kGrid5000 + kIntermediateFrequencyHz;
    plan.channelStep = fs8108 ? 2500 : 5000;
    plan.baseTimesFour = fs8108 && (offset / 2500) % 4 == 2;
  }
  return plan;
}

void installFrequencyRules(ProgramState& state) {
  state.form.attachKeyFilter("frequency", [&state](char& key) { frequencyKeyPress(state, key); });
  state.form.attach(ControlEvent::Exit, "frequency", [&state] { frequencyExit(state); });
}

}  // namespace capcode
