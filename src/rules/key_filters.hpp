#pragma once
// Keyboard filters of the window's text fields and lists.

namespace capcode {

class ProgramState;

// Binds NumKeyPress (digits), tonepatternKeyPress (hexadecimal capitals) and NoKeyPress
// (typing refused) to their fields. A key the first two drop is logged, beeped and recorded
// as the rules' refusal of that field (DigitKey, HexDigitKey).
void installKeyFilters(ProgramState& state);

}  // namespace capcode
