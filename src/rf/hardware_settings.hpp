#pragma once
// The Help menu's recovery items (write with a named synthesizer, skipping the read-back of the
// pager's own hardware settings) and debug mark, the LCD driver lists and the parallel-port
// selection.

namespace capcode {

class ProgramState;

void installHardwareSettingRules(ProgramState& state);

}  // namespace capcode
