#pragma once
// What one WR_To_Pager did to the pager, as its ledger record says it. "not written" and "no
// device" give the capcodes back, so they are chosen only when nothing of the write reached
// the pager; a write that reached it and then failed keeps its capcodes.

#include "core/program_state.hpp"
#include "ledger/ledger.hpp"

namespace capcode {

// `transferStarted`: the write transfer began (the record was started for it); `completed`:
// the command ran to its end (no error cut it short).
PagerResult pagerResultOf(const ProgramState& state, bool transferStarted, bool completed);

}  // namespace capcode
