// A batch whose capcodes come from a capcode list. The whole list is checked before the first
// pager: its form as it is read, every line through the address rules of the configuration's
// revision, and, for one station, every line against the ledger; a problem anywhere stops the
// batch with nothing written.

#include <algorithm>

#include "core/visible_text.hpp"
#include "production/batch_run.hpp"
#include "production/ledger_refusal.hpp"
#include "production/list_sets.hpp"

namespace capcode {

std::vector<RecordedAddress> BatchRun::pagerAddresses() {
  std::vector<RecordedAddress> rows = currentAddresses(state());
  if (list_) applyListRoles(*list_, rows);
  return rows;
}

BatchEnd BatchRun::listed() {
  if (options_.readList) {
    list_ = options_.readList;
  } else {
    ListRead read = readCapcodeList(options_.capcodeList);
    if (!read.list) {
      return fail(describeListProblem(options_.capcodeList, read.problem) +
                  "; nothing was written");
    }
    list_ = std::make_shared<const CapcodeList>(std::move(*read.list));
  }
  if (BatchEnd end = listUsage(); end != BatchEnd::Done) return end;
  std::vector<int> sets;
  if (auto end = linesToTake(sets)) return *end;
  const int left = static_cast<int>(sets.size());
  // With several boxes `count` is this box's share; the batch's own count is checked.
  const int wanted = options_.share.batchSize(options_.count);
  if (options_.countGiven && wanted > left) {
    return usage("--count " + std::to_string(wanted) + ": " + list_->path + " has only " +
                 counted(static_cast<std::size_t>(left), "pager") +
                 (options_.resume ? " left" : ""));
  }
  if (!options_.countGiven) options_.count = left;
  // A station of a shared batch may take any line: it checks them all.
  if (options_.batch.empty())
    sets.resize(static_cast<std::size_t>(options_.share.batchSize(options_.count)));
  sets_ = std::make_unique<ListSets>(currentAddresses(state()), list_);
  if (BatchEnd end = checkList(sets); end != BatchEnd::Done) return end;
  return options_.batch.empty() ? listPagers(sets) : shared();
}

// The list gives the capcodes of the rows it names; the others keep the configuration's, so no
// row has a step to give.
BatchEnd BatchRun::listUsage() {
  for (int row = 1; row <= kAddressRows; ++row) {
    if (!options_.steps[static_cast<std::size_t>(row)]) continue;
    const std::string given = "--autoinc " + std::to_string(row) + "=" +
                              std::to_string(*options_.steps[static_cast<std::size_t>(row)]);
    if (list_->named[static_cast<std::size_t>(row)]) {
      return usage(given + ": " + list_->path + " gives row " + std::to_string(row) +
                   "'s capcodes; --autoinc and --capcodes cannot both set them");
    }
    return usage(given +
                 ": with --capcodes, a row the list does not name keeps the "
                 "configuration's capcode on every pager");
  }
  for (const RecordedAddress& a : currentAddresses(state())) {
    if (!list_->named[static_cast<std::size_t>(a.row)] || a.enabled) continue;
    return fail(list_->path + ": gives capcodes for row " + std::to_string(a.row) +
                ", which is not enabled in " + options_.file + "; nothing was written");
  }
  return BatchEnd::Done;
}

std::optional<BatchEnd> BatchRun::linesToTake(std::vector<int>& sets) {
  std::vector<int> verified;
  if (options_.resume) {
    try {
      verified = ledger_->verifiedListLines(list_->sha256);
    } catch (const LedgerError& e) {
      person_.tell(std::string(e.what()) + "; no pager is programmed without its record");
      return BatchEnd::Ledger;
    }
  }
  for (std::size_t k = 0; k < list_->lines.size(); ++k) {
    if (!std::binary_search(verified.begin(), verified.end(), list_->lines[k].line))
      sets.push_back(static_cast<int>(k));
  }
  if (!options_.resume) return std::nullopt;
  if (sets.empty()) {
    person_.tell("--resume: every line of " + list_->path +
                 " is on a verified pager; nothing to do");
    return BatchEnd::Done;
  }
  person_.tell("resuming at line " +
               std::to_string(list_->lines[static_cast<std::size_t>(sets.front())].line) + " of " +
               list_->path + " (" + counted(verified.size(), "line") + " on verified pagers)");
  return std::nullopt;
}

BatchEnd BatchRun::checkList(const std::vector<int>& sets) {
  for (const int k : sets) {
    const int line = list_->lines[static_cast<std::size_t>(k)].line;
    if (auto refusal = enterCapcodes(sets_->set(k), false)) {
      return fail(describeListProblem(list_->path, {line, refusal->row, refusal->reason}) +
                  "; nothing was written");
    }
  }
  // A shared batch's lines are held by its own pagers: each is checked when it is taken.
  if (!options_.batch.empty() || options_.allowReuse) return BatchEnd::Done;
  // Against the ledger, only this box's own lines: the other boxes of a round record theirs
  // while this one checks.
  for (int pager = 1; pager <= options_.count; ++pager) {
    const int k = sets[static_cast<std::size_t>(options_.share.setIndex(pager))];
    const LedgerStep step = recorder_->check(sets_->set(k));
    if (step.done()) continue;
    if (step.kind != LedgerStep::Kind::Refused)
      return ledgerStopped(step, 1, "nothing was written");
    person_.tell(list_->path + ": line " +
                 std::to_string(list_->lines[static_cast<std::size_t>(k)].line) + ": " +
                 conflictText(*step.conflict) + "; nothing was written");
    return BatchEnd::Ledger;
  }
  return BatchEnd::Done;
}

BatchEnd BatchRun::listPagers(const std::vector<int>& sets) {
  for (int pager = 1; pager <= options_.count; ++pager) {
    const int k = sets[static_cast<std::size_t>(options_.share.setIndex(pager))];
    const std::vector<RecordedAddress> set = sets_->set(k);
    const SetOrigin origin = sets_->origin(k);
    recorder_->setOrigin(origin);
    // Checked with the whole list already: a refusal now is the rules changing their mind.
    if (auto refusal = enterCapcodes(set, false)) {
      return fail(
          "pager " + ofCount(pager) + ": " +
          describeListProblem(list_->path, {origin.listLine, refusal->row, refusal->reason}) +
          "; stopped");
    }
    person_.tell("pager " + ofCount(pager) + " takes line " + std::to_string(origin.listLine) +
                 " of " + list_->path);
    if (BatchEnd end = this->pager(pager, &set); end != BatchEnd::Done) return end;
  }
  return BatchEnd::Done;
}

}  // namespace capcode
