// capcode ledger: the pagers recorded by capcode write, for a person or a spreadsheet.

#include <sys/stat.h>

#include <iomanip>
#include <memory>

#include "cli/batch_plan.hpp"
#include "cli/commands.hpp"
#include "cli/sqlite_ledger.hpp"

namespace capcode {

namespace {

struct LedgerOptions {
  std::string path;
  bool csv = false;
  std::string since;
};

std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

void printCsv(const std::vector<PagerRecord>& records, std::ostream& out) {
  out << "id,started,finished,host,station,result,config_path,config_sha256,image_sha256";
  for (int row = 1; row <= kAddressRows; ++row)
    out << ",row" << row << "_capcode,row" << row << "_enabled,row" << row << "_role";
  out << "\r\n";
  for (const PagerRecord& r : records) {
    out << r.id << ',' << r.started << ',' << r.finished << ',' << csvField(r.host) << ','
        << csvField(r.station) << ',' << resultName(r.result) << ',' << csvField(r.configPath)
        << ',' << r.configSha256 << ',' << r.imageSha256;
    for (const RecordedAddress& a : r.addresses)
      out << ',' << a.capcode << ',' << (a.enabled ? 1 : 0) << ',' << roleName(a.role);
    out << "\r\n";
  }
}

std::string capcodesWithRoles(const PagerRecord& r) {
  std::string text;
  for (const RecordedAddress& a : r.addresses) {
    if (!a.enabled) continue;
    if (!text.empty()) text += ' ';
    text += std::to_string(a.row) + "=" + std::to_string(a.capcode);
    if (a.role == AddressRole::Shared) text += "(shared)";
  }
  return text;
}

void printTable(const std::vector<PagerRecord>& records, std::ostream& out) {
  out << std::left << std::setw(6) << "ID" << std::setw(25) << "STARTED" << std::setw(25)
      << "FINISHED" << std::setw(14) << "STATION" << std::setw(14) << "RESULT"
      << "CAPCODES\n";
  for (const PagerRecord& r : records) {
    out << std::left << std::setw(6) << r.id << std::setw(25) << r.started << std::setw(25)
        << (r.finished.empty() ? "-" : r.finished) << std::setw(14) << r.station << std::setw(14)
        << resultName(r.result) << capcodesWithRoles(r) << "\n";
  }
}

int runLedger(const LedgerOptions& o, CommandIo& io) {
  std::string path;
  try {
    path = o.path.empty() ? defaultLedgerPath() : o.path;
  } catch (const LedgerError& e) {
    io.err << "capcode ledger: " << e.what() << "\n";
    return kExitFailed;
  }
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    io.err << "capcode ledger: no ledger at " << path << "\n";
    return kExitFailed;
  }
  try {
    auto ledger = openSqliteLedger(path, LedgerOpen::ExistingOnly);
    const std::vector<PagerRecord> records = ledger->list(o.since);
    if (o.csv) {
      printCsv(records, io.out);
    } else {
      printTable(records, io.out);
    }
  } catch (const LedgerError& e) {
    io.err << "capcode ledger: " << e.what() << "\n";
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace

CommandRun setupLedgerCommand(CLI::App& app, CommandIo& io) {
  auto o = std::make_shared<LedgerOptions>();
  CLI::App* command =
      app.add_subcommand("ledger", "list the pagers recorded by capcode write, oldest first");
  command
      ->add_option("--ledger", o->path,
                   "the ledger file (default $XDG_DATA_HOME/capcode/ledger.sqlite3)")
      ->type_name("PATH");
  command->add_flag("--csv", o->csv, "comma-separated values with a header line, for a spreadsheet");
  command
      ->add_option("--since", o->since,
                   "only pagers started at or after DATE (UTC: YYYY-MM-DD, optionally "
                   "THH:MM or THH:MM:SS)")
      ->type_name("DATE")
      ->check(CLI::Validator(
          [](std::string& text) {
            return isLedgerTimePrefix(text) ? std::string()
                                            : "give YYYY-MM-DD[THH:MM[:SS]], not " + text;
          },
          ""));
  command->footer(
      "A record whose FINISHED is - was started and never completed: the program ended during\n"
      "that pager's transfer, so the pager may hold the capcodes; check it.\n"
      "Exit status: 0 listed, 1 no ledger or it cannot be read, 2 a usage error.");
  return [o, &io] { return runLedger(*o, io); };
}

}  // namespace capcode
