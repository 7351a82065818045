#pragma once
// Keyboard filters of the window's text fields and lists.

namespace capcode {

class ProgramState;

// Binds NumKeyPress (digits), tonepatternKeyPress (hexadecimal capitals) and NoKeyPress
// (typing refused) to their fields.
void installKeyFilters(ProgramState& state);

}  // namespace capcode
