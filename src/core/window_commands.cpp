#include "core/window_commands.hpp"

#include <string>

#include "core/program_state.hpp"

namespace capcode {

void installWindowCommands(ProgramState& state) {
  state.form.attach(ControlEvent::Click, "About1", [&state] {
    state.log("M61V10 USB CapCode Programmer Windows version " +
              fileVersionText(state.versionInfo));
    if (state.build.factoryEdition == 1) {
      state.log("Please choose correct customer item before programming the pager.");
    }
  });
  // The four speed sliders feed the parallel-port bus timings, one byte each.
  std::uint8_t LinkTimings::*const sliders[] = {
      &LinkTimings::busFreeMillis, &LinkTimings::sclHighMicros, &LinkTimings::sclLowMicros,
      &LinkTimings::sdaHoldMicros};
  for (int i = 0; i < 4; ++i) {
    const std::string slider = "TrackBar" + std::to_string(i + 1);
    state.form.attach(ControlEvent::Change, slider, [&state, slider, field = sliders[i]] {
      state.linkTimings.*field = static_cast<std::uint8_t>(state.form.at(slider).position);
    });
  }
  state.form.attach(ControlEvent::Click, "Exit1", [&state] {
    if (state.releasePortAccess) state.releasePortAccess();
    state.windowClosed = true;
  });
}

}  // namespace capcode
