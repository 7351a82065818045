// A batch made ready: the ledger opened, the program started, the configuration opened at its
// revision, recovery set, and the order's source made (the steps, or a capcode list).

#include <filesystem>

#include "app/clean_decode.hpp"
#include "ledger/sha256.hpp"
#include "ledger/sqlite_ledger.hpp"
#include "production/batch_run.hpp"
#include "production/list_sets.hpp"
#include "production/production_road.hpp"

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

BatchEnd BatchRun::ledgerUnreachable(const LedgerError& e) {
  person_.tell(std::string(e.what()) + "; no pager is programmed without its record");
  return BatchEnd::Ledger;
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
    if (options_.production.noLedger) {
      ledger_ = std::make_unique<MemoryLedger>();
    } else {
      ledger_ =
          capcode::openLedger(ledgerLocation(options_.production.ledger));
    }
  } catch (const LedgerError& e) {
    return ledgerUnreachable(e);
  }
  recorder_ = std::make_unique<PagerRecorder>(*ledger_, options_.production.station);
  return BatchEnd::Done;
}

BatchEnd BatchRun::prepare() {
  if (BatchEnd end = openConfiguration(); end != BatchEnd::Done) return end;
  if (!options_.capcodeList.empty()) {
    if (BatchEnd end = readList(); end != BatchEnd::Done) return end;
    source_ = std::make_unique<ListSets>(currentAddresses(state()), list_);
  } else {
    if (BatchEnd end = applySteps(); end != BatchEnd::Done) return end;
    try {
      auto sets = std::make_unique<CapcodeSets>(state(), program_->startup());
      stepped_ = sets.get();
      source_ = std::move(sets);
    } catch (const BatchSetRefused& e) {
      return fail(e.what());
    }
  }
  batch_ = SharedBatch{options_.production.batch, configSha_, stepsText(form()), list_ ? list_->sha256 : ""};
  if (BatchEnd end = chooseSets(); end != BatchEnd::Done) return end;
  if (BatchEnd end = checkPlan(); end != BatchEnd::Done) return end;
  if (options_.planOnly) return BatchEnd::Done;
  return pagers();
}

BatchEnd BatchRun::openConfiguration() {
  // The hidden revision item steps HW-A2 -> HW-A3 -> HW-B, as in the window.
  if (options_.revision) selectRevision(state(), *options_.revision);
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
  const int total = options_.share.batchSize(options_.count);
  if (total > 1 && !options_.sameCapcodes && !anyRowAdvances(form())) {
    return usage(
        "every pager would get the same capcodes; give --autoinc ROW=STEP, or "
        "--same-capcodes if that is what you want");
  }
  return BatchEnd::Done;
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

BatchOrder planProductionBatch(BatchOptions options, ProductionOperator& person) {
  options.planOnly = true;
  BatchRun run(options, person);
  BatchOrder order;
  try {
    order.end = run.run();
  } catch (const std::exception& e) {
    person.tell(std::string("stopped: ") + e.what());
    order.end = BatchEnd::Failed;
  }
  if (order.end == BatchEnd::Done) {
    order.sets = run.sets();
    order.count = run.count();
  }
  return order;
}

}  // namespace capcode
