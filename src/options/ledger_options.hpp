#pragma once
// The ledger's options, declared once: --ledger, --no-ledger, --station and --batch, each one
// row of the table in ledger_options.cpp with its value name and a help line for each program
// that takes it. Their relations (what excludes or needs what) are each command's own.

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <vector>

#include "production/production_options.hpp"

namespace capcode {

// The programs that take the ledger's options.
enum class LedgerOptionUser {
  Window,  // capcode-programmer: records every WR_To_Pager (the default file)
  Script,  // capcode script: records only with --ledger
  Write,   // capcode write
  Reader,  // capcode ledger, capcode identify: --ledger only, to read the records
};

// The options as added to one command; null for those its program does not take.
struct LedgerOptionsAdded {
  CLI::Option* ledger = nullptr;
  CLI::Option* noLedger = nullptr;
  CLI::Option* station = nullptr;
  CLI::Option* batch = nullptr;
};

// One ledger option as a program's --help shows it.
struct LedgerOptionShown {
  const char* name;       // "--ledger"
  const char* valueName;  // "LEDGER"; empty for a flag
  const char* help;       // that program's help line
};

// The ledger's options that `user` takes, in the order they are added.
std::vector<LedgerOptionShown> ledgerOptionsOf(LedgerOptionUser user);

// Adds the ledger's options that `user` takes to `command`, storing into `values` (which must
// outlive the parse).
LedgerOptionsAdded addLedgerOptions(CLI::App& command, LedgerOptionUser user,
                                    ProductionOptions& values);

}  // namespace capcode
