#include "options/ledger_options.hpp"

#include <array>

namespace capcode {

namespace {

constexpr std::size_t kUsers = 4;

struct LedgerOptionRow {
  const char* name;
  const char* valueName;  // empty for a flag
  // The help for each LedgerOptionUser; null where that program does not take the option.
  std::array<const char*, kUsers> help;
  CLI::Option* LedgerOptionsAdded::*added;
  // Adds the option to `command`, storing into its field of `values`.
  CLI::Option* (*add)(CLI::App& command, const char* name, const char* help,
                      ProductionOptions& values);
};

const char* const kStationHelp = "this station's name in the ledger (the host name)";

const LedgerOptionRow kRows[] = {
    {"--ledger",
     "LEDGER",
     {"record every pager written in this ledger: a file (default "
      "$XDG_DATA_HOME/capcode/ledger.sqlite3) or a PostgreSQL connection string; a capcode the "
      "ledger holds on another pager is not written",
      "record every write in this pager ledger, as the window does: a file, or a PostgreSQL "
      "server (none by default)",
      "the ledger: a file (default $XDG_DATA_HOME/capcode/ledger.sqlite3), or a PostgreSQL server "
      "(postgresql://... or a libpq connection string)",
      "the ledger: a file (default $XDG_DATA_HOME/capcode/ledger.sqlite3) or a PostgreSQL "
      "connection string"},
     &LedgerOptionsAdded::ledger,
     [](CLI::App& c, const char* name, const char* help, ProductionOptions& v) {
       return c.add_option(name, v.ledger, help);
     }},
    {"--no-ledger",
     "",
     {"keep no record of the pagers written", "keep no ledger (the default)",
      "keep no record of the pagers programmed", nullptr},
     &LedgerOptionsAdded::noLedger,
     [](CLI::App& c, const char* name, const char* help, ProductionOptions& v) {
       return c.add_flag(name, v.noLedger, help);
     }},
    {"--station",
     "NAME",
     {kStationHelp, kStationHelp, kStationHelp, nullptr},
     &LedgerOptionsAdded::station,
     [](CLI::App& c, const char* name, const char* help, ProductionOptions& v) {
       return c.add_option(name, v.station, help);
     }},
    {"--batch",
     "NAME",
     {"program a batch shared by several stations: each pager written takes the batch's next "
      "free capcode set from the ledger",
      "program a batch shared by several stations: each write takes the batch's next free "
      "capcode set from the ledger",
      "program a batch shared by several stations: each pager takes the batch's next free "
      "capcode set from the ledger (a PostgreSQL server for several stations)",
      nullptr},
     &LedgerOptionsAdded::batch,
     [](CLI::App& c, const char* name, const char* help, ProductionOptions& v) {
       return c.add_option(name, v.batch, help);
     }},
};

}  // namespace

std::vector<LedgerOptionShown> ledgerOptionsOf(LedgerOptionUser user) {
  std::vector<LedgerOptionShown> shown;
  for (const LedgerOptionRow& row : kRows) {
    if (const char* help = row.help[static_cast<std::size_t>(user)]; help != nullptr)
      shown.push_back({row.name, row.valueName, help});
  }
  return shown;
}

LedgerOptionsAdded addLedgerOptions(CLI::App& command, LedgerOptionUser user,
                                    ProductionOptions& values) {
  LedgerOptionsAdded added;
  for (const LedgerOptionRow& row : kRows) {
    const char* help = row.help[static_cast<std::size_t>(user)];
    if (help == nullptr) continue;
    CLI::Option* option = row.add(command, row.name, help, values);
    if (row.valueName[0] != '\0') option->type_name(row.valueName);
    added.*row.added = option;
  }
  return added;
}

}  // namespace capcode
