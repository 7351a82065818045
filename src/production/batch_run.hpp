#pragma once
// The running batch behind runProductionBatch, split by job: batch_setup.cpp prepares the
// program, the ledger and the order's source; batch_list.cpp reads a capcode list;
// batch_order.cpp settles which sets the pagers take and checks them as a whole; batch_pager.cpp
// writes each pager on the production road. Not for use elsewhere.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "production/batch_plan.hpp"
#include "production/capcode_list.hpp"
#include "production/order_plan.hpp"
#include "production/pager_recorder.hpp"
#include "production/production_batch.hpp"
#include "core/watching_feedback.hpp"

namespace capcode {

class BatchRun {
 public:
  BatchRun(const BatchOptions& options, ProductionOperator& person);
  BatchEnd run();
  // After a plan-only run: the set of every pager of the batch, in order.
  const std::vector<int>& sets() const { return sets_; }
  // The batch's pagers as settled (a list's lines when no count was given).
  int count() const { return options_.share.batchSize(options_.count); }

 private:
  // --- batch_setup.cpp ---
  BatchEnd openLedger();
  BatchEnd prepare();
  BatchEnd openConfiguration();
  BatchEnd applySteps();
  BatchEnd ledgerUnreachable(const LedgerError& e);

  // --- batch_list.cpp ---
  BatchEnd readList();
  BatchEnd listUsage();
  // The rows as they are now, with the roles this batch records (a list's rows individual).
  std::vector<RecordedAddress> pagerAddresses();

  // --- batch_order.cpp ---
  // Which sets the batch's pagers take: the plan given, the resume rule's, a list's lines, the
  // steps' first sets; a shared batch the sets its station may be handed.
  BatchEnd chooseSets();
  BatchEnd resumeSets(const OrderHistory& history, int available);
  // The chosen sets through the rules, against each other and against the ledger.
  BatchEnd checkPlan();
  BatchEnd planFault(const PlanFault& fault);
  // "line 7 of orders.csv" or "pager 3 of 10".
  std::string setName(int set) const;

  // --- batch_pager.cpp ---
  BatchEnd pagers();
  BatchEnd pager(int pager);
  // The shared batch's next free set, reserved in the ledger and entered into the rows.
  std::optional<BatchEnd> reserveSet(int pager);
  BatchEnd finish(int pager, const struct RoadWrite& written);
  BatchEnd ledgerStopped(const LedgerStep& step, int pager, const std::string& what);

  // --- the words ---
  BatchEnd fail(const std::string& text);
  BatchEnd usage(const std::string& text);
  std::string ofCount(int pager) const;
  ProgramState& state() { return program_->state(); }
  FormModel& form() { return program_->state().form; }
  bool shared() const { return !options_.production.batch.empty(); }

  BatchOptions options_;  // a copy: a list batch's count is settled from its list
  ProductionOperator& person_;
  WatchingFeedback feedback_;
  std::unique_ptr<Ledger> ledger_;
  std::unique_ptr<PagerRecorder> recorder_;
  std::unique_ptr<Program> program_;
  std::string configSha_;
  SharedBatch batch_;
  std::unique_ptr<CapcodeSource> source_;    // the order's sets: stepped rows or a list's lines
  CapcodeSets* stepped_ = nullptr;           // source_ when the sets come from the steps
  std::shared_ptr<const CapcodeList> list_;  // the capcode list, if the batch has one
  std::vector<int> sets_;                    // the set of every pager of the batch, in order
  std::vector<PlannedSet> planned_;          // this box's pagers' sets, checked
  bool readBackRefused_ = false;             // the pager's own image failed its checksum
};

}  // namespace capcode
