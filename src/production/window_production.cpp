#include "production/window_production.hpp"

#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>
#include <filesystem>

#include "app/program.hpp"
#include "ledger/background_ledger.hpp"
#include "ledger/sha256.hpp"
#include "ledger/sql_ledger.hpp"
#include "ledger/sqlite_ledger.hpp"
#include "production/batch_plan.hpp"
#include "production/ledger_refusal.hpp"
#include "production/order_plan.hpp"
#include "production/pager_identity.hpp"
#include "production/pager_recorder.hpp"
#include "production/production_road.hpp"

namespace capcode {

namespace {

const char* const kContinue = "Continue after the last";
const char* const kKeep = "Keep the file's capcodes";

// A server's connection string as the status line shows it: no password.
std::string shownLedger(const std::string& ledger) {
  if (!isPostgresConnection(ledger)) return ledger;
  std::string shown;
  if (const std::size_t scheme = ledger.find("://"); scheme != std::string::npos) {
    const std::size_t at = ledger.find('@');
    return at == std::string::npos ? ledger : ledger.substr(0, scheme + 3) + ledger.substr(at + 1);
  }
  std::size_t from = 0;
  while (from < ledger.size()) {
    std::size_t end = ledger.find(' ', from);
    if (end == std::string::npos) end = ledger.size();
    const std::string word = ledger.substr(from, end - from);
    if (!word.empty() && word.rfind("password=", 0) != 0)
      shown += (shown.empty() ? "" : " ") + word;
    from = end + 1;
  }
  return shown;
}

// Local midnight as the ledger's UTC time form, for "verified today".
std::string localMidnightUtc() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  local.tm_hour = local.tm_min = local.tm_sec = 0;
  const std::time_t midnight = std::mktime(&local);
  std::tm utc{};
  gmtime_r(&midnight, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  return text;
}

}  // namespace

struct WindowProduction::Impl {
  Impl(Program& p, const ProductionOptions& o) : program(p), options(o) {}

  Program& program;
  ProductionOptions options;
  // Runs every call on a thread of its own: the window answers while it waits.
  std::unique_ptr<BackgroundLedger> ledger;
  std::unique_ptr<PagerRecorder> recorder;
  std::string ledgerName;
  // A shared batch: the sets of the configuration last opened, and that file's SHA-256.
  std::unique_ptr<CapcodeSets> sets;
  std::string setsProblem;  // why the opened configuration gives no sets
  std::string configSha;
  std::string problem;
  Rule write;
  Rule open;
  // Today's pagers as last counted, and why they could not be counted (or empty); the count
  // in flight, and whether another is wanted once it is in (a write ended meanwhile).
  LedgerTally today;
  std::string countProblem;
  std::future<LedgerTally> counting;
  bool countAgain = false;
  // The person cancelled the write while the ledger answered: nothing more is written.
  bool cancelled = false;
  ReadIdentityLine readLine{program, [this] { return ledger.get(); }};

  ProgramState& state() { return program.state(); }

  // Starts a count of today's pagers on the ledger's thread (a count and one record, not the
  // day's listing); the window does not wait for it. None while the ledger is known to be
  // unreachable: the next write tries it again.
  void countToday() {
    if (!ledger) return;
    if (counting.valid()) {
      countAgain = true;
      return;
    }
    if (ledger->unreachable() && !countProblem.empty()) return;
    counting = ledger->tallyLater(localMidnightUtc());
  }

