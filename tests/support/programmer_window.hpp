#pragma once
// A started window with the simulated programmer links behind it: the parallel port with its
// chip, and a USB back end that holds no box until a test plugs one in.

#include <string>
#include <vector>

#include "core/codec.hpp"
#include "link/programmer_links.hpp"
#include "link/simulated_eeprom.hpp"
#include "link/simulated_programmer.hpp"
#include "support/started_window.hpp"

namespace capcode::testing {

class ProgrammerWindowTest : public StartedWindowTest {
 protected:
  ProgrammerWindowTest() {
    installProgrammerLinks(state, links);
    links.engine.replyTimeoutMillis = 50;
    // What this window would write to a pager; the window's own image stays as it is.
    const Image window = state.ConfigImage;
    encodeImage(state);
    setChecksum(state.ConfigImage);
    pagerImage = state.ConfigImage;
    state.ConfigImage = window;
  }
  // The status-log lines since the last call, without their "log: ".
  Lines logLines() {
    Lines lines;
    for (const auto& e : events()) {
      if (e.rfind("log: ", 0) == 0) lines.push_back(e.substr(5));
    }
    return lines;
  }

  VirtualLinkClock clock;
  SimulatedParallelPort port{clock};
  SimulatedHidBackend hid;
  ProgrammerLinks links{state, port, clock, hid};
  Image pagerImage{};
};

}  // namespace capcode::testing
