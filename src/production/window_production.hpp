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

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ledger/background_ledger.hpp"
#include "ledger/ledger.hpp"
#include "production/production_options.hpp"

namespace capcode {

class Program;


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

  // The status as of the last count of today's pagers taken in (takeCount, awaitCount). Asks
  // the ledger nothing.
  ProductionStatus status() const;
  // Starts a count of today's pagers again (other stations may write to the same ledger): one
  // count and one record, on the ledger's thread; never waits. A count starts likewise when
  // the ledger is opened, after every WR_To_Pager and every File > Open. None while the ledger
  // is known to be unreachable (the next write tries it again).
  void refreshStatus();
  // Takes in the count in flight if it is done: true when status() changed. Never waits.
  bool takeCount();
  // Waits for the counts in flight and takes them in (the script, tests).
  void awaitCount();

  // Run on this thread every 20 ms while it waits for the ledger (a server or a lock may take
  // seconds), and once more with `over` set when the answer is in: the window answers the
  // person meanwhile. The hook must not start another write or open a file.
  void setWaitHook(std::function<void(const LedgerWait&)> hook);
  // Asked during a wait: the pager being written is not written (its record, if made, is
  // completed as not written). A transfer already started is not stopped.
  void cancelWrite();
  // A call to the ledger failed and none has answered since.
  bool ledgerUnreachable() const;
  // The records for the read-only records view, newest first: `batch` empty for every batch,
  // `since` any prefix of the ledger's time form ("2026-12-09") or empty for all. Throws
  // LedgerError when the ledger cannot be read.
  std::vector<PagerRecord> records(std::string_view batch, std::string_view since);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace capcode
