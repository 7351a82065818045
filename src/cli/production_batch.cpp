#include "cli/production_batch.hpp"

#include <unistd.h>

#include <array>
#include <climits>
#include <filesystem>
#include <memory>

#include "production/batch_plan.hpp"
#include "cli/console_feedback.hpp"
#include "ledger/sha256.hpp"
#include "ledger/sqlite_ledger.hpp"
#include "link/transfer_engine.hpp"

namespace capcode {

// The menu items of Help > Recover by the synthesizer they name.
const std::map<std::string, std::string>& recoveryItems() {
  static const std::map<std::string, std::string> items = {
      {"KS8809", "KS88091"}, {"SM5170", "SM51701"}, {"FS8108", "FS81081"}, {"FS8170", "FS81701"}};
  return items;
}

namespace {

const char* const kNoDevice = "Device not exist, please check the connection.";
const char* const kReadError = "Pager Read error, please check the connection.";

// --autoinc ROW=STEP: rows 1-8, steps 0-8, each row at most once.
using Steps = std::array<std::optional<int>, kAddressRows + 1>;

std::string parseSteps(const std::vector<std::string>& given, Steps& steps) {
  for (const std::string& spec : given) {
    if (spec.size() != 3 || spec[1] != '=' || spec[0] < '1' || spec[0] > '8' || spec[2] < '0' ||
        spec[2] > '8') {
      return "--autoinc " + spec + ": give ROW=STEP with a row 1-8 and a step 0-8";
    }
    const int row = spec[0] - '0';
    if (steps[row]) return "--autoinc " + spec + ": row " + std::to_string(row) + " given twice";
    if (row > 4 && spec[2] != '0') {
      return "--autoinc " + spec + ": only rows 1-4 advance after a pager; row " +
             std::to_string(row) + " keeps its capcode on every pager";
    }
    steps[row] = spec[2] - '0';
  }
  return {};
}

std::string hostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return "unknown";
  return name;
}

std::string conflictText(const Conflict& c) {
  return "capcode " + std::to_string(c.wanted.capcode) + " of row " + std::to_string(c.wanted.row) +
         " (" + std::string(roleName(c.wanted.role)) +
         ") is already on a verified pager: ledger record " + std::to_string(c.holder.id) +
         ", row " + std::to_string(c.holderRow) + " (" + std::string(roleName(c.holderRole)) +
         "), written " + c.holder.started + " on station " + c.holder.station +
         "; give --allow-reuse to program it again (a returned pager)";
}

PagerResult resultOf(std::uint8_t transfer) {
  switch (transfer) {
    case kVerifyOk:
      return PagerResult::Verified;
    case kVerifyMismatch:
      return PagerResult::VerifyFailed;
    case kWriteNotAcknowledged:
      return PagerResult::NotWritten;
    case kTransferFailed:
      return PagerResult::NoDevice;
    default:
      return PagerResult::Interrupted;
  }
}

// The ledger refused the attempt at the last moment (another station, or the disk).
struct LedgerRefusal : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class Batch {
 public:
  Batch(WriteOptions& o, CommandIo& io) : o_(o), io_(io) {}

  int run() {
    Steps steps;
    if (const std::string error = parseSteps(o_.autoinc, steps); !error.empty()) {
      return usage(error);
    }
    if (int status = openLedger(); status != kExitOk) return status;
    feedback_ = std::make_unique<ConsoleFeedback>(io_.out, io_.err, io_.errIsTerminal);
    try {
      session_ = std::make_unique<PagerSession>(*feedback_, o_.session);
    } catch (const std::runtime_error& e) {
      return usage(e.what());
    }
    if (!session_->start()) return fail("the program could not start");
    const int status = prepareAndWrite(steps);
    if (const std::string error = session_->finish(); !error.empty()) {
      io_.err << "capcode write: " << error << "\n";
      return status == kExitOk ? kExitFailed : status;
    }
    return status;
  }

 private:
  int usage(const std::string& text) {
    io_.err << "capcode write: " << text << "\n";
    return kExitUsage;
  }
  int fail(const std::string& text) {
    io_.err << "capcode write: " << text << "\n";
    return kExitFailed;
  }
  int refuse(const std::string& text) {
    io_.err << "capcode write: " << text << "; nothing was written to this pager\n";
    return kExitLedger;
  }
  ProgramState& state() { return session_->state(); }
  FormModel& form() { return session_->state().form; }

