#pragma once

namespace capcode {

class ProgramState;

// Attaches About1Click (the banner line) and Exit1Click (release the port, close the window).
void installWindowCommands(ProgramState& state);

}  // namespace capcode
