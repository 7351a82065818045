// One pager of a batch: asked for, given its capcodes, recorded, written, classified,
// completed, and the capcodes moved on for the next.

#include "core/recovery_chips.hpp"
#include "production/batch_run.hpp"
#include "production/ledger_refusal.hpp"
#include "production/write_result.hpp"

namespace capcode {

namespace {

// Thrown from the write command's hook when the ledger stops the pager before its transfer:
// the command ends there and nothing reaches the pager.
struct RecordNotMade {};

}  // namespace

BatchEnd BatchRun::ledgerStopped(const LedgerStep& step, int pager, const std::string& what) {
  if (step.kind == LedgerStep::Kind::Refused) {
    person_.tell("pager " + ofCount(pager) + ": " + conflictText(*step.conflict) + "; " + what);
  } else {
    person_.tell(step.error + "; " + what + " (pager " + ofCount(pager) +
                 "): no pager is programmed without its record");
  }
  return BatchEnd::Ledger;
}

BatchEnd BatchRun::pager(int pager, const std::vector<RecordedAddress>* plan) {
  if (pager > 1 && !person_.nextPager(pager, options_.count)) return BatchEnd::Failed;
  recorder_->newPager();
  hookStep_.reset();
  if (auto end = takeCapcodes(pager, plan)) return *end;
  recorder_->setAddresses(pagerAddresses());
  const std::size_t noticeFrom = feedback_.notices.size();
  transfer(plan == nullptr);
  if (hookStep_) return ledgerStopped(*hookStep_, pager, "nothing was written to this pager");
  const PagerCommandOutcome& written = program_->links().lastWrite;
  readBackRefused_ = written.what == PagerOutcome::ReadChecksumBad;
  return finish(pager, pagerResultOf(written), noticeFrom);
}

// The pager's capcodes: the plan's (already in the rows), or the shared batch's next free set.
std::optional<BatchEnd> BatchRun::takeCapcodes(int pager,
                                               const std::vector<RecordedAddress>* plan) {
  if (plan != nullptr) {
    // A box sharing the batch skips the sets of the other boxes: its rows are set to its own.
    if (options_.share.boxes > 1 && pagerAddresses() != *plan) {
      if (auto refusal = enterCapcodes(*plan, false))
        return fail("pager " + ofCount(pager) + ": " + refusal->reason + "; stopped");
    }
    if (pagerAddresses() == *plan) return std::nullopt;
    return fail("pager " + ofCount(pager) + ": the capcodes " + describeCapcodes(pagerAddresses()) +
                " differ from the plan " + describeCapcodes(*plan) + "; stopped");
  }
  const LedgerStep step = recorder_->reserve(batch_, [this](int k) {
    std::vector<RecordedAddress> set = sets_->set(k);
    recorder_->setOrigin(sets_->origin(k));
    return set;
  });
  if (step.kind == LedgerStep::Kind::SetRefused)
    return fail("pager " + ofCount(pager) + ": " + step.error + "; stopped");
  if (!step.done()) return ledgerStopped(step, pager, "nothing was written to this pager");
  const PagerRecord& record = recorder_->record();
  if (auto refusal = enterCapcodes(record.addresses, false)) {
    // Nothing was written: the set goes back to the batch.
    const LedgerStep given = recorder_->complete(PagerResult::NotWritten);
    if (!given.done()) return ledgerStopped(given, pager, "nothing was written to this pager");
    return fail("pager " + ofCount(pager) + ": set " + std::to_string(record.setIndex) +
                " of batch " + options_.batch +
                " is refused by the address rules: " + refusal->reason);
  }
  person_.tell("pager " + ofCount(pager) + " takes set " + std::to_string(record.setIndex) +
               " of batch " + options_.batch +
               (record.listLine > 0 ? " (line " + std::to_string(record.listLine) + ")" : ""));
  return std::nullopt;
}

void BatchRun::transfer(bool reserved) {
  program_->links().beforePagerWrite = [this, reserved](const Image& image) {
    state().clearRuleRefusals();  // what advanceAddresses refuses after the transfer
    LedgerStep step = reserved ? recorder_->addImage(image)
                               : recorder_->begin(image, pagerAddresses(), options_.allowReuse);
    if (step.done()) return;
    hookStep_ = std::move(step);
    throw RecordNotMade{};
  };
  try {
    state().event([&] { form().userClick("WriteToPager"); });
  } catch (const RecordNotMade&) {
  } catch (const std::exception& e) {
    person_.tell(std::string("the write stopped: ") + e.what());
  }
  program_->links().beforePagerWrite = nullptr;
}

BatchEnd BatchRun::finish(int pager, PagerResult result, std::size_t noticeFrom) {
  const std::vector<RecordedAddress> addresses = recorder_->record().addresses;
  const LedgerStep completed = recorder_->complete(result);
  const BatchShare& share = options_.share;
  person_.pagerDone({share.batchPager(pager), share.batchSize(options_.count), result, addresses});
  if (!completed.done()) {
    person_.tell(completed.error + "; the ledger could not complete this pager's record (pager " +
                 ofCount(pager) + "); stopped");
    return BatchEnd::Ledger;
  }
  if (result != PagerResult::Verified) {
    if (readBackRefused_ && options_.recoverItem.empty()) {
      person_.tell(
          "the pager's own image fails its checksum (a blank or half-written pager?); "
          "--recover CHIP (" +
          recoveryChipNames() + ") programs it without reading it first");
    }
    return BatchEnd::Failed;
  }
  // A list's next line is entered and was checked on its own; how the rows advance is moot.
  if (pager == options_.count || list_) return BatchEnd::Done;
  // advanceAddresses ran after the verified transfer: what it refused stops the batch here.
  if (auto refusal = refusalSince(noticeFrom, pager + 1)) {
    return fail("stopped after pager " + ofCount(pager) + ": the capcodes cannot advance" +
                (refusal->row > 0 ? " (row " + std::to_string(refusal->row) + ")" : std::string()) +
                ": " + refusal->reason);
  }
  return BatchEnd::Done;
}

}  // namespace capcode
