#pragma once
// The person who runs a production batch, as the batch sees them: asked for each next pager,
// told each pager's result and why the batch stops. The console implements it for
// `capcode write`; the batch itself knows no terminal.

#include <string_view>
#include <vector>

#include "core/feedback.hpp"
#include "ledger/ledger.hpp"

namespace capcode {

// One pager of a batch once its record is complete (or could not be completed).
struct PagerReport {
  int pager = 0;  // 1-based
  int count = 0;  // pagers in the batch
  PagerResult result = PagerResult::NotWritten;
  std::vector<RecordedAddress> addresses;  // the rows as they were written
};

class ProductionOperator {
 public:
  virtual ~ProductionOperator() = default;
  // What the program shows while it works (status log, notices, progress). Must outlive the
  // batch.
  virtual Feedback& feedback() = 0;
  // Asked before pager `pager` of `count` (from the second on); blocks until the person put
  // the next pager on the programmer. False when they stop the batch there.
  virtual bool nextPager(int pager, int count) = 0;
  // One pager's result, after its record was completed (or failed to be).
  virtual void pagerDone(const PagerReport& report) = 0;
  // One line about the batch: why it stops, which set a pager takes, where it resumes, why the
  // ledger refused a pager and what to do about it.
  virtual void tell(std::string_view line) = 0;
};

}  // namespace capcode
