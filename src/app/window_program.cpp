#include "app/window_program.hpp"

#include "app/window_rules.hpp"

namespace capcode {

WindowProgram::WindowProgram(Feedback& feedback, BuildConstants build)
    : ProgramState(feedback, build) {
  installWindowRules(*this);
}

}  // namespace capcode
