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
     &LedgerOptionsAdded::ledger},
    {"--no-ledger",
     "",
     {"keep no record of the pagers written", "keep no ledger (the default)",
      "keep no record of the pagers programmed", nullptr},
     &LedgerOptionsAdded::noLedger},
    {"--station", "NAME", {kStationHelp, kStationHelp, kStationHelp, nullptr},
     &LedgerOptionsAdded::station},
    {"--batch",
     "NAME",
     {"program a batch shared by several stations: each pager written takes the batch's next "
      "free capcode set from the ledger",
      "program a batch shared by several stations: each write takes the batch's next free "
      "capcode set from the ledger",
      "program a batch shared by several stations: each pager takes the batch's next free "
      "capcode set from the ledger (a PostgreSQL server for several stations)",
      nullptr},
     &LedgerOptionsAdded::batch},
};

CLI::Option* add(CLI::App& command, const LedgerOptionRow& row, const char* help,
                 ProductionOptions& values) {
  const std::string name = row.name;
  if (name == "--no-ledger") return command.add_flag(row.name, values.noLedger, help);
  CLI::Option* option = name == "--ledger"    ? command.add_option(row.name, values.ledger, help)
                        : name == "--station" ? command.add_option(row.name, values.station, help)
                                              : command.add_option(row.name, values.batch, help);
  return option->type_name(row.valueName);
}

}  // namespace

LedgerOptionsAdded addLedgerOptions(CLI::App& command, LedgerOptionUser user,
                                    ProductionOptions& values) {
  LedgerOptionsAdded added;
  for (const LedgerOptionRow& row : kRows) {
    const char* help = row.help[static_cast<std::size_t>(user)];
    if (help != nullptr) added.*row.added = add(command, row, help, values);
  }
  return added;
}

}  // namespace capcode
