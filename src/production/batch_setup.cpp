// A batch made ready: the ledger opened, the program started, the configuration opened at its
// revision, recovery and steps set, then either the whole plan checked against the ledger or
// the shared batch's sets prepared.

#include <algorithm>
#include <filesystem>

#include "ledger/sha256.hpp"
#include "ledger/sqlite_ledger.hpp"
#include "production/batch_run.hpp"
#include "production/ledger_refusal.hpp"

namespace capcode {

BatchRun::BatchRun(const BatchOptions& options, ProductionOperator& person)
    : options_(options), person_(person), feedback_(person.feedback()) {}

BatchEnd BatchRun::fail(const std::string& text) {
  person_.tell(text);
  return BatchEnd::Failed;
}

BatchEnd BatchRun::usage(const std::string& text) {
  person_.tell(text);
  return BatchEnd::Usage;
}

std::string BatchRun::ofCount(int pager) const {
  const BatchShare& share = options_.share;
  return std::to_string(share.batchPager(pager)) + " of " +
         std::to_string(share.batchSize(options_.count));
}

BatchEnd BatchRun::run() {
  if (BatchEnd end = openLedger(); end != BatchEnd::Done) return end;
  try {
    program_ = std::make_unique<Program>(feedback_, options_.program);
  } catch (const std::runtime_error& e) {
    return usage(e.what());
  }
  if (!program_->start()) return fail("the program could not start");
  const BatchEnd end = prepare();
  if (const std::string error = program_->finish(); !error.empty()) {
    person_.tell(error);
    return end == BatchEnd::Done ? BatchEnd::Failed : end;
  }
  return end;
}

BatchEnd BatchRun::openLedger() {
  try {
    if (options_.noLedger) {
      ledger_ = std::make_unique<MemoryLedger>();
    } else {
      ledger_ =
          capcode::openLedger(options_.ledger.empty() ? defaultLedgerPath() : options_.ledger);
    }
  } catch (const LedgerError& e) {
    person_.tell(std::string(e.what()) + "; no pager is programmed without its record");
    return BatchEnd::Ledger;
  }
  recorder_ = std::make_unique<PagerRecorder>(*ledger_, options_.station);
  return BatchEnd::Done;
}

BatchEnd BatchRun::prepare() {
  if (BatchEnd end = openConfiguration(); end != BatchEnd::Done) return end;
  if (!options_.capcodeList.empty()) return listed();
  if (BatchEnd end = applySteps(); end != BatchEnd::Done) return end;
  if (options_.resume) {
    if (BatchEnd end = resume(); end != BatchEnd::Done) return end;
  }
  return options_.batch.empty() ? planned() : shared();
}

BatchEnd BatchRun::openConfiguration() {
  if (options_.revision) {
    // The hidden revision item steps HW-A2 -> HW-A3 -> HW-B, as in the window.
    for (int step = 0; step < 3 && state().HardwareRevision != *options_.revision; ++step)
      state().event([&] { form().userClick("switch_model"); });
  }
  feedback_.answer = options_.file;
  state().event([&] { form().userClick("Open1"); });
  feedback_.answer.reset();
  if (state().lastOpen.result != FileOpenResult::Opened)
    return fail(options_.file + ": not a configuration this program can write (see the log)");
  configSha_ = sha256OfFile(options_.file).value_or("");
  recorder_->setConfiguration(std::filesystem::absolute(options_.file).string(), configSha_);
  if (!options_.recoverItem.empty()) {
    state().event([&] { form().userClick(options_.recoverItem); });
    if (!form().checked("Recover1"))
      return fail("--recover " + options_.recoverChip + " did not take");
  }
  return BatchEnd::Done;
}

BatchEnd BatchRun::applySteps() {
  for (int row = 1; row <= kAddressRows; ++row) {
    if (!options_.steps[row]) continue;
    const std::string name = rowControlName("autoinc", row);
    if (!form().at(name).enabled) {
      return usage("--autoinc " + std::to_string(row) + "=" + std::to_string(*options_.steps[row]) +
                   ": row " + std::to_string(row) + " is not enabled in " + options_.file);
    }
    state().event([&] {
      form().userPick(name, *options_.steps[row]);
      form().leave(name);
    });
  }
  if (options_.count > 1 && !options_.sameCapcodes && !anyRowAdvances(form())) {
    return usage(
        "every pager would get the same capcodes; give --autoinc ROW=STEP, or "
        "--same-capcodes if that is what you want");
  }
  return BatchEnd::Done;
}

// The capcodes that follow the last verified pager of this configuration.
BatchEnd BatchRun::resume() {
  std::optional<PagerRecord> last;
  try {
    last = ledger_->lastVerified(configSha_);
  } catch (const LedgerError& e) {
    person_.tell(std::string(e.what()) + "; no pager is programmed without its record");
    return BatchEnd::Ledger;
  }
  if (!last)
    return fail("--resume: the ledger has no verified pager written from " + options_.file);
  if (auto refusal = enterCapcodes(last->addresses, true)) {
    return fail("--resume: the capcodes after ledger record " + std::to_string(last->id) +
                " are refused" +
                (refusal->row > 0 ? " (row " + std::to_string(refusal->row) + ")" : std::string()) +
                ": " + refusal->reason);
  }
  person_.tell("resuming after ledger record " + std::to_string(last->id) + " (" +
               describeCapcodes(last->addresses) + ", " + last->started + ")");
  return BatchEnd::Done;
}

// One station's batch: the whole plan is checked against the rules and the ledger first.
BatchEnd BatchRun::planned() {
  const BatchShare& share = options_.share;
  const int total = share.batchSize(options_.count);
  const BatchPlan plan = planBatch(state(), program_->startup(), total);
  if (plan.refusal) {
    const BatchRefusal& r = *plan.refusal;
    return fail("pager " + std::to_string(r.pager) + " of " + std::to_string(total) +
                " could not be given capcodes" +
                (r.row > 0 ? " (row " + std::to_string(r.row) + ")" : std::string()) + ": " +
                r.reason + "; nothing was written");
  }
  if (!options_.allowReuse) {
    for (int pager = 1; pager <= options_.count; ++pager) {
      const LedgerStep step = recorder_->check(plan.pagers.at(share.setIndex(pager)));
      if (step.done()) continue;
      return ledgerStopped(step, pager, "nothing was written");
    }
  }
  for (int pager = 1; pager <= options_.count; ++pager) {
    const BatchEnd end = this->pager(pager, &plan.pagers.at(share.setIndex(pager)));
    if (end != BatchEnd::Done) return end;
  }
  return BatchEnd::Done;
}

// Several stations on one batch: each pager takes the batch's next free capcode set, held
// for it in the ledger before anything is written.
BatchEnd BatchRun::shared() {
  std::string steps;
  for (int row = 1; row <= kAddressRows; ++row)
    steps += (row > 1 ? "," : "") + std::to_string(addressStep(form(), row));
  batch_ = SharedBatch{options_.batch, configSha_, steps, list_ ? list_->sha256 : ""};
  try {
    if (!sets_) sets_ = std::make_unique<CapcodeSets>(state(), program_->startup());
  } catch (const BatchSetRefused& e) {
    return fail(e.what());
  }
  for (int pager = 1; pager <= options_.count; ++pager) {
    if (BatchEnd end = this->pager(pager, nullptr); end != BatchEnd::Done) return end;
  }
  return BatchEnd::Done;
}

std::optional<BatchRefusal> BatchRun::enterCapcodes(const std::vector<RecordedAddress>& addresses,
                                                    bool advance) {
  const std::size_t noticeFrom = feedback_.notices.size();
  state().clearRuleRefusals();
  state().event([&] {
    for (const RecordedAddress& a : addresses)
      form().setText(rowControlName("address", a.row), std::to_string(a.capcode));
    for (const RecordedAddress& a : addresses)
      form().runHandler(rowControlName("address", a.row, "Exit"));
    if (advance) form().runHandler("advanceAddresses");
  });
  return refusalSince(noticeFrom, 0);
}

std::optional<BatchRefusal> BatchRun::refusalSince(std::size_t noticeFrom, int pager) {
  const auto& notices = feedback_.notices;
  return ruleRefusal(
      state(), {notices.begin() + static_cast<std::ptrdiff_t>(noticeFrom), notices.end()}, pager);
}

BatchEnd runProductionBatch(const BatchOptions& options, ProductionOperator& person) {
  BatchRun run(options, person);
  try {
    return run.run();
  } catch (const std::exception& e) {
    // A last guard: whatever was missed ends the batch with its reason, never the runtime.
    person.tell(std::string("stopped: ") + e.what());
    return BatchEnd::Failed;
  }
}

}  // namespace capcode
