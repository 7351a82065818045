#include "rf/mpu_clock.hpp"

#include "core/conversions.hpp"
#include "core/program_state.hpp"

namespace capcode {

namespace {

constexpr int kNCounter[] = {4, 6, 8, 10, 12, 14, 16, 18};
constexpr int kRCounter[] = {1, 2, 4, 8, 16, 32, 64, 128};

struct ClockPreset {
  int nIndex, rIndex;
};
// "2.097", "4.194", "8.388", "16.77", "18.87" MHz with a 32768 Hz reference.
constexpr ClockPreset kMpuClockPresets[] = {{0, 2}, {0, 1}, {0, 0}, {2, 0}, {7, 1}};

void showClock(ProgramState& state) {
  FormModel& form = state.form;
  const int reference = textToInt(form.text("f_ref"));
  // While a divider list has no selection there is no clock to show; the last one stays.
  if (auto mhz = mpuClockMegahertz(reference, form.index("n_count"), form.index("r_count"))) {
    form.setText("cpu_clock1", floatToText(*mhz, state.DecimalMark));
  }
}

void applyPreset(FormModel& form) {
  const int preset = form.index("cpu_clock");
  if (preset < 0 || preset >= static_cast<int>(std::size(kMpuClockPresets))) return;
  form.setIndex("n_count", kMpuClockPresets[preset].nIndex);
  form.setIndex("r_count", kMpuClockPresets[preset].rIndex);
}

void f_versionChange(ProgramState& state) {
  if (state.HardwareRevision != kHwB) return;
  FormModel& form = state.form;
  if (textToInt(form.text("f_version")) <= 1) {  // preset mode
    form.setVisible("cpu_clock", true);
    form.setVisible("cpu_clock1", false);
    form.setEnabled("n_count", false);
    form.setEnabled("r_count", false);
    applyPreset(form);
  }
  if (textToInt(form.text("f_version")) == 2) {  // divider mode
    form.setVisible("cpu_clock", false);
    form.setVisible("cpu_clock1", true);
    form.setEnabled("n_count", true);
    form.setEnabled("r_count", true);
    showClock(state);
  }
}

}  // namespace

std::optional<double> mpuClockMegahertz(int referenceHz, int nIndex, int rIndex) {
  if (nIndex < 0 || nIndex >= static_cast<int>(std::size(kNCounter)) || rIndex < 0 ||
      rIndex >= static_cast<int>(std::size(kRCounter))) {
    return std::nullopt;
  }
  return static_cast<double>(referenceHz) * 64 * kNCounter[nIndex] / kRCounter[rIndex] / 1e6;
}

void installMpuClockRules(ProgramState& state) {
  FormModel& form = state.form;
  form.attach(ControlEvent::Change, "n_count", [&state] { showClock(state); });
  form.attach(ControlEvent::Change, "r_count", [&state] { showClock(state); });
  form.attach(ControlEvent::Change, "f_ref", [&state] {
    if (state.form.text("f_ref").empty()) {
      state.focus("f_ref");
      state.recordRuleRefusal({RuleRefusalReason::ReferenceEmpty, "f_ref", 0, ""});
      return;
    }
    showClock(state);
  });
  form.attach(ControlEvent::Change, "cpu_clock", [&form] { applyPreset(form); });
  form.attach(ControlEvent::Change, "f_version", [&state] { f_versionChange(state); });
}

}  // namespace capcode
