// capcode identify: which pager is this? The pager in the box read as capcode read reads it,
// then found in the ledger by its capcodes and by the digest of its bytes. Nothing is written to
// the pager and no record changes.

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "app/clean_decode.hpp"
#include "cli/commands.hpp"
#include "cli/console_feedback.hpp"
#include "cli/device_report.hpp"
#include "cli/pager_changes.hpp"
#include "core/config_file.hpp"
#include "core/enum_text.hpp"
#include "core/json.hpp"
#include "core/visible_text.hpp"
#include "ledger/record_text.hpp"
#include "ledger/sha256.hpp"
#include "ledger/sql_ledger.hpp"
#include "ledger/sqlite_ledger.hpp"
#include "options/ledger_options.hpp"
#include "production/batch_plan.hpp"
#include "production/pager_identity.hpp"

namespace capcode {

namespace {

constexpr int kExitUnknown = 4;  // the pager is not in the ledger

struct IdentifyOptions {
  ProductionOptions ledger;  // --ledger only
  std::string device;
  bool json = false;
  std::optional<std::string> revision;
  SessionOptions session;
};

enum class ReadState { Completed, Damaged, Blank };

struct PagerRead {
  ReadState state = ReadState::Completed;
  std::vector<RecordedAddress> rows;
  std::string imageSha256;  // empty unless the read completed
  int blankByte = -1;       // the byte a blank pager holds everywhere
};

constexpr EnumText<ReadState> kReadStateNames[] = {
    {ReadState::Completed, "completed"},
    {ReadState::Damaged, "damaged"},
    {ReadState::Blank, "blank"},
};
static_assert(namesEachValueOnce(kReadStateNames, ReadState::Blank));

std::string_view readName(ReadState state) {
  return enumText(kReadStateNames, state, "");
}

// The box --device names, or the only one; a refusal is printed and its status returned.
int pickBox(IdentifyOptions& o, CommandIo& io) {
  std::vector<GangBox> chosen;
  const std::vector<std::string> wanted =
      o.device.empty() ? std::vector<std::string>{} : std::vector<std::string>{o.device};
  const int status =
      choosePresentBoxes(o.session.hardware, wanted, chosen, "capcode identify", io.err);
  if (status == kExitOk && !chosen.empty()) o.session.hardware = chosen.front().hardware;
  return status;
}

// Reads the pager; a read whose checksum is wrong is still decoded for what it holds.
std::optional<PagerRead> readPager(Program& session, CommandIo& io) {
  clickOn(session, "ReadFromPager");
  const PagerOutcome outcome = session.links().lastRead.what;
  ProgramState& state = session.state();
  PagerRead read;
  if (outcome == PagerOutcome::ReadCompleted) {
    read.rows = currentAddresses(state);
    read.imageSha256 = sha256Hex(state.PagerReadBuffer);
    return read;
  }
  if (outcome != PagerOutcome::ReadChecksumBad) {
    io.err << "capcode identify: the pager could not be read (see the log above); nothing was "
              "looked up\n";
    return std::nullopt;
  }
  const Image& bytes = state.PagerReadBuffer;
  if (std::all_of(bytes.begin(), bytes.end(), [&](std::uint8_t b) { return b == bytes[0]; })) {
    read.state = ReadState::Blank;
    read.blankByte = bytes[0];
    return read;
  }
  read.state = ReadState::Damaged;
  state.event([&] { takeReadBuffer(state); });
  read.rows = currentAddresses(state);
  return read;
}

std::string hexByte(int byte) {
  static const char* const digits = "0123456789ABCDEF";
  return std::string("0x") + digits[(byte >> 4) & 15] + digits[byte & 15];
}

std::string recordLine(const PagerRecord& r) {
  std::string line = "record " + std::to_string(r.id) + ": " + localTimeText(r.started) +
                     ", station " + visibleText(r.station) + ", batch " +
                     (r.batch.empty() ? std::string("-") : r.batch) + ", " + r.configPath;
  if (r.listLine > 0) line += ", line " + std::to_string(r.listLine);
  if (!r.reference.empty()) line += " (ref " + visibleText(r.reference) + ")";
  line += ", " + std::string(resultName(r.result)) + ", " + capcodesWithRoles(r);
  if (r.settlement != Settlement::None) {
    line += ", " + std::string(settlementName(r.settlement)) + " " + localTimeText(r.settledAt) +
            " by " + r.settledBy;
  }
  return line;
}

std::string laterLine(const LaterHolder& l) {
  return "capcode " + std::to_string(l.mine.capcode) + " (row " + std::to_string(l.mine.row) +
         ") is also on record " + std::to_string(l.holder.id) + " (row " +
         std::to_string(l.holderRow) +
         "), a later pager: " + std::string(resultName(l.holder.result)) + " " +
         localTimeText(l.holder.started) + " on station " + visibleText(l.holder.station);
}

// "Folder 5 (pubbox4): "Fdr04Name" -> "Sales"", as capcode diff names a control.
std::string changeLine(const ControlChange& c) {
  return (c.label.empty() ? c.name : c.label + " (" + c.name + ")") + ": " + c.written + " -> " +
         c.now;
}

void printText(const PagerRead& read, const PagerIdentity& id, const PagerChanges& changes,
               std::ostream& out) {
  if (read.state == ReadState::Damaged) {
    out << "pager: damaged (its checksum is wrong); its rows decode as "
        << describeCapcodes(read.rows) << "\n";
  } else {
    out << "pager: " << describeCapcodes(read.rows) << "\n";
  }
  if (id.records.empty()) {
    out << "not in the ledger: no record wrote these capcodes or these bytes\n";
  } else {
    out << "records, newest first:\n";
    for (const PagerRecord& r : id.records)
      out << "  " << recordLine(r) << "\n";
  }
  if (id.identified()) {
    const PagerRecord& r = id.writtenRecord();
    out << "this pager: record " << r.id << ", " << recordOrigin(r) << "; ";
    if (id.unchanged) {
      out << "unchanged since: its bytes are exactly what record " << r.id << " wrote\n";
    } else if (!changes.named) {
      out << "changed since record " << r.id << " wrote it; " << changes.why
          << ", so the controls that differ cannot be named\n";
      for (const ControlChange& c : changes.controls)
        out << "  " << changeLine(c) << "\n";
    } else if (changes.controls.empty()) {
      out << "changed since record " << r.id
          << " wrote it, in bytes no control shows or settings the write took from the pager\n";
    } else {
      out << "changed since record " << r.id << " wrote it:\n";
      for (const ControlChange& c : changes.controls)
        out << "  " << changeLine(c) << "\n";
    }
    for (const LaterHolder& l : id.later)
      out << "shared: " << laterLine(l) << "\n";
  }
  out << "what next:\n";
  for (const std::string& line : identityAdvice(id))
    out << "  " << line << "\n";
}

// One object whatever the pager held. A blank pager is not looked up in the ledger: it has no
// addresses, records or changes, and its advice says what the text answer says of it.
void printJson(const PagerRead& read, const PagerIdentity& id, const PagerChanges& changes,
               const std::vector<std::string>& advice, std::ostream& out) {
  out << "{\"pager\":{\"read\":" << jsonString(readName(read.state))
      << ",\"image_sha256\":" << (read.imageSha256.empty() ? "null" : jsonString(read.imageSha256))
      << ",\"addresses\":[";
  for (std::size_t i = 0; i < read.rows.size(); ++i) {
    const RecordedAddress& a = read.rows[i];
    out << (i ? "," : "") << "{\"row\":" << a.row << ",\"capcode\":" << a.capcode
        << ",\"enabled\":" << (a.enabled ? "true" : "false") << "}";
  }
  out << "]},\n\"written\":"
      << (id.identified() ? std::to_string(id.writtenRecord().id) : std::string("null"))
      << ",\"unchanged\":" << (id.unchanged ? "true" : "false")
      << ",\n\"changed\":{\"named\":" << (changes.named ? "true" : "false")
      << ",\"why\":" << (changes.why.empty() ? "null" : jsonString(changes.why))
      << ",\"controls\":[";
  for (std::size_t i = 0; i < changes.controls.size(); ++i) {
    const ControlChange& c = changes.controls[i];
    out << (i ? "," : "") << "{\"name\":" << jsonString(c.name)
        << ",\"label\":" << jsonString(c.label) << ",\"written\":" << jsonString(c.written)
        << ",\"now\":" << jsonString(c.now) << "}";
  }
  out << "]},\n\"later\":[";
  for (std::size_t i = 0; i < id.later.size(); ++i) {
    const LaterHolder& l = id.later[i];
    out << (i ? "," : "") << "{\"row\":" << l.mine.row << ",\"capcode\":" << l.mine.capcode
        << ",\"record\":" << l.holder.id << ",\"holder_row\":" << l.holderRow << "}";
  }
  std::string records = recordsJson(id.records);
  records.pop_back();  // its closing line break: the object goes on
  out << "],\n\"records\":" << records << ",\n\"advice\":[";
  for (std::size_t i = 0; i < advice.size(); ++i)
    out << (i ? "," : "") << jsonString(advice[i]);
  out << "]}\n";
}

int runIdentify(IdentifyOptions o, CommandIo& io) {
  const std::uint8_t revision = revisionNamed(o.revision.value_or("B")).value_or(kHwB);
  std::unique_ptr<Ledger> ledger;
  try {
    const std::string path = ledgerLocation(o.ledger.ledger);
    struct stat info {};
    if (!isPostgresConnection(path) && ::stat(path.c_str(), &info) != 0 && errno == ENOENT) {
      io.err << "capcode identify: no ledger at " << path << "\n";
      return kExitLedger;
    }
    ledger = openLedger(path, LedgerOpen::ReadOnly);
  } catch (const LedgerError& e) {
    complain(io, "identify") << e.what() << "\n";
    return kExitLedger;
  }
  if (const int status = pickBox(o, io); status != kExitOk) return status;

  // The status log of the read goes to standard error: standard output is the answer.
  ConsoleFeedback feedback(io.err, io.err, io.errIsTerminal);
  int started = kExitOk;
  const std::unique_ptr<Program> session =
      startPagerProgram(io, "identify", feedback, o.session, started);
  if (!session) return started;
  selectRevision(session->state(), revision);
  const std::optional<PagerRead> read = readPager(*session, io);
  int status = kExitFailed;
  if (read && read->state == ReadState::Blank) {
    const std::string every = "every byte is " + hexByte(read->blankByte);
    if (o.json) {
      printJson(*read, PagerIdentity{}, PagerChanges{},
                {"Blank: " + every + "; nothing on it to recognise."}, io.out);
    } else {
      io.out << "pager: blank (" << every << "); nothing on it to recognise\n";
    }
    status = kExitUnknown;
  } else if (read) {
    try {
      const PagerIdentity id = identifyPager(*ledger, read->rows, read->imageSha256);
      PagerChanges changes;
      if (id.identified() && !id.unchanged) {
        if (read->state == ReadState::Damaged) {
          changes.why = "its image is damaged";
        } else {
          std::ostream nowhere(nullptr);  // the file's open is no part of the answer
          changes = changesSinceWritten(id.writtenRecord(), session->state(), read->rows,
                                        o.revision, o.session.dataDirectory, nowhere);
        }
      }
      if (o.json) {
        printJson(*read, id, changes, identityAdvice(id), io.out);
      } else {
        printText(*read, id, changes, io.out);
      }
      status = !id.identified() ? kExitUnknown : id.clean() ? kExitOk : kExitFailed;
    } catch (const LedgerError& e) {
      complain(io, "identify") << e.what() << "\n";
      status = kExitLedger;
    }
  }
  if (const std::string error = session->finish(); !error.empty()) {
    complain(io, "identify") << error << "\n";
    if (status == kExitOk) status = kExitFailed;
  }
  return status;
}

}  // namespace

CommandRun setupIdentifyCommand(CLI::App& app, CommandIo& io) {
  auto o = std::make_shared<IdentifyOptions>();
  CLI::App* command = app.add_subcommand(
      "identify", "which pager is this? read the pager and find its records in the ledger");
  addLedgerOptions(*command, LedgerOptionUser::Reader, o->ledger);
  command
      ->add_option("--device", o->device,
                   "the programmer box to read, by its path or serial number (capcode devices "
                   "lists them); needed when several are present")
      ->type_name("PATH|SERIAL");
  command->add_flag("--json", o->json, "the answer as one JSON object");
  addRevisionOption(*command, o->revision);
  addSharedOptions(*command, kPagerCommands, o->session);
  command->footer(
      "The pager is read as capcode read reads it; nothing is written to it and no record\n"
      "changes (the ledger is opened read-only). Its records are found by the capcodes its\n"
      "rows hold and by the SHA-256 of its 2048 bytes, and printed newest first: ID, time (local\n"
      "time), station, batch, configuration file, list line and reference, result. Then the\n"
      "record that wrote this pager, whether its bytes are still exactly what that record wrote\n"
      "(the pager changes none of its own bytes), the controls that differ from the record's\n"
      "configuration file when they do (the settings a write takes from the pager itself left\n"
      "out), the capcodes a later pager also holds, and what to do next. A damaged image\n"
      "(wrong checksum) is still looked up by the capcodes its rows decode to. The status log\n"
      "goes to standard error.\n"
      "Exit status: 0 identified and unchanged, 1 identified but changed, shared with a later\n"
      "pager or returned yet not wiped, or the pager could not be read, 2 a usage error, 3 the\n"
      "ledger cannot be read or reached, 4 not in the ledger.\n\n" +
      simulatedFaultFooter());
  return [o, &io] { return runIdentify(*o, io); };
}

}  // namespace capcode
