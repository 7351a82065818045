#include "production/production_options.hpp"

#include "ledger/sqlite_ledger.hpp"

namespace capcode {

std::string ledgerLocation(const std::optional<std::string>& ledger) {
  return ledger && !ledger->empty() ? *ledger : defaultLedgerPath();
}

}  // namespace capcode
