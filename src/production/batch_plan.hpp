#pragma once
// The capcodes a production batch gives its pagers. Row N's step is the window's autoincN;
// after each verified pager the window's advanceAddresses moves the rows on. A row whose
// capcode moves from pager to pager carries an individual address; a row that keeps its
// capcode carries an address the pagers share on purpose.
//
// Before the first pager the whole batch is played through the window's own rules on a
// scratch copy of the program, so that a batch that would run out of range, collide with its
// own rows or repeat a capcode is refused before any pager is touched.

#include <array>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/startup.hpp"
#include "core/program_state.hpp"
#include "ledger/ledger.hpp"
#include "production/capcode_source.hpp"

namespace capcode {

// The step of row N (the selected item of autoincN), 0 when none is selected.
int addressStep(const FormModel& form, int row);

// Rows 1..8 as the window holds them now, with their roles: a row whose capcode changes from
// pager to pager (its own step above 0, or, under HW-A, a leader's step that moves its frame)
// is individual.
std::vector<RecordedAddress> currentAddresses(const ProgramState& state);

// The row whose frame row `row` keeps under HW-A2 and HW-A3 (row 2 follows row 1, rows 4-6
// follow row 3); 0 for a row that leads itself, and for every row under HW-B.
int frameLeader(std::uint8_t revision, int row);

// True when some enabled row among rows 1-4 advances (its step is above 0).
bool anyRowAdvances(const FormModel& form);

// "1=2004000 2=2004008": the capcodes of the enabled rows.
std::string describeCapcodes(const std::vector<RecordedAddress>& addresses);

// Why a batch cannot go on: the pager (1-based) that would be refused, its row and the reason.
struct BatchRefusal {
  int pager = 0;
  int row = 0;  // 0 when the rules named no row
  std::string reason;
};

// What the rules refused since `state`'s refusals were last cleared: the first refusal's row
// and line, else the first of `notices` (error notices shown meanwhile); nothing when neither.
std::optional<BatchRefusal> ruleRefusal(const ProgramState& state,
                                        const std::vector<std::string>& notices, int pager);

// The capcode sets of a batch one after another, as the window's advanceAddresses makes them
// from the rows of a configuration: set 0 is the configuration's own. Played on a scratch
// program; asking for the sets in rising order costs one advance each.
class CapcodeSets final : public CapcodeSource {
 public:
  // Takes the rows (capcodes, steps, enable boxes) of `state` as they are now.
  CapcodeSets(const ProgramState& state, const StartupOptions& startup);
  ~CapcodeSets() override;
  // Set k; throws BatchSetRefused when the rules refuse it (a range or duplicate message).
  std::vector<RecordedAddress> set(int k) override;
  // The steps of rows 1-8 (index 1-8) the sets advance by from now on, in place of those the
  // rows had when taken; the sets are played again from set 0 when they change.
  void useSteps(const std::array<int, kAddressRows + 1>& steps);
  // The step row `row` advances by in these sets.
  int step(int row) const;
  // A started program holding a copy of a state's rows; what its rules say is kept.
  struct Scratch;

 private:
  void restart();
  StartupOptions startup_;
  std::unique_ptr<Scratch> base_;     // the configuration's rows, kept as they were
  std::unique_ptr<Scratch> scratch_;  // advanced to set at_
  int at_ = 0;
};

// The rules refused a set of the batch: `refusal` names the row and the reason, its pager
// field the set's index plus one.
class BatchSetRefused : public std::runtime_error {
 public:
  BatchSetRefused(const std::string& what, BatchRefusal refusal)
      : std::runtime_error(what), refusal(std::move(refusal)) {}
  BatchRefusal refusal;
};

}  // namespace capcode
