#pragma once
// The running batch behind runProductionBatch, split by job: batch_setup.cpp prepares the
// program and the ledger, batch_pager.cpp writes one pager. Not for use elsewhere.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "production/batch_plan.hpp"
#include "production/capcode_list.hpp"
#include "production/pager_recorder.hpp"
#include "production/production_batch.hpp"
#include "production/watching_feedback.hpp"

namespace capcode {

class BatchRun {
 public:
  BatchRun(const BatchOptions& options, ProductionOperator& person);
  BatchEnd run();

 private:
  // --- batch_setup.cpp ---
  BatchEnd openLedger();
  BatchEnd prepare();
  BatchEnd openConfiguration();
  BatchEnd applySteps();
  BatchEnd resume();
  BatchEnd planned();
  BatchEnd shared();
  // Puts `addresses` into the rows, each then left so that its rules run, and with `advance`
  // moves them on as after a verified pager. What the rules refused, if any.
  std::optional<BatchRefusal> enterCapcodes(const std::vector<RecordedAddress>& addresses,
                                            bool advance);
  // What the rules refused since their refusals were cleared, or an error notice shown since
  // `noticeFrom`.
  std::optional<BatchRefusal> refusalSince(std::size_t noticeFrom, int pager);

  // --- batch_list.cpp ---
  // A batch whose capcodes come from a capcode list: the whole list checked, then planned or
  // shared.
  BatchEnd listed();
  BatchEnd listUsage();
  // The set indexes this run takes, in order: every line, or with --resume those no verified
  // pager took.
  std::optional<BatchEnd> linesToTake(std::vector<int>& sets);
  BatchEnd checkList(const std::vector<int>& sets);
  BatchEnd listPagers(const std::vector<int>& sets);
  // The rows as they are now, with the roles this batch records (a list's rows individual).
  std::vector<RecordedAddress> pagerAddresses();

  // --- batch_pager.cpp ---
  // `plan`: the capcodes the batch's plan gave this pager; none for a shared batch.
  BatchEnd pager(int pager, const std::vector<RecordedAddress>* plan);
  std::optional<BatchEnd> takeCapcodes(int pager, const std::vector<RecordedAddress>* plan);
  // Runs WR_To_Pager with the record started (or, reserved, given its image's digest) just
  // before its transfer; what it did is left in the links' lastWrite.
  void transfer(bool reserved);
  BatchEnd finish(int pager, PagerResult result, std::size_t noticeFrom);
  BatchEnd ledgerStopped(const LedgerStep& step, int pager, const std::string& what);

  // --- the words ---
  BatchEnd fail(const std::string& text);
  BatchEnd usage(const std::string& text);
  std::string ofCount(int pager) const;
  ProgramState& state() { return program_->state(); }
  FormModel& form() { return program_->state().form; }

  BatchOptions options_;  // a copy: a list batch's count is settled from its list
  ProductionOperator& person_;
  WatchingFeedback feedback_;
  std::unique_ptr<Ledger> ledger_;
  std::unique_ptr<PagerRecorder> recorder_;
  std::unique_ptr<Program> program_;
  std::string configSha_;
  SharedBatch batch_;
  std::unique_ptr<CapcodeSource> sets_;      // the shared batch's sets
  std::shared_ptr<const CapcodeList> list_;  // the capcode list, if the batch has one
  std::optional<LedgerStep> hookStep_;       // a ledger step that stopped the write command
  bool readBackRefused_ = false;             // the pager's own image failed its checksum
};

}  // namespace capcode
