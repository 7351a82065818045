// capcode ledger: the pagers recorded by capcode write, for a person or a spreadsheet.

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <iomanip>
#include <memory>

#include "cli/commands.hpp"
#include "options/ledger_options.hpp"
#include "core/visible_text.hpp"
#include "ledger/record_text.hpp"
#include "ledger/sql_ledger.hpp"
#include "ledger/sqlite_ledger.hpp"
#include "production/batch_plan.hpp"
#include "production/pager_recorder.hpp"

namespace capcode {

namespace {

struct LedgerOptions {
  ProductionOptions ledger;  // --ledger only
  bool csv = false;
  bool json = false;
  std::optional<std::int64_t> capcode;
  std::string station;
  bool unfinished = false;
  std::string since;
  std::int64_t resolveId = 0;
  std::string resolveResult;
  bool resolving = false;
  bool force = false;
};

// A record this young may belong to a station that is still writing its pager.
constexpr auto kStillWriting = std::chrono::minutes(1);

void printTable(const std::vector<PagerRecord>& records, std::ostream& out) {
  out << std::left << std::setw(6) << "ID" << std::setw(25) << "STARTED" << std::setw(25)
      << "FINISHED" << std::setw(14) << "STATION" << std::setw(14) << "RESULT" << std::setw(12)
      << "BATCH/SET" << std::setw(6) << "LINE"
      << "CAPCODES\n";
  // The texts a record carries from outside (a station name, a list's reference columns) are
  // shown with their control characters escaped: an ESC from an operator's file must not
  // reach the terminal.
  for (const PagerRecord& r : records) {
    const std::string set =
        r.batch.empty() ? "-" : visibleText(r.batch) + "/" + std::to_string(r.setIndex);
    const std::string line = r.listLine > 0 ? std::to_string(r.listLine) : "-";
    out << std::left << std::setw(6) << r.id << std::setw(25) << visibleText(r.started)
        << std::setw(25) << (r.finished.empty() ? "-" : visibleText(r.finished)) << std::setw(14)
        << visibleText(r.station) << std::setw(14) << resultName(r.result) << std::setw(12) << set
        << std::setw(6) << line << capcodesWithRoles(r)
        << (r.reference.empty() ? "" : "  " + visibleText(r.reference))
        << (r.settlement == Settlement::None ? "" : "  [" + visibleText(settlementText(r)) + "]")
        << "\n";
  }
}

// Who settles a record: the login name, on the station (when named) and host.
std::string settler(const std::string& station) {
  std::string user;
  if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr) user = entry->pw_name;
  if (user.empty()) {
    const char* name = std::getenv("USER");
    user = name != nullptr && *name != '\0' ? name : "uid " + std::to_string(::getuid());
  }
  const std::string host = hostName();
  return user + " on " + (station.empty() || station == host ? host : station + " (" + host + ")");
}

// A pager taken off the line or wiped after it came back: the record keeps its result and gains
// the settlement.
int settleRecord(Ledger& ledger, const LedgerOptions& o, CommandIo& io) {
  const Settlement settlement =
      o.resolveResult == "returned" ? Settlement::Returned : Settlement::PutAside;
  ledger.settle(o.resolveId, settlement, settler(o.station));
  const PagerRecord record = ledger.record(o.resolveId);
  io.out << "record " << o.resolveId << ": " << resultName(record.result) << ", "
         << settlementText(record) << '\n';
  const std::string capcodes = capcodesWithRoles(record);
  if (settlement == Settlement::PutAside) {
    io.out << "its capcodes stay held: " << (capcodes.empty() ? "none" : capcodes)
           << "; no other pager gets them\n";
  } else {
    io.out << "its capcodes are free again: " << (capcodes.empty() ? "none" : capcodes) << '\n';
    if (!record.batch.empty()) {
      io.out << "set " << record.setIndex << " of batch " << record.batch
             << " goes to the batch's next pager\n";
    } else if (record.listLine > 0) {
      io.out << "line " << record.listLine
             << " of its capcode list is taken again by capcode write --capcodes LIST --resume\n";
    }
  }
  return kExitOk;
}

// Settles an unfinished record; one started less than a minute ago needs --force, since its
// station may still be writing that pager.
int resolveRecord(Ledger& ledger, const LedgerOptions& o, CommandIo& io) {
  const bool settling = o.resolveResult == "put-aside" || o.resolveResult == "returned";
  const PagerResult result =
      o.resolveResult == "verified" ? PagerResult::Verified : PagerResult::NotWritten;
  for (const PagerRecord& record : ledger.unfinished()) {
    if (record.id != o.resolveId) continue;
    const auto started = ledgerTimePoint(record.started);
    const bool recent = !started || std::chrono::system_clock::now() - *started < kStillWriting;
    if (recent && !o.force) {
      io.err << "capcode ledger: record " << record.id << " was started at " << record.started
             << " on " << visibleText(record.station)
             << ", less than a minute ago: its station may still be writing that pager; check "
                "the station, then give --force to settle it\n";
      return kExitLedger;
    }
  }
  if (settling) return settleRecord(ledger, o, io);
  ledger.resolve(o.resolveId, result);
  io.out << "record " << o.resolveId << ": " << resultName(result) << '\n';
  return kExitOk;
}

int runLedger(const LedgerOptions& o, CommandIo& io) {
  std::string path;
  try {
    path = ledgerLocation(o.ledger.ledger);
  } catch (const LedgerError& e) {
    complain(io, "ledger") << e.what() << "\n";
    return kExitLedger;
  }
  struct stat info {};
  if (!isPostgresConnection(path) && ::stat(path.c_str(), &info) != 0 && errno == ENOENT) {
    io.err << "capcode ledger: no ledger at " << path << "\n";
    return kExitLedger;
  }
  try {
    // A listing opens the file read-only (a read-only disk will do); settling a record writes.
    auto ledger = openLedger(path, o.resolving ? LedgerOpen::ExistingOnly : LedgerOpen::ReadOnly);
    if (o.resolving) return resolveRecord(*ledger, o, io);
    std::vector<PagerRecord> records =
        o.capcode      ? ledger->pagersThatHeld(static_cast<std::int32_t>(*o.capcode))
        : o.unfinished ? ledger->unfinished()
                       : ledger->list(o.since);
    std::erase_if(records, [&](const PagerRecord& r) {
      return r.started < o.since || (o.unfinished && (r.result != PagerResult::Started ||
                                                      r.settlement != Settlement::None));
    });
    if (o.json) {
      io.out << recordsJson(records);
    } else if (o.csv) {
      io.out << recordsCsv(records);
    } else {
      printTable(records, io.out);
    }
  } catch (const LedgerError& e) {
    complain(io, "ledger") << e.what() << "\n";
    return kExitLedger;
  }
  return kExitOk;
}

}  // namespace

