// The pagers of a batch, one after another on the production road: asked for, given their set
// (the plan's, or the shared batch's next free one), recorded, written, completed.

#include "core/recovery_chips.hpp"
#include "production/batch_run.hpp"
#include "production/ledger_refusal.hpp"
#include "production/production_road.hpp"

namespace capcode {

BatchEnd BatchRun::ledgerStopped(const LedgerStep& step, int pager, const std::string& what) {
  if (step.kind == LedgerStep::Kind::Refused) {
    person_.tell(
        "pager " + ofCount(pager) + ": " +
        conflictText(*step.conflict, configSha_, list_ ? list_->sha256 : "", options_.resume) +
        "; " + what);
  } else {
    person_.tell(step.error + "; " + what + " (pager " + ofCount(pager) +
                 "): no pager is programmed without its record");
  }
  return BatchEnd::Ledger;
}

BatchEnd BatchRun::pagers() {
  for (int pager = 1; pager <= options_.count; ++pager) {
    if (!shared() && pager > static_cast<int>(planned_.size())) break;
    if (BatchEnd end = this->pager(pager); end != BatchEnd::Done) return end;
  }
  return BatchEnd::Done;
}

BatchEnd BatchRun::pager(int pager) {
  if (pager > 1 && !person_.nextPager(pager, options_.count)) return BatchEnd::Failed;
  recorder_->newPager();
  if (shared()) {
    if (auto end = reserveSet(pager)) return *end;
  } else {
    const PlannedSet& plan = planned_[static_cast<std::size_t>(pager - 1)];
    recorder_->setOrigin(source_->origin(plan.set));
    recorder_->setSetIndex(plan.set);
    // Checked with the whole plan already: a refusal now is the rules changing their mind.
    if (auto refusal = enterSet(state(), plan.addresses, pager)) {
      return fail("pager " + ofCount(pager) + ": " + setName(plan.set) + " is refused" +
                  (refusal->row > 0 ? " (row " + std::to_string(refusal->row) + ")" : "") + ": " +
                  refusal->reason + "; stopped");
    }
    if (list_) {
      person_.tell("pager " + ofCount(pager) + " takes line " +
                   std::to_string(source_->origin(plan.set).listLine) + " of " + list_->path);
    }
  }
  recorder_->setAddresses(pagerAddresses());
  const RoadWrite written =
      writeOnRoad(*program_, *recorder_,
                  shared()              ? RecordMode::Reserved
                  : options_.allowReuse ? RecordMode::BeginReused
                                        : RecordMode::Begin,
                  [this] { state().event([&] { form().userClick("WriteToPager"); }); });
  if (written.error) {
    try {
      std::rethrow_exception(written.error);
    } catch (const std::exception& e) {
      person_.tell(std::string("the write stopped: ") + e.what());
    } catch (...) {
      person_.tell("the write stopped");
    }
  }
  if (written.stopped) {
    if (shared() && !written.completed.done())
      return ledgerStopped(written.completed, pager, "nothing was written to this pager");
    return ledgerStopped(*written.stopped, pager, "nothing was written to this pager");
  }
  readBackRefused_ = program_->links().lastWrite.what == PagerOutcome::ReadChecksumBad;
  return finish(pager, written);
}

// The shared batch's next free set, held for this pager in the ledger before anything is
// written, then entered into the rows.
std::optional<BatchEnd> BatchRun::reserveSet(int pager) {
  const LedgerStep step = recorder_->reserve(batch_, [this](int k) {
    std::vector<RecordedAddress> set = source_->set(k);
    recorder_->setOrigin(source_->origin(k));
    return set;
  });
  if (step.kind == LedgerStep::Kind::SetRefused) {
    person_.tell("pager " + ofCount(pager) + ": " + step.error + "; stopped");
    return BatchEnd::NoSetLeft;
  }
  if (!step.done()) return ledgerStopped(step, pager, "nothing was written to this pager");
  const PagerRecord& record = recorder_->record();
  if (auto refusal = enterSet(state(), record.addresses, pager)) {
    // Nothing was written: the set goes back to the batch.
    const LedgerStep given = recorder_->complete(PagerResult::NotWritten);
    if (!given.done()) return ledgerStopped(given, pager, "nothing was written to this pager");
    return fail("pager " + ofCount(pager) + ": set " + std::to_string(record.setIndex) +
                " of batch " + options_.production.batch +
                " is refused by the address rules: " + refusal->reason);
  }
  person_.tell("pager " + ofCount(pager) + " takes set " + std::to_string(record.setIndex) +
               " of batch " + options_.production.batch +
               (record.listLine > 0 ? " (line " + std::to_string(record.listLine) + ")" : ""));
  return std::nullopt;
}

BatchEnd BatchRun::finish(int pager, const RoadWrite& written) {
  const std::vector<RecordedAddress> addresses = recorder_->record().addresses;
  const BatchShare& share = options_.share;
  person_.pagerDone(
      {share.batchPager(pager), share.batchSize(options_.count), written.result, addresses});
  if (!written.completed.done()) {
    person_.tell(written.completed.error +
                 "; the ledger could not complete this pager's record (pager " + ofCount(pager) +
                 "); stopped");
    return BatchEnd::Ledger;
  }
  if (written.result == PagerResult::Verified) return BatchEnd::Done;
  if (readBackRefused_ && options_.recoverItem.empty()) {
    person_.tell(
        "the pager's own image fails its checksum (a blank or half-written pager?); "
        "--recover CHIP (" +
        recoveryChipNames() + ") programs it without reading it first");
  }
  return BatchEnd::Failed;
}

}  // namespace capcode