  // Takes the count in flight once it is in (at once when `wait`). True when it was taken.
  bool takeCount(bool wait) {
    if (!counting.valid()) return false;
    if (!wait && counting.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
      return false;
    try {
      today = counting.get();
      countProblem.clear();
    } catch (const LedgerError& e) {
      countProblem = e.what();
    }
    if (countAgain) {
      countAgain = false;
      countToday();
    }
    return true;
  }

  // Counts again however the command ends: an error may end a write after its record.
  struct CountAfter {
    explicit CountAfter(Impl& counted) : impl(counted) {}
    Impl& impl;
    CountAfter(const CountAfter&) = delete;
    CountAfter& operator=(const CountAfter&) = delete;
    ~CountAfter() { impl.countToday(); }
  };

  void openLedger() {
    if (options.noLedger) {
      ledgerName = "no ledger";
      return;
    }
    try {
      const std::string where = ledgerLocation(options.ledger);
      ledgerName = shownLedger(where);
      // Opened on the ledger's thread: a server may take its connection time limit to answer.
      // A ledger that cannot be opened refuses every call with the reason.
      ledger = std::make_unique<BackgroundLedger>([where] { return capcode::openLedger(where); });
      recorder = std::make_unique<PagerRecorder>(*ledger, options.station);
    } catch (const LedgerError& e) {
      problem = e.what();
    }
  }

  void install() {
    FormModel& form = state().form;
    write = form.handler("WriteToPagerClick");
    open = form.handler("Open1Click");
    form.defineHandler("WriteToPagerClick", [this] {
      const CountAfter count{*this};
      writePager();
    });
    form.defineHandler("Open1Click", [this] {
      const CountAfter count{*this};
      openFile();
    });
  }

  // A ledger that cannot record refuses the pager: nothing is programmed unrecorded.
  void refuseUnrecorded(const std::string& why) {
    state().log("Ledger: " + why + "; the pager was not written");
    state().beep();
    state().feedback().warning("The pager was not written: the ledger cannot record it (" + why +
                               "). No pager is programmed without its record.");
  }

  // The ledger refused the pager's capcodes. True when the person chose to program it again.
  bool refused(const Conflict& conflict, bool mayAsk) {
    state().log(conflictLogLine(conflict));
    state().beep();
    if (heldByUnfinished(conflict) || !mayAsk) {
      state().feedback().warning(conflictNotice(conflict));
      return false;
    }
    // Enter, Escape and closing the notice write nothing: only a click programs it again.
    const auto answer = state().feedback().ask(conflictQuestion(conflict));
    return answer == kProgramAgainAnswer;
  }

  // A shared batch's pager that cannot be written: one log line, a beep and a notice.
  void refuseBatch(const std::string& why) {
    state().log("Ledger: " + why + "; the pager was not written");
    state().beep();
    state().feedback().warning("The pager was not written: " + why + ".");
  }

  void writePager() {
    if (!problem.empty()) return refuseUnrecorded(problem);
    cancelled = false;
    if (!options.batch.empty()) return writeBatchPager();
    if (!recorder) return write();  // --no-ledger: nothing is recorded
    recorder->resetLedgerTime();
    recorder->newPager();
    recorder->setAddresses(currentAddresses(state()));
    RecordMode mode = RecordMode::Begin;
    const LedgerStep checked = recorder->check(recorder->record().addresses);
    if (cancelled) return noteCancelled();
    if (checked.kind == LedgerStep::Kind::Failed) return refuseUnrecorded(checked.error);
    if (checked.kind == LedgerStep::Kind::Refused) {
      if (!refused(*checked.conflict, true)) return;
      mode = RecordMode::BeginReused;  // a returned pager, for this write only
    }
    runWrite(mode);
  }

  // A shared batch: the pager takes the batch's next free set from the ledger, held for it
  // there before anything is written; the rows show that set, whatever advanceAddresses did.
  void writeBatchPager() {
    if (!recorder) {
      return refuseBatch("the shared batch " + options.batch +
                         " takes its capcodes from a ledger, and this window keeps none");
    }
    if (!sets) {
      return refuseBatch(setsProblem.empty() ? "the shared batch " + options.batch +
                                                   " takes its capcodes from a configuration: "
                                                   "open it with File > Open first"
                                             : setsProblem);
    }
    std::array<int, kAddressRows + 1> steps{};
    for (int row = 1; row <= kAddressRows; ++row)
      steps[static_cast<std::size_t>(row)] = addressStep(state().form, row);
    recorder->resetLedgerTime();
    recorder->newPager();
    const SharedBatch batch{options.batch, configSha, stepsText(state().form), {}};
    LedgerStep taken;
    try {
      sets->useSteps(steps);
      taken = recorder->reserve(batch, [this](int k) { return sets->set(k); });
    } catch (const BatchSetRefused& e) {
      taken = LedgerStep{LedgerStep::Kind::SetRefused, std::nullopt, e.what()};
    }
    if (taken.kind == LedgerStep::Kind::Refused) return void(refused(*taken.conflict, false));
    if (!taken.done()) return refuseBatch(taken.error);
    if (cancelled) {
      complete(PagerResult::NotWritten);  // the set goes back
      return noteCancelled();
    }
    const std::vector<RecordedAddress> set = recorder->record().addresses;
    const std::string which =
        "set " + std::to_string(recorder->record().setIndex) + " of batch " + options.batch;
    if (auto refusal = enterSet(state(), set, 0)) {
      complete(PagerResult::NotWritten);  // nothing was written: the set goes back
      return refuseBatch(which + " is refused by the address rules: " + refusal->reason);
    }
    state().log("Ledger: this pager takes " + which + " (" + describeCapcodes(set) + ")");
    runWrite(RecordMode::Reserved);
    if (recorder->begun() && recorder->record().result == PagerResult::Verified)
      enterSet(state(), set, 0);
  }

  // The window's own write on the production road; an error that ends the command still
  // completes the record before it reaches the window.
  void runWrite(RecordMode mode) {
    const RoadWrite done = writeOnRoad(program, *recorder, mode, write, [this] { return cancelled; });
    if (done.cancelled) {
      if (!done.completed.done()) noteUncompleted(done.completed.error);
      noteCancelled();
    } else if (done.stopped) {
      if (!done.completed.done()) noteUncompleted(done.completed.error);
      if (done.stopped->kind == LedgerStep::Kind::Refused) {
        refused(*done.stopped->conflict, false);
      } else {
        refuseUnrecorded(done.stopped->error);
      }
    } else if (!done.completed.done()) {
      noteUncompleted(done.completed.error);
    }
    if (done.error) std::rethrow_exception(done.error);
  }

  // Cancelled while the ledger answered: the person asked for it, so a log line is enough.
  void noteCancelled() {
    state().log("Ledger: cancelled while the ledger answered; the pager was not written");
  }

  void complete(PagerResult result) {
    const LedgerStep done = recorder->complete(result);
    if (!done.done()) noteUncompleted(done.error);
  }

  // The pager may hold its capcodes while the ledger does not know its end: stop writing.
  void noteUncompleted(const std::string& error) {
    problem = error;
    state().log("Ledger: the record of this pager could not be completed (" + error + ")");
    state().beep();
    state().feedback().warning("The ledger could not complete this pager's record (" + error +
                               "). No further pager is written until the ledger works again.");
  }

  void openFile() {
    open();
    if (state().lastOpen.result != FileOpenResult::Opened) return;
    const std::string path = state().CurrentFilePath;
    const std::string sha = sha256OfFile(path).value_or("");
    if (recorder) recorder->setConfiguration(std::filesystem::absolute(path).string(), sha);
    if (!options.batch.empty()) return takeSetsOf(sha);
    if (recorder && !sha.empty()) offerToContinue(sha);
  }

  // A shared batch's sets come from the configuration as opened: set 0 is its own rows.
  void takeSetsOf(const std::string& sha) {
    sets.reset();
    setsProblem.clear();
    configSha = sha;
    if (sha.empty()) {
      setsProblem = "the configuration's SHA-256 could not be taken, so it cannot name the batch";
      return;
    }
    try {
      sets = std::make_unique<CapcodeSets>(state(), program.startup());
    } catch (const BatchSetRefused& e) {
      setsProblem = e.what();
    }
  }

  // Pagers of this configuration's order already in the ledger: the next one carries on after
  // the highest set any of them holds (the one resume rule), never with a capcode the ledger
  // holds.
  void offerToContinue(const std::string& sha) {
    std::vector<PagerRecord> verified;
    std::vector<PagerRecord> records;
    try {
      records = ledger->list("");
    } catch (const LedgerError& e) {
      state().log("Ledger: " + std::string(e.what()));
      return;
    }
    for (const PagerRecord& r : records) {
      if (r.result == PagerResult::Verified && r.configSha256 == sha && r.listSha256.empty() &&
          r.batch.empty())
        verified.push_back(r);
    }
    // Only pagers that carry capcodes of their own are carried on after.
    std::erase_if(verified, [](const PagerRecord& r) {
      return std::none_of(r.addresses.begin(), r.addresses.end(), [](const RecordedAddress& a) {
        return a.enabled && a.role == AddressRole::Individual;
      });
    });
    if (verified.empty()) return;
    const std::string counted = std::to_string(verified.size()) +
                                (verified.size() == 1 ? " pager" : " pagers") +
                                " verified from this configuration";
    const auto steps = stepsOf(verified);
    if (!steps) {
      state().log("Ledger: " + counted + "; set the auto-increment steps to carry on after them");
      return;
    }
    std::vector<RecordedAddress> next;
    std::string after;
    try {
      CapcodeSets order(state(), program.startup());
      order.useSteps(*steps);
      const OrderHistory history = steppedHistory(records, sha, order);
      const auto highest = history.highest();
      if (!highest) {
        state().log("Ledger: " + counted + "; none of them is on this configuration's steps");
        return;
      }
      next = order.set(highest->set + 1);
      after = "the highest set " + std::to_string(highest->set) + " (record " +
              std::to_string(highest->record.id) + ", " +
              describeCapcodes(highest->record.addresses) + ", on station " +
              highest->record.station + ")";
    } catch (const BatchSetRefused& e) {
      state().log("Ledger: " + counted +
                  "; the capcodes after them are refused: " + e.refusal.reason);
      return;
    }
    const LedgerStep free = recorder->check(next);
    if (!free.done()) {
      state().log("Ledger: " + counted + "; the capcodes after " + after + " are not free (" +
                  (free.conflict ? conflictLogLine(*free.conflict) : free.error) + ")");
      return;
    }
    state().log("Ledger: " + counted + ", " + after + "; the next pager would get " +
                describeCapcodes(next));
    const auto answer = state().feedback().ask("The ledger holds " + counted + ", " + after +
                                                   ".\nContinue after the last one (" +
                                                   describeCapcodes(next) + ")?",
                                               {kContinue, kKeep});
    if (!answer || *answer != 0) return;
    FormModel& form = state().form;
    for (int row = 1; row <= kAddressRows; ++row) {
      const std::string name = rowControlName("autoinc", row);
      if (addressStep(form, row) == (*steps)[static_cast<std::size_t>(row)]) continue;
      form.userPick(name, (*steps)[static_cast<std::size_t>(row)]);
      form.leave(name);
    }
    enterSet(state(), next, 0);
  }

  // The steps the pagers were written with: the window's when a row advances, else what the
  // latest two verified pagers one step apart tell (rows 1-4 that moved by 1-8). None when
  // neither says.
  std::optional<std::array<int, kAddressRows + 1>> stepsOf(
      const std::vector<PagerRecord>& verified) {
    std::array<int, kAddressRows + 1> steps{};
    FormModel& form = state().form;
    for (int row = 1; row <= kAddressRows; ++row)
      steps[static_cast<std::size_t>(row)] = addressStep(form, row);
    if (anyRowAdvances(form)) return steps;
    // The latest two pagers one step apart: a returned pager programmed again in between
    // (an earlier set) tells nothing about the steps.
    for (std::size_t k = verified.size(); k >= 2; --k) {
      const auto& last = verified[k - 1].addresses;
      const auto& before = verified[k - 2].addresses;
      bool any = false;
      std::array<int, kAddressRows + 1> found = steps;
      for (std::size_t i = 0; i < last.size() && i < before.size(); ++i) {
        const long moved = static_cast<long>(last[i].capcode) - before[i].capcode;
        if (last[i].row > 4 || last[i].role != AddressRole::Individual || moved < 1 || moved > 8)
          continue;
        found[static_cast<std::size_t>(last[i].row)] = static_cast<int>(moved);
        any = true;
      }
      if (any) return found;
    }
    return std::nullopt;
  }
};

WindowProduction::WindowProduction(Program& program, const ProductionOptions& options)
    : impl_(std::make_unique<Impl>(program, options)) {
  impl_->openLedger();
  impl_->countToday();
  impl_->install();
}

WindowProduction::WindowProduction(Program& program, const ProductionOptions& options,
                                   std::unique_ptr<Ledger> ledger, std::string ledgerName)
    : impl_(std::make_unique<Impl>(program, options)) {
  impl_->ledgerName = std::move(ledgerName);
  impl_->ledger = std::make_unique<BackgroundLedger>(
      [given = std::make_shared<std::unique_ptr<Ledger>>(std::move(ledger))] {
        return std::move(*given);
      });
  impl_->recorder = std::make_unique<PagerRecorder>(*impl_->ledger, options.station);
  impl_->countToday();
  impl_->install();
}

WindowProduction::~WindowProduction() {
  // The window's own commands again: this object's handlers refer to it.
  FormModel& form = impl_->state().form;
  form.defineHandler("WriteToPagerClick", impl_->write);
  form.defineHandler("Open1Click", impl_->open);
}

ProductionStatus WindowProduction::status() const {
  ProductionStatus s;
  s.ledger = impl_->ledgerName;
  s.station = impl_->options.station.empty() ? hostName() : impl_->options.station;
  s.batch = impl_->options.batch;
  s.problem = impl_->problem;
  if (impl_->recorder) {
    s.lastWriteLedgerMillis =
        std::chrono::duration<double, std::milli>(impl_->recorder->ledgerTime()).count();
  }
  if (!impl_->ledger) return s;
  s.verifiedToday = impl_->today.count(PagerResult::Verified);
  if (impl_->today.lastVerified)
    s.lastCapcodes = describeCapcodes(impl_->today.lastVerified->addresses);
  if (s.problem.empty()) s.problem = impl_->countProblem;
  return s;
}

void WindowProduction::refreshStatus() {
  impl_->countToday();
}

bool WindowProduction::takeCount() {
  return impl_->takeCount(false);
}

void WindowProduction::awaitCount() {
  // A count taken in may start the next one a write asked for meanwhile.
  while (impl_->counting.valid()) impl_->takeCount(true);
}

void WindowProduction::setWaitHook(std::function<void(const LedgerWait&)> hook) {
  if (impl_->ledger) impl_->ledger->setWaitHook(std::move(hook));
}

void WindowProduction::cancelWrite() {
  impl_->cancelled = true;
}

bool WindowProduction::ledgerUnreachable() const {
  return impl_->ledger && impl_->ledger->unreachable();
}

std::vector<PagerRecord> WindowProduction::records(std::string_view batch, std::string_view since) {
  if (!impl_->ledger) {
    // A ledger that could not be opened cannot be read either; --no-ledger has no records.
    if (!impl_->problem.empty()) throw LedgerError(impl_->problem);
    return {};
  }
  std::vector<PagerRecord> found;
  for (PagerRecord& r : impl_->ledger->list(since)) {
    if (batch.empty() || r.batch == batch) found.push_back(std::move(r));
  }
  std::reverse(found.begin(), found.end());
  return found;
}

}  // namespace capcode