  int openLedger() {
    try {
      if (o_.noLedger) {
        ledger_ = std::make_unique<MemoryLedger>();
      } else {
        const std::string path = o_.ledgerPath.empty() ? defaultLedgerPath() : o_.ledgerPath;
        ledger_ = capcode::openLedger(path);
      }
    } catch (const LedgerError& e) {
      io_.err << "capcode write: " << e.what()
              << "\ncapcode write: no pager is programmed without its record\n";
      return kExitLedger;
    }
    return kExitOk;
  }

  int prepareAndWrite(const Steps& steps) {
    feedback_->answer = o_.file;
    if (!logged(session_->click("Open1"), "File loaded"))
      return fail(o_.file + ": not a configuration this program can write (see the log)");
    configSha_ = sha256OfFile(o_.file).value_or("");
    if (!o_.recover.empty()) {
      session_->click(recoveryItems().at(o_.recover));
      if (!form().checked("Recover1")) return fail("--recover " + o_.recover + " did not take");
    }
    for (int row = 1; row <= kAddressRows; ++row) {
      if (!steps[row]) continue;
      const std::string name = rowControlName("autoinc", row);
      if (!form().at(name).enabled) {
        return usage("--autoinc " + std::to_string(row) + "=" + std::to_string(*steps[row]) +
                     ": row " + std::to_string(row) + " is not enabled in " + o_.file);
      }
      state().event([&] {
        form().userPick(name, *steps[row]);
        form().leave(name);
      });
    }
    if (o_.count > 1 && !o_.sameCapcodes && !anyRowAdvances(form())) {
      return usage(
          "every pager would get the same capcodes; give --autoinc ROW=STEP, or "
          "--same-capcodes if that is what you want");
    }
    if (o_.resume) {
      if (int status = resume(); status != kExitOk) return status;
    }
    if (!o_.batch.empty()) return writeSharedBatch();
    const BatchPlan plan = planBatch(state(), session_->startup(), o_.count);
    if (plan.refusal) {
      const BatchRefusal& r = *plan.refusal;
      return fail("pager " + std::to_string(r.pager) + " of " + std::to_string(o_.count) +
                  " could not be given capcodes" +
                  (r.row > 0 ? " (row " + std::to_string(r.row) + ")" : std::string()) + ": " +
                  r.reason + "; nothing was written");
    }
    if (!o_.allowReuse) {
      for (std::size_t k = 0; k < plan.pagers.size(); ++k) {
        try {
          if (auto conflict = ledger_->conflictWith(plan.pagers[k])) {
            io_.err << "capcode write: pager " << k + 1 << " of " << o_.count << ": "
                    << conflictText(*conflict) << "\ncapcode write: nothing was written\n";
            return kExitLedger;
          }
        } catch (const LedgerError& e) {
          io_.err << "capcode write: " << e.what() << "\n";
          return kExitLedger;
        }
      }
    }
    links().beforePagerWrite = [this](const Image& image) { recordStart(image); };
    for (int pager = 1; pager <= o_.count; ++pager) {
      if (int status = writeOne(pager, &plan.pagers[static_cast<std::size_t>(pager - 1)]);
          status != kExitOk) {
        return status;
      }
    }
    return kExitOk;
  }

  // Several stations on one batch: each pager takes the batch's next free capcode set, held
  // for it in the ledger before anything is written.
  int writeSharedBatch() {
    std::string steps;
    for (int row = 1; row <= kAddressRows; ++row)
      steps += (row > 1 ? "," : "") + std::to_string(addressStep(form(), row));
    batch_ = BatchSpec{o_.batch, configSha_, steps};
    try {
      sets_ = std::make_unique<CapcodeSets>(state(), session_->startup());
    } catch (const BatchSetRefused& e) {
      return fail(e.what());
    }
    links().beforePagerWrite = [this](const Image& image) { recordImage(image); };
    for (int pager = 1; pager <= o_.count; ++pager) {
      if (int status = writeOne(pager, nullptr); status != kExitOk) return status;
    }
    return kExitOk;
  }

