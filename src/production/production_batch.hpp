#pragma once
// A production batch: the configuration opened as File > Open opens it, the steps and
// recovery set, the whole batch played through the window's rules before the first pager,
// then each pager recorded in the ledger before its transfer and completed after it, the
// capcodes advancing after every verified pager. A shared batch takes each pager's capcode
// set from the ledger instead.
//
// Every failure, the ledger's included, ends the batch with a line told to the operator and a
// BatchEnd; nothing is thrown.

#include "production/batch_options.hpp"
#include "production/production_operator.hpp"

namespace capcode {

BatchEnd runProductionBatch(const BatchOptions& options, ProductionOperator& person);

}  // namespace capcode
