#pragma once
// How a refusal of the ledger is put into words: the capcode and row that were refused, the
// record holding it in its real state (verified, unfinished since when and where, or how its
// write ended), and what the person may do about it. An unfinished record is settled with
// `capcode ledger resolve`, never by programming its capcodes again.

#include <string>

#include "core/feedback.hpp"
#include "ledger/ledger.hpp"

namespace capcode {

// True when the holder is an attempt that was never completed (a station that died
// mid-write): nobody knows yet what its pager holds.
bool heldByUnfinished(const Conflict& conflict);

// For `capcode write`: the refusal in one line, with the advice for the holder's state.
std::string conflictText(const Conflict& conflict);
// The same for a batch of the order written from the configuration with SHA-256 `configSha`
// and the capcode list with SHA-256 `listSha` (empty for the steps): a capcode on a verified
// pager of that same order is never to be given again, so the advice is --resume, not
// --allow-reuse. `resumed`: the run continues the order (--resume), so a pager of the same
// order that holds a set it takes means the order's sets give a capcode twice.
std::string conflictText(const Conflict& conflict, const std::string& configSha,
                         const std::string& listSha, bool resumed);

// For the window's status log: one line naming the capcode, the row, and when and on which
// station the holding pager was written.
std::string conflictLogLine(const Conflict& conflict);

// The window's question or notice: the log line's facts and what to do about the holder in its
// state (a returned pager; that same pager again after an interrupted or verify-failed write;
// an unfinished record checked and settled, or waited for while its station may be writing).
// Times are local with their offset.
std::string conflictNotice(const Conflict& conflict);

// The window's question when it may program the pager again: the notice with a warning icon,
// "Program again" and "Cancel", Cancel (which writes nothing) the safe answer.
Question conflictQuestion(const Conflict& conflict);
inline constexpr std::size_t kProgramAgainAnswer = 0;

}  // namespace capcode
