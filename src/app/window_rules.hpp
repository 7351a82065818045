#pragma once

namespace capcode {

class ProgramState;

// Attaches every editing rule, key filter and menu handler of the window to the state's model.
void installWindowRules(ProgramState& state);

}  // namespace capcode
