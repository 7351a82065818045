#pragma once
// What changed on a pager since its record wrote it, control by control: the pager as read is
// compared with the configuration file the record was written from, with the record's capcodes
// in its rows. The settings a write takes from the pager itself (its hardware area, battery
// thresholds, synthesizer and display settings) are left out: they were never the file's.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/program_state.hpp"
#include "ledger/ledger.hpp"

namespace capcode {

struct ControlChange {
  std::string name;     // "beep_volume", "address1"
  std::string label;    // as the window labels it; empty when it has none
  std::string written;  // the value the record wrote
  std::string now;      // the value the pager holds
};

struct PagerChanges {
  // False when the controls cannot be compared: the record's configuration file is gone,
  // changed since (its SHA-256 differs) or no longer opens; `why` says which.
  bool named = false;
  std::string why;
  std::vector<ControlChange> controls;  // in the window's order, capcode rows first
};

// Compares the pager decoded in `pager` (a read that completed) with what `record` wrote,
// opening its configuration file at `revision` ("A2", "A3", "B"). Status-log lines of that open
// go to `log`.
PagerChanges changesSinceWritten(const PagerRecord& record, const ProgramState& pager,
                                 const std::vector<RecordedAddress>& rows,
                                 const std::optional<std::string>& revision,
                                 const std::optional<std::string>& dataDirectory,
                                 std::ostream& log);

}  // namespace capcode
