#pragma once
// The program state with every rule of the window installed on its controls: what the window,
// the automation and the command-line tools run on. The core's ProgramState alone is the bare
// model, with no rule bound to it.

#include "core/program_state.hpp"

namespace capcode {

class WindowProgram : public ProgramState {
 public:
  explicit WindowProgram(Feedback& feedback, BuildConstants build = BuildConstants::ofThisBuild());
};

}  // namespace capcode
