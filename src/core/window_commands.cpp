#include "core/window_commands.hpp"

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
  state.form.attach(ControlEvent::Click, "Exit1", [&state] {
    if (state.releasePortAccess) state.releasePortAccess();
    state.windowClosed = true;
  });
}

}  // namespace capcode
