#pragma once
// Production in the window: every WR_To_Pager of one program recorded in the pager ledger, the
// same way `capcode write` records its pagers. The record is started just before the write
// transfer and completed after it; a pager the ledger refuses (a capcode already on another
// pager, a ledger that cannot record) is not written: one log line, a beep and a question
// through Feedback::ask. After File > Open, pagers already verified from the same configuration
// are offered to be continued after.
//
// No toolkit here: the Qt window shows `status()` and the records; `capcode script --ledger`
// drives the same object.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ledger/ledger.hpp"

namespace capcode {

class Program;

// The window's ledger options, as on the command line.
struct ProductionOptions {
  std::optional<std::string> ledger;  // --ledger PATH|URL; the default file when not given
  bool noLedger = false;              // --no-ledger
  std::string station;                // --station NAME; the host name when empty
  std::string batch;                  // --batch NAME; none when empty
};

// What the status line under the log shows.
struct ProductionStatus {
  std::string ledger;        // the file's path or the server (password masked); "no ledger"
  std::string station;       // the station's name in the records
  std::string batch;         // the shared batch, empty when none
  int verifiedToday = 0;     // pagers verified since local midnight on this ledger
  std::string lastCapcodes;  // "1=2004000 2=2004008" of the last verified pager; empty if none
  std::string problem;       // why the ledger cannot record (every write is refused); or empty
  double lastWriteLedgerMillis = 0;  // the ledger's time within the last WR_To_Pager, in ms
};

class WindowProduction {
 public:
  // Opens the ledger as `options` say and installs itself on `program`'s WriteToPager and
  // File > Open. A ledger that cannot be opened does not throw: `status().problem` says why,
  // and every write is refused with a notice. `program` must outlive this object.
  WindowProduction(Program& program, const ProductionOptions& options);
  // The same over a ledger already open; `ledgerName` is what the status line calls it.
  WindowProduction(Program& program, const ProductionOptions& options,
                   std::unique_ptr<Ledger> ledger, std::string ledgerName);
  ~WindowProduction();
  WindowProduction(const WindowProduction&) = delete;
  WindowProduction& operator=(const WindowProduction&) = delete;

  // The status as of the last count of today's pagers, made when the ledger was opened, after
  // every WR_To_Pager and every File > Open, and by refreshStatus(). Asks the ledger nothing.
  ProductionStatus status() const;
  // Counts today's pagers again (other stations may write to the same ledger): one count and
  // one record from the ledger, not the day's listing.
  void refreshStatus();
  // The records for the read-only records view, newest first: `batch` empty for every batch,
  // `since` any prefix of the ledger's time form ("2026-12-09") or empty for all. Throws
  // LedgerError when the ledger cannot be read.
  std::vector<PagerRecord> records(std::string_view batch, std::string_view since);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace capcode