  // Takes the batch's next set for this pager and puts its capcodes into the window.
  int reserveSet(const std::string& ofCount) {
    std::optional<Conflict> conflict;
    try {
      conflict = ledger_->reserve(batch_, record_, [this](int k) { return sets_->set(k); });
    } catch (const BatchSetRefused& e) {
      return fail("pager " + ofCount + ": " + e.what() + "; stopped");
    } catch (const LedgerError& e) {
      io_.err << "capcode write: " << e.what() << "\ncapcode write: stopped before pager "
              << ofCount << "; no pager is programmed without its record\n";
      return kExitLedger;
    }
    if (conflict) return refuse("pager " + ofCount + ": " + conflictText(*conflict));
    begun_ = true;
    if (auto refusal = enterCapcodes(record_.addresses, false)) {
      ledger_->finishAttempt(record_.id, PagerResult::NotWritten);
      return fail("pager " + ofCount + ": set " + std::to_string(record_.setIndex) + " of batch " +
                  o_.batch + " is refused by the address rules: " + refusal->reason);
    }
    io_.err << "capcode write: pager " << ofCount << " takes set " << record_.setIndex
            << " of batch " << o_.batch << "\n";
    return kExitOk;
  }

  ProgrammerLinks& links() { return session_->links(); }

  // The capcodes that follow the last verified pager of this configuration.
  int resume() {
    std::optional<PagerRecord> last;
    try {
      last = ledger_->lastVerified(configSha_);
    } catch (const LedgerError& e) {
      io_.err << "capcode write: " << e.what() << "\n";
      return kExitLedger;
    }
    if (!last) return fail("--resume: the ledger has no verified pager written from " + o_.file);
    if (auto refusal = enterCapcodes(last->addresses, true)) {
      return fail(
          "--resume: the capcodes after ledger record " + std::to_string(last->id) +
          " are refused" +
          (refusal->row > 0 ? " (row " + std::to_string(refusal->row) + ")" : std::string()) +
          ": " + refusal->reason);
    }
    io_.err << "capcode write: resuming after ledger record " << last->id << " ("
            << describeCapcodes(last->addresses) << ", " << last->started << ")\n";
    return kExitOk;
  }

  // Puts `addresses` into the window's rows, each row then left so that its rules run, and
  // with `advance` moves them on as after a verified pager. What the rules refused, if any.
  std::optional<BatchRefusal> enterCapcodes(const std::vector<RecordedAddress>& addresses,
                                            bool advance) {
    const std::size_t logFrom = state().statusLog().size();
    const std::size_t focusFrom = feedback_->focused.size();
    const std::size_t noticeFrom = feedback_->notices.size();
    state().event([&] {
      for (const RecordedAddress& a : addresses)
        form().setText(rowControlName("address", a.row), std::to_string(a.capcode));
      for (const RecordedAddress& a : addresses)
        form().runHandler(rowControlName("address", a.row, "Exit"));
      if (advance) form().runHandler("advanceAddresses");
    });
    return refusalSince(logFrom, focusFrom, noticeFrom, 0);
  }

  std::optional<BatchRefusal> refusalSince(std::size_t logFrom, std::size_t focusFrom,
                                           std::size_t noticeFrom, int pager) {
    const auto& log = state().statusLog();
    std::vector<std::string> lines(log.begin() + static_cast<std::ptrdiff_t>(logFrom), log.end());
    const auto& notices = feedback_->notices;
    lines.insert(lines.end(), notices.begin() + static_cast<std::ptrdiff_t>(noticeFrom),
                 notices.end());
    const auto& focused = feedback_->focused;
    return advanceRefusal(
        lines, {focused.begin() + static_cast<std::ptrdiff_t>(focusFrom), focused.end()}, pager);
  }

  // Called by the write command just before the write transfer: nothing reaches the pager
  // unless its record is on the disk first.
  void recordStart(const Image& image) {
    record_.imageSha256 = sha256Hex(image);
    record_.addresses = currentAddresses(state());
    try {
      if (auto conflict = ledger_->beginAttempt(record_, o_.allowReuse)) {
        ledgerStop_ = conflictText(*conflict);
        throw LedgerRefusal(ledgerStop_);
      }
    } catch (const LedgerError& e) {
      ledgerStop_ = e.what();
      throw LedgerRefusal(ledgerStop_);
    }
    begun_ = true;
  }

  // A shared batch's pager: its record exists already; the digest of what is written is added.
  void recordImage(const Image& image) {
    try {
      ledger_->recordImage(record_.id, sha256Hex(image));
    } catch (const LedgerError& e) {
      ledgerStop_ = e.what();
      throw LedgerRefusal(ledgerStop_);
    }
  }

