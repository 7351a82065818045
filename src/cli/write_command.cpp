// capcode write: a production batch. Each pager is recorded in the ledger before the transfer
// and completed after it; the capcodes advance by their steps after every verified pager; a
// batch that would give one capcode to two pagers is refused before any pager is touched.

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>

#include "app/clean_decode.hpp"
#include "cli/commands.hpp"
#include "configuration/configuration_input.hpp"
#include "cli/console_operator.hpp"
#include "cli/device_report.hpp"
#include "cli/gang_console.hpp"
#include "configuration/opened_configuration.hpp"
#include "core/recovery_chips.hpp"
#include "options/ledger_options.hpp"
#include "production/production_batch.hpp"

namespace capcode {

namespace {

struct WriteOptions {
  std::string file;
  int count = 1;
  bool countGiven = false;
  std::string capcodes;  // a capcode list file
  std::vector<std::string> autoinc;
  bool sameCapcodes = false;
  std::string recover;
  std::optional<std::string> revision;  // "A2", "A3" or "B"; HW-B when not given
  ProductionOptions production;  // the ledger, the station, a shared batch
  bool allowReuse = false;
  bool resume = false;
  SessionOptions session;
};

// --autoinc ROW=STEP: rows 1-8, steps 0-8, each row at most once.
std::string parseSteps(const std::vector<std::string>& given, RowSteps& steps) {
  for (const std::string& rowStep : given) {
    if (rowStep.size() != 3 || rowStep[1] != '=' || rowStep[0] < '1' || rowStep[0] > '8' ||
        rowStep[2] < '0' || rowStep[2] > '8') {
      return "--autoinc " + rowStep + ": give ROW=STEP with a row 1-8 and a step 0-8";
    }
    const int row = rowStep[0] - '0';
    if (steps[row]) return "--autoinc " + rowStep + ": row " + std::to_string(row) + " given twice";
    if (row > 4 && rowStep[2] != '0') {
      return "--autoinc " + rowStep + ": only rows 1-4 advance after a pager; row " +
             std::to_string(row) + " keeps its capcode on every pager";
    }
    steps[row] = rowStep[2] - '0';
  }
  return {};
}

int exitStatus(BatchEnd end) {
  switch (end) {
    case BatchEnd::Done:
      return kExitOk;
    case BatchEnd::Usage:
      return kExitUsage;
    case BatchEnd::Ledger:
      return kExitLedger;
    default:
      return kExitFailed;
  }
}

// Before the batch: a configuration whose bytes do not decode cleanly at the revision would put
// other capcodes on every pager than the file holds. Refused as a usage error, before the
// ledger is opened or a programmer looked for. Kept apart from the batch, which opens the file
// itself; a file that cannot be read is left for the batch to report.
int checkRevision(const WriteOptions& o, CommandIo& io) {
  // Standard input, a FIFO, a device or a folder is not a file the batch can open: File > Open
  // refuses it at once and the batch reports that itself. Never read through it here, where a
  // pipe nobody writes to would hold the write for the reader's whole time limit.
  std::error_code error_code;
  if (o.file == "-" || !std::filesystem::is_regular_file(o.file, error_code)) return kExitOk;
  std::string error;
  std::istringstream noInput;
  const auto input = readConfigurationInput(o.file, noInput, -1, InputLimits{}, error);
  if (!input) return kExitOk;
  Image bytes;
  bytes.fill(0xFF);
  std::copy(input->bytes.begin(), input->bytes.end(), bytes.begin());
  // A file File > Open refuses (checksum) is the batch's to report, with the open's own line.
  if (!checksumValid(bytes)) return kExitOk;
  const std::uint8_t revision = revisionNamed(o.revision.value_or("B")).value_or(kHwB);
  try {
    const RevisionCheck check =
        checkRevisions(bytes, revision, startupOptionsFor(o.session.dataDirectory));
    if (check.chosen.clean()) return kExitOk;
    complain(io, "write") << o.file << ": " << check.refusal()
           << "\ncapcode write: nothing was written\n";
  } catch (const std::runtime_error& e) {
    complain(io, "write") << e.what() << "\n";
  }
  return kExitUsage;
}

// What `capcode write --help` says after the options.
std::string writeFooter() {
  // clang-format off
  return "Before each pager after the first it asks on standard error for the next pager and\n"
         "waits for Enter (q, or the end of input, stops). After each pager it prints one line\n"
         "with the result and the capcodes of the enabled rows. The status log goes to standard\n"
         "output. The file must decode cleanly at the revision (--revision; a file laid out for\n"
         "another one is refused, naming it). The whole batch is checked before the first pager:\n"
         "capcodes that the address rules refuse, or that repeat an individual capcode of this\n"
         "batch or of the ledger, stop it before anything is written.\n"
         "A capcode list (--capcodes) gives one pager a line: the header names the rows it gives\n"
         "(row1..row8) and reference columns kept with each pager's record; other rows keep the\n"
         "configuration's capcodes. A list that cannot be read, or a line that the rules, the list\n"
         "itself or the ledger refuse, stops the batch before anything is written.\n"
         "With several --device boxes the pagers are programmed a round at a time, one per box;\n"
         "\"Insert pagers in boxes 1-N and press Enter (q to stop)\" starts each round after the\n"
         "first, and a box that fails stops the batch after its round. With more than one box\n"
         "present and no --device, write refuses with the list of boxes (capcode devices lists\n"
         "them).\n"
         "Exit status: 0 every pager verified, 1 a pager or the configuration failed (the batch\n"
         "stops there), 2 a usage error or a file that does not decode cleanly at the revision,\n"
         "3 refused by the ledger or the ledger cannot record.\n\n" +
         simulatedFaultFooter();
  // clang-format on
}

int runWrite(const WriteOptions& o, CommandIo& io) {
  BatchOptions batch;
  if (const std::string error = parseSteps(o.autoinc, batch.steps); !error.empty()) {
    complain(io, "write") << error << "\n";
    return kExitUsage;
  }
  batch.file = o.file;
  batch.count = o.count;
  batch.countGiven = o.countGiven;
  batch.capcodeList = o.capcodes;
  batch.sameCapcodes = o.sameCapcodes;
  if (!o.recover.empty()) {
    batch.recoverChip = o.recover;
    batch.recoverItem = recoveryChip(o.recover)->menuItem;
  }
  if (o.revision) batch.revision = revisionNamed(*o.revision);
  batch.production = o.production;
  batch.allowReuse = o.allowReuse;
  batch.resume = o.resume;
  batch.program = {startupOptionsFor(o.session.dataDirectory), o.session.hardware};
  std::vector<GangBox> boxes;
  if (const int status =
          choosePresentBoxes(o.session.hardware, o.session.devices, boxes, "capcode write", io.err);
      status != kExitOk) {
    return status;
  }
  if (boxes.size() == 1) batch.program.hardware = boxes.front().hardware;
  if (boxes.size() > 1) {
    GangConsole gang(io);
    return exitStatus(runGangBatch(batch, boxes, gang));
  }
  ConsoleOperator person(io);
  return exitStatus(runProductionBatch(batch, person));
}

}  // namespace

CommandRun setupWriteCommand(CLI::App& app, CommandIo& io) {
  auto o = std::make_shared<WriteOptions>();
  CLI::App* command = app.add_subcommand(
      "write", "program pagers in a row from a configuration file, recording each in the ledger");
  command->add_option("FILE", o->file, "the configuration file (2048 bytes)")->required();
  auto* count =
      command
          ->add_option("--count", o->count,
                       "how many pagers to program in a row (default 1; with --capcodes, the "
                       "list's pagers)")
          ->type_name("N")
          ->check(CLI::Range(1, 100000));
  command
      ->add_option("--capcodes", o->capcodes,
                   "take each pager's capcodes from a line of a CSV list whose header names "
                   "the rows (row1..row8) and any reference columns")
      ->type_name("LIST.csv");
  command
      ->add_option("--autoinc", o->autoinc,
                   "the auto-increment step of a row after each verified pager (repeatable; "
                   "rows 1-8, steps 0-8; rows 1-4 advance)")
      ->type_name("ROW=STEP");
  command->add_flag("--same-capcodes", o->sameCapcodes,
                    "allow a batch in which every pager gets the same capcodes");
  std::vector<std::string> chips;
  for (const RecoveryChip& chip : kRecoveryChips)
    chips.emplace_back(chip.name);
  command
      ->add_option("--recover", o->recover,
                   "synthesizer recovery, as Help > Recover: program a blank or damaged pager "
                   "without reading it first (" +
                       recoveryChipNames() + ")")
      ->type_name("CHIP")
      ->check(CLI::IsMember(chips));
  const LedgerOptionsAdded ledger =
      addLedgerOptions(*command, LedgerOptionUser::Write, o->production);
  ledger.noLedger->excludes(ledger.ledger);
  command->add_flag("--allow-reuse", o->allowReuse,
                    "program capcodes the ledger already records on a verified pager (a "
                    "returned pager)");
  auto* resume =
      command
          ->add_flag("--resume", o->resume,
                     "start from the capcodes after the last verified pager written from the "
                     "same configuration file")
          ->excludes(ledger.noLedger);
  ledger.batch->excludes(ledger.noLedger)->excludes(resume)->excludes("--allow-reuse");
  addRevisionOption(*command, o->revision);
  addSharedOptions(*command, static_cast<OptionUsers>(kPagerCommands | kWriteCommand), o->session);
  command->footer(writeFooter());
  return [o, count, &io] {
    o->countGiven = count->count() > 0;
    if (const int status = checkRevision(*o, io); status != kExitOk) return status;
    return runWrite(*o, io);
  };
}

}  // namespace capcode