CommandRun setupLedgerCommand(CLI::App& app, CommandIo& io) {
  auto o = std::make_shared<LedgerOptions>();
  CLI::App* command =
      app.add_subcommand("ledger", "list the pagers recorded by capcode write, oldest first");
  addLedgerOptions(*command, LedgerOptionUser::Reader, o->ledger);
  command->add_flag("--csv", o->csv,
                    "comma-separated values with a header line, for a spreadsheet");
  command->add_flag("--json", o->json, "a JSON array, one object a record, for a program")
      ->excludes("--csv");
  command
      ->add_option("--capcode", o->capcode,
                   "only the pagers that carried capcode N in an enabled row, newest first "
                   "(those returned since included)")
      ->type_name("N")
      ->check(CLI::Range(std::int64_t{0}, std::int64_t{9999999}));
  command->add_flag("--unfinished", o->unfinished,
                    "only attempts that were started and never completed (a station that died "
                    "mid-write), with station and time");
  CLI::App* resolve = command->add_subcommand(
      "resolve",
      "settle an unfinished attempt after checking the pager, or a pager put aside or returned");
  resolve->add_option("ID", o->resolveId, "the record's ID (capcode ledger, capcode identify)")
      ->required()
      ->check(CLI::PositiveNumber);
  resolve
      ->add_option("RESULT", o->resolveResult,
                   "of an unfinished attempt: verified (the pager holds the capcodes) or "
                   "not-written (they go back); of any pager that holds its capcodes: put-aside "
                   "(taken off the line, its capcodes stay held) or returned (it came back and "
                   "was wiped: its capcodes go back to the order)")
      ->required()
      ->check(CLI::IsMember({"verified", "not-written", "put-aside", "returned"}));
  resolve
      ->add_option("--station", o->station,
                   "the station settling it, recorded with the login name and host name")
      ->type_name("NAME");
  resolve->add_flag("--force", o->force,
                    "settle a record started less than a minute ago (its station may still be "
                    "writing that pager)");
  resolve->callback([o] { o->resolving = true; });
  resolve->footer(
      "The --ledger option goes before resolve: capcode ledger --ledger L resolve 7 "
      "verified.\n"
      "put-aside and returned never change the record's result: the record gains the\n"
      "settlement, when and by whom. put-aside takes a started, verified, verify failed or\n"
      "interrupted pager; returned takes those and one put aside.");
  command
      ->add_option("--since", o->since,
                   "only pagers started at or after DATE (UTC: YYYY-MM-DD, optionally "
                   "THH:MM or THH:MM:SS)")
      ->type_name("DATE")
      ->check(CLI::Validator(
          [](std::string& text) {
            return isLedgerTimePrefix(text)
                       ? std::string()
                       : "give a UTC date and time that exist, YYYY-MM-DD[THH:MM[:SS]], not " +
                             text;
          },
          ""));
  command->footer(
      "A record whose FINISHED is - was started and never completed: the program ended during\n"
      "that pager's transfer, so the pager may hold the capcodes; check it.\n"
      "LINE is the line of the capcode list (capcode write --capcodes) the pager took; its\n"
      "reference columns follow the capcodes, then a settlement in brackets ([put aside TIME by\n"
      "WHO], [returned TIME by WHO]). --csv adds the list's SHA-256, line and reference, then\n"
      "settlement, settled_at and settled_by; --json gives the same fields.\n"
      "The table shows a control character in a station or a reference as an escape (\\x1B,\n"
      "\\u009B); --csv keeps every value exact.\n"
      "A file is opened read-only: a ledger on a read-only disk can be listed.\n"
      "Exit status: 0 listed, 2 a usage error, 3 no ledger, or it cannot be read or reached\n"
      "(a PostgreSQL server gets 10 s to connect and to answer each statement).");
  return [o, &io] { return runLedger(*o, io); };
}

}  // namespace capcode
