#pragma once
// What a scenario must leave behind, checked against the pagers' bytes (read back with the
// program's own decoder at the scenario's revision) and the ledger:
//  - no individual capcode on two pagers (in the bytes of pagers written whole, and held by two
//    records), unless a deliberate "Program again" was recorded for it;
//  - every pager whose bytes changed has a record that keeps its capcodes;
//  - every verified record's capcodes are exactly those in its pager's bytes, and it names no
//    row the revision's image has no room for;
//  - nothing left "started" except by a killed process;
//  - --resume never repeats a held line or set, nor skips a free one without a word, and
//    never advises --allow-reuse for the order's own pagers;
//  - no run crashed, hung or let an exception escape.

#include <string>
#include <vector>

#include "ledger/ledger.hpp"
#include "production/simulation/scenario.hpp"
#include "production/simulation/station_run.hpp"
#include "production/simulation/workshop.hpp"

namespace capcode::sim {

struct Violation {
  std::string check;  // the invariant's short name
  std::string text;   // what was found, naming pagers, records and capcodes
};

// What the scenario's runs left: how each ended, and the ledger as it stood before each.
struct Played {
  std::vector<RunEnd> ends;
  std::vector<std::vector<PagerRecord>> before;  // by run (0-based)
};

// Every invariant's violations after the scenario; none when it holds.
std::vector<Violation> checkScenario(const Scenario& scenario, const ScenarioFiles& files,
                                     const Played& played, Workshop& workshop);

// The invariants by their short names, in the order they are reported.
const std::vector<std::string>& checkNames();

}  // namespace capcode::sim
