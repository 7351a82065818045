#pragma once
// The plan of an order: which sets of its source (the configuration's rows stepped k times, or
// line k of a capcode list) a run gives its pagers, checked as a whole before the first pager
// on every path — one box, several boxes, a shared batch, a list: every set through the address
// rules of the configuration's revision (only the rows its pager has, frames, ranges, two rows
// of one pager), the sets against each other, and every set against the ledger. And the one
// resume rule: an order continues with the sets no pager of it holds, after the highest set
// any of its pagers holds, by set index or list line, never by record id or time.

#include <optional>
#include <string>
#include <vector>

#include "ledger/ledger.hpp"
#include "production/batch_plan.hpp"
#include "production/capcode_list.hpp"
#include "production/pager_recorder.hpp"

namespace capcode {

struct PlannedSet {
  int set = 0;                             // the source's set index (a list: line index)
  std::vector<RecordedAddress> addresses;  // its rows with their roles
};

// Why a plan cannot be given: the planned pager (1-based) and its set, the row and why.
struct PlanFault {
  int pager = 0;
  int set = 0;
  int row = 0;
  std::string reason;
  std::optional<LedgerStep> ledger;  // the ledger refused it or could not be asked
};

// Each of `sets` from `source`, entered into the rows of `state` and checked by its rules (the
// rows are left holding the last set), then the sets against each other: an individual capcode
// on two pagers, or one pager's shared capcode another's individual one. `planned` gets the
// sets in order; the first fault stops the check.
std::optional<PlanFault> checkPlanRules(ProgramState& state, CapcodeSource& source,
                                        const std::vector<int>& sets,
                                        std::vector<PlannedSet>& planned);

// Every planned set against the ledger, the pagers of the shared batch `ownBatch` left out.
std::optional<PlanFault> checkPlanLedger(PagerRecorder& recorder,
                                         const std::vector<PlannedSet>& planned,
                                         const std::string& ownBatch);

// What the ledger knows of an order's sets, for --resume and the window's restart offer.
struct OrderHistory {
  struct Held {
    int set = 0;
    PagerRecord record;  // the newest record that keeps that set's capcodes
  };
  std::vector<Held> held;            // by set, rising
  std::vector<std::string> changed;  // list lines whose capcodes changed since their pager
  std::optional<Held> highest() const {
    if (held.empty()) return std::nullopt;
    return held.back();
  }
  bool holds(int set) const;
  int verified() const;
};

// The records of a stepped order (the configuration with SHA-256 `configSha`, no shared
// batch, no list) placed on their sets of `sets`: by the set index they were recorded with, or
// for an older record by its capcodes. Records that gave their capcodes back are left out.
OrderHistory steppedHistory(const std::vector<PagerRecord>& records, const std::string& configSha,
                            CapcodeSets& sets);

// The records of a list order placed on the lines of `list` (as it reads now): by line number
// for the same list, by their capcodes for any earlier version of it written from the same
// configuration (`configSha`); a line whose capcodes changed since is named in `changed`.
OrderHistory listHistory(const std::vector<PagerRecord>& records, const std::string& configSha,
                         const CapcodeList& list);

// The sets a resumed run takes, in order: the free sets below the highest held one first, then
// those after it; `available` sets in all (a list's lines), or -1 for no end. At most `count`
// when `count` > 0.
std::vector<int> resumeSets(const OrderHistory& history, int available, int count);

// "set 3 (interrupted, record 12), line 7 (put aside, record 15)": the held sets a resume steps
// over whose pagers are not verified; `list` names lines (set + 2) instead of sets.
std::string skippedText(const OrderHistory& history, const std::vector<int>& taken,
                        const CapcodeList* list);

}  // namespace capcode
