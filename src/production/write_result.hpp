#pragma once
// What one WR_To_Pager did to the pager, as its ledger record says it. "not written" and "no
// device" give the capcodes back, so they are chosen only when nothing of the write reached
// the pager; a write that reached it and then failed keeps its capcodes.

#include "ledger/ledger.hpp"
#include "link/pager_outcome.hpp"

namespace capcode {

// The record's result for the write command's outcome.
PagerResult pagerResultOf(const PagerCommandOutcome& write);

}  // namespace capcode
