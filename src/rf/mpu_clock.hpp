#pragma once
// The pager MPU's clock synthesizer: reference x 64 x N / R, chosen either from five presets
// (firmware 0 and 1) or by the N and R dividers directly (firmware 2), on HW-B boards only.

#include <optional>

namespace capcode {

class ProgramState;

// MHz for a reference in Hz and the N and R list selections; nothing without a selection.
std::optional<double> mpuClockMegahertz(int referenceHz, int nIndex, int rIndex);

// Attaches n_countChange, r_countChange, f_refChange, cpu_clockChange and f_versionChange.
void installMpuClockRules(ProgramState& state);

}  // namespace capcode
