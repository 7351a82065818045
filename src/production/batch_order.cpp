// Which sets of the order a batch's pagers take, and the whole of them checked before the first
// pager: through the address rules, against each other, and against the ledger.

#include "core/visible_text.hpp"
#include "production/batch_run.hpp"
#include "production/ledger_refusal.hpp"

namespace capcode {

namespace {

std::vector<int> firstSets(int n) {
  std::vector<int> sets;
  for (int k = 0; k < n; ++k)
    sets.push_back(k);
  return sets;
}

}  // namespace

std::string BatchRun::setName(int set) const {
  if (list_) {
    return "line " + std::to_string(list_->lines[static_cast<std::size_t>(set)].line) + " of " +
           list_->path;
  }
  return "set " + std::to_string(set);
}

BatchEnd BatchRun::chooseSets() {
  if (options_.plannedSets) {
    sets_ = *options_.plannedSets;
    return BatchEnd::Done;
  }
  const int lines = list_ ? static_cast<int>(list_->lines.size()) : -1;
  if (shared()) {
    // A station of a shared batch may be handed any line, or any set up to those the batch
    // holds and this station's own: it checks them all.
    if (list_) {
      if (!options_.countGiven) options_.count = lines;
      sets_ = firstSets(lines);
      return BatchEnd::Done;
    }
    int held = 0;
    try {
      for (const PagerRecord& r : ledger_->list("")) {
        if (r.batch == options_.production.batch && keepsCapcodes(r)) ++held;
      }
    } catch (const LedgerError& e) {
      return ledgerUnreachable(e);
    }
    sets_ = firstSets(held + options_.count);
    return BatchEnd::Done;
  }
  if (options_.resume) {
    std::vector<PagerRecord> records;
    try {
      records = ledger_->list("");
    } catch (const LedgerError& e) {
      return ledgerUnreachable(e);
    }
    const OrderHistory history = list_ ? listHistory(records, configSha_, *list_)
                                       : steppedHistory(records, configSha_, *stepped_);
    return resumeSets(history, lines);
  }
  const int total = options_.share.batchSize(options_.count);
  if (!list_) {
    sets_ = firstSets(total);
    return BatchEnd::Done;
  }
  if (options_.countGiven && total > lines) {
    return usage("--count " + std::to_string(total) + ": " + list_->path + " has only " +
                 counted(static_cast<std::size_t>(lines), "pager"));
  }
  if (!options_.countGiven) options_.count = lines;
  sets_ = firstSets(options_.share.batchSize(options_.count));
  return BatchEnd::Done;
}

// The one resume rule: the sets no pager of this order holds, those below the highest held set
// first, then those after it; every held set that is not on a verified pager is named.
BatchEnd BatchRun::resumeSets(const OrderHistory& history, int available) {
  const auto highest = history.highest();
  if (!highest && !list_)
    return fail("--resume: the ledger has no verified pager written from " + options_.file);
  const int wanted = options_.countGiven || !list_ ? options_.share.batchSize(options_.count) : 0;
  sets_ = capcode::resumeSets(history, available, wanted);
  const std::string skipped = skippedText(history, sets_, list_.get());
  std::string said;
  if (list_) {
    if (options_.countGiven && static_cast<int>(sets_.size()) < wanted) {
      return usage("--count " + std::to_string(wanted) + ": " + list_->path + " has only " +
                   counted(sets_.size(), "pager") + " left");
    }
    if (!options_.countGiven) options_.count = static_cast<int>(sets_.size());
    for (const std::string& line : history.changed)
      person_.tell("--resume: " + list_->path + ": " + line + "; it is taken as it reads now");
    if (sets_.empty()) {
      person_.tell("--resume: every line of " + list_->path +
                   (skipped.empty()
                        ? " is on a verified pager"
                        : " is on a pager (" +
                              counted(static_cast<std::size_t>(history.verified()), "line") +
                              " on verified pagers; held by pagers not verified: " + skipped +
                              ")") +
                   "; nothing to do");
      return BatchEnd::Done;
    }
    said = "resuming at line " +
           std::to_string(list_->lines[static_cast<std::size_t>(sets_.front())].line) + " of " +
           list_->path + " (" + counted(static_cast<std::size_t>(history.verified()), "line") +
           " on verified pagers";
  } else {
    const PagerRecord& last = highest->record;
    said = "resuming after ledger record " + std::to_string(last.id) + " (" +
           describeCapcodes(last.addresses) + ", " + last.started + "), set " +
           std::to_string(highest->set) + " of this configuration's steps (" +
           counted(static_cast<std::size_t>(history.verified()), "pager") + " verified";
  }
  if (!skipped.empty()) said += "; skipped, held by pagers not verified: " + skipped;
  if (!sets_.empty() && highest && sets_.front() < highest->set) {
    said += "; " + setName(sets_.front()) + " is free again and comes first";
  }
  person_.tell(said + ")");
  return BatchEnd::Done;
}

BatchEnd BatchRun::checkPlan() {
  std::vector<int> mine;
  if (shared()) {
    mine = sets_;
  } else {
    for (int pager = 1; pager <= options_.count; ++pager) {
      const auto at = static_cast<std::size_t>(options_.share.setIndex(pager));
      if (at >= sets_.size()) break;
      mine.push_back(sets_[at]);
    }
  }
  if (auto fault = checkPlanRules(state(), *source_, mine, planned_)) return planFault(*fault);
  // A box of several: the plan-only run checked the whole batch before the boxes started.
  if (options_.allowReuse || options_.plannedSets) return BatchEnd::Done;
  if (auto fault = checkPlanLedger(*recorder_, planned_, options_.production.batch)) return planFault(*fault);
  return BatchEnd::Done;
}

BatchEnd BatchRun::planFault(const PlanFault& fault) {
  const std::string rowText = fault.row > 0 ? " (row " + std::to_string(fault.row) + ")" : "";
  if (fault.ledger) {
    const LedgerStep& step = *fault.ledger;
    if (step.kind != LedgerStep::Kind::Refused)
      return ledgerStopped(step, fault.pager, "nothing was written");
    const std::string why =
        conflictText(*step.conflict, configSha_, list_ ? list_->sha256 : "", options_.resume);
    if (list_) {
      person_.tell(list_->path + ": line " +
                   std::to_string(list_->lines[static_cast<std::size_t>(fault.set)].line) + ": " +
                   why + "; nothing was written");
    } else if (shared()) {
      person_.tell(setName(fault.set) + " of batch " + options_.production.batch + ": " + why +
                   "; nothing was written");
    } else {
      person_.tell("pager " + ofCount(fault.pager) + ": " + why + "; nothing was written");
    }
    return BatchEnd::Ledger;
  }
  if (list_) {
    const int line = list_->lines[static_cast<std::size_t>(fault.set)].line;
    return fail(describeListProblem(list_->path, {line, fault.row, fault.reason}) +
                "; nothing was written");
  }
  if (shared()) {
    return fail(setName(fault.set) + " of batch " + options_.production.batch + " is refused" + rowText +
                ": " + fault.reason + "; nothing was written");
  }
  return fail("pager " + std::to_string(fault.pager) + " of " +
              std::to_string(options_.share.batchSize(options_.count)) +
              " could not be given capcodes" + rowText + ": " + fault.reason +
              "; nothing was written");
}

}  // namespace capcode