  // `planned`: the capcodes the batch's plan gave this pager; none for a shared batch, whose
  // pager takes the next free set from the ledger.
  int writeOne(int pager, const std::vector<RecordedAddress>* planned) {
    const std::string ofCount = std::to_string(pager) + " of " + std::to_string(o_.count);
    if (pager > 1) {
      io_.err << "Insert pager " << ofCount << " and press Enter (q to stop)" << std::endl;
      std::string reply;
      if (!std::getline(io_.in, reply) || reply == "q") {
        io_.err << "\nStopped before pager " << ofCount << ".\n";
        return kExitFailed;
      }
    }
    record_ = PagerRecord{};
    record_.host = hostName();
    record_.station = o_.station.empty() ? record_.host : o_.station;
    record_.configPath = std::filesystem::absolute(o_.file).string();
    record_.configSha256 = configSha_;
    begun_ = false;
    ledgerStop_.clear();
    if (planned == nullptr) {
      if (int status = reserveSet(ofCount); status != kExitOk) return status;
    } else if (currentAddresses(state()) != *planned) {
      return fail("pager " + ofCount + ": the capcodes " +
                  describeCapcodes(currentAddresses(state())) + " differ from the plan " +
                  describeCapcodes(*planned) + "; stopped");
    }
    const std::vector<RecordedAddress> addresses = currentAddresses(state());
    record_.addresses = addresses;

    const std::size_t focusFrom = feedback_->focused.size();
    const std::size_t noticeFrom = feedback_->notices.size();
    const std::size_t logFrom = state().statusLog().size();
    bool completed = true;
    state().event([&] {
      try {
        form().userClick("WriteToPager");
      } catch (...) {
        completed = false;
        throw;
      }
    });
    if (!ledgerStop_.empty()) return kExitLedger;  // the notice has said why
    const auto& log = state().statusLog();
    const std::vector<std::string> lines(log.begin() + static_cast<std::ptrdiff_t>(logFrom),
                                         log.end());
    PagerResult result = PagerResult::NotWritten;
    if (begun_) {
      result = completed ? resultOf(state().TransferResult) : PagerResult::Interrupted;
    } else if (logged(lines, kNoDevice)) {
      result = PagerResult::NoDevice;
    }
    try {
      if (!begun_) ledger_->beginAttempt(record_, true);  // an attempt that wrote nothing
      ledger_->finishAttempt(record_.id, result);
    } catch (const LedgerError& e) {
      io_.out << "Pager " << ofCount << " " << resultName(result) << ": "
              << describeCapcodes(addresses) << std::endl;
      io_.err << "capcode write: " << e.what()
              << "\ncapcode write: the ledger could not complete this pager's record; stopped\n";
      return kExitLedger;
    }
    io_.out << "Pager " << ofCount << " " << resultName(result) << ": "
            << describeCapcodes(addresses) << std::endl;
    if (result != PagerResult::Verified) {
      if (logged(lines, kReadError) && o_.recover.empty()) {
        io_.err << "capcode write: the pager's own image fails its checksum (a blank or "
                   "half-written pager?); --recover CHIP (KS8809, SM5170, FS8108, FS8170) "
                   "programs it without reading it first\n";
      }
      return kExitFailed;
    }
    if (pager < o_.count) {
      // advanceAddresses ran after "Verify OK !": what it refused stops the batch here.
      std::vector<std::string> after;
      bool seen = false;
      for (const std::string& line : lines) {
        if (seen) after.push_back(line);
        seen = seen || line == "Verify OK !";
      }
      const auto& focused = feedback_->focused;
      const auto& notices = feedback_->notices;
      after.insert(after.end(), notices.begin() + static_cast<std::ptrdiff_t>(noticeFrom),
                   notices.end());
      if (auto refusal = advanceRefusal(
              after, {focused.begin() + static_cast<std::ptrdiff_t>(focusFrom), focused.end()},
              pager + 1)) {
        return fail(
            "stopped after pager " + ofCount + ": the capcodes cannot advance" +
            (refusal->row > 0 ? " (row " + std::to_string(refusal->row) + ")" : std::string()) +
            ": " + refusal->reason);
      }
    }
    return kExitOk;
  }

  WriteOptions& o_;
  CommandIo& io_;
  std::unique_ptr<Ledger> ledger_;
  std::unique_ptr<ConsoleFeedback> feedback_;
  std::unique_ptr<PagerSession> session_;
  std::string configSha_;
  BatchSpec batch_;
  std::unique_ptr<CapcodeSets> sets_;
  PagerRecord record_;
  bool begun_ = false;
  std::string ledgerStop_;
};

}  // namespace

int runProductionBatch(WriteOptions& options, CommandIo& io) {
  return Batch(options, io).run();
}

}  // namespace capcode
