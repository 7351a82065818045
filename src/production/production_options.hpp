#pragma once
// Where the pagers a program writes are recorded: the values of --ledger, --no-ledger,
// --station and --batch, as the window, `capcode script` and `capcode write` take them.

#include <optional>
#include <string>

namespace capcode {

struct ProductionOptions {
  std::optional<std::string> ledger;  // --ledger PATH|URL; the default file when not given
  bool noLedger = false;              // --no-ledger
  std::string station;                // --station NAME; the host name when empty
  std::string batch;                  // --batch NAME; none when empty
};

// The ledger `ledger` names: the default file when none (or an empty one) is given.
std::string ledgerLocation(const std::optional<std::string>& ledger);

}  // namespace capcode
