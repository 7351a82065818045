#pragma once
// The one road every pager of production takes, from `capcode write` (one box, several boxes,
// a shared batch, a capcode list) and from the window alike: its capcodes entered into the
// rows and checked by the window's own address rules, its record started (or, reserved from a
// shared batch, given the image's digest) just before the transfer, the window's own
// WR_To_Pager, and the record completed from the typed outcome of the write. No other code
// starts or completes a pager's record around a transfer.

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "production/batch_plan.hpp"
#include "production/pager_recorder.hpp"

namespace capcode {

class Program;

// "0,1,0,0,0,0,0,0": the steps of rows 1-8 as a shared batch is bound to them.
std::string stepsText(const FormModel& form);

// Puts `set` into the rows of `state` (every row first, then each left so that its rules run)
// and checks that the rows now hold exactly the set: what the rules refused, or a row they
// moved (an HW-A led row put back on its leader's frame), or a row the pager of this revision
// does not have. `pager` goes into the refusal.
std::optional<BatchRefusal> enterSet(ProgramState& state, const std::vector<RecordedAddress>& set,
                                     int pager);

// How a pager's record is made around its transfer.
enum class RecordMode {
  Begin,        // started just before the transfer, the ledger checking its capcodes
  BeginReused,  // started likewise, its capcodes given again on purpose (a returned pager)
  Reserved,     // already reserved from a shared batch: given the image's digest
};

// What one recorded write did.
struct RoadWrite {
  // The ledger stopped the pager just before its transfer (refused or could not record):
  // nothing reached the pager.
  std::optional<LedgerStep> stopped;
  bool cancelled = false;  // stopped because the person cancelled while the ledger answered
  PagerResult result = PagerResult::NotWritten;  // the result the record was completed with
  LedgerStep completed;                          // completing the record
  std::exception_ptr error;                      // what ended the write command, if it threw
};

// Runs `command` (the window's WR_To_Pager on `program`) with `recorder`'s record made as
// `mode` says just before the transfer, then completes the record from the write's typed
// outcome (ProgrammerLinks::lastWrite). A reserved pager stopped before its transfer gives its
// set back. The record is completed whatever the command throws; the throw is kept in `error`.
// `cancelled`, when given, is asked once the record is made: true stops the pager there (its
// record completed as not written), as a person may ask while a slow ledger answers.
RoadWrite writeOnRoad(Program& program, PagerRecorder& recorder, RecordMode mode,
                      const std::function<void()>& command,
                      const std::function<bool()>& cancelled = {});

}  // namespace capcode
