#pragma once
// A production batch: the configuration opened as File > Open opens it, the steps and
// recovery set, the whole batch played through the window's rules before the first pager,
// then each pager recorded in the ledger before its transfer and completed after it, the
// capcodes advancing after every verified pager. A shared batch takes each pager's capcode
// set from the ledger instead.
//
// Every failure, the ledger's included, ends the batch with a line told to the operator and a
// BatchEnd; nothing is thrown.

#include <vector>

#include "production/batch_options.hpp"
#include "production/production_operator.hpp"

namespace capcode {

BatchEnd runProductionBatch(const BatchOptions& options, ProductionOperator& person);

// What a plan-only run (options.planOnly) found: how it ended and, when Done, the set each of
// the batch's pagers takes, in order (as many as the batch has pagers).
struct BatchOrder {
  BatchEnd end = BatchEnd::Done;
  std::vector<int> sets;
  int count = 0;  // the batch's pagers as settled (a list's lines when no count was given)
};
BatchOrder planProductionBatch(BatchOptions options, ProductionOperator& person);

}  // namespace capcode
