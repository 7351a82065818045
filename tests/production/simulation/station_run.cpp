#include "production/simulation/station_run.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>

#include "app/clean_decode.hpp"
#include "app/program.hpp"
#include "ledger/sqlite_ledger.hpp"
#include "link/usb_protocol.hpp"
#include "production/gang_batch.hpp"
#include "production/production_batch.hpp"
#include "production/window_production.hpp"

namespace capcode::sim {

std::string stationOf(const Scenario& scenario, int run) {
  return "st" + std::to_string(scenario.runs.at(static_cast<std::size_t>(run - 1)).station) +
         "-run" + std::to_string(run);
}

std::string RunEnd::how() const {
  if (killed) return "killed as planned";
  if (hung) return "still running after 30 s";
  if (crashed) return "crashed";
  return "exit " + std::to_string(status);
}

namespace {

constexpr unsigned kRunSeconds = 30;

// One line, appended with one write(2): what the kernel holds survives the process's kill.
void appendLine(const std::string& path, const std::string& line) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  const std::string text = line + "\n";
  [[maybe_unused]] const ssize_t written = ::write(fd, text.data(), text.size());
  ::close(fd);
}

void saveBytes(const std::string& path, const Image& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The box a record's station names: "st1-run2/box3" is box 3, a station of one box box 1.
int boxOfStation(const std::string& station) {
  const std::size_t at = station.rfind("/box");
  return at == std::string::npos ? 1 : std::stoi(station.substr(at + 4));
}

// The person who loads the boxes, and the ground truth: each pager's bytes as they stand after
// every report that reached it, and the ledger records made while it sat in its box.
class Pagers {
 public:
  Pagers(const Scenario& scenario, int run, const ScenarioFiles& files, const Image& fresh)
      : scenario_(scenario), run_(run), files_(files), fresh_(fresh),
        station_(stationOf(scenario, run)),
        kill_(scenario.runs.at(static_cast<std::size_t>(run - 1)).kill) {}

  // A box was made and loaded with its first pager.
  void boxMade(SimulatedProgrammer& box) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const int number = std::stoi(box.info.serialNumber.substr(4));  // "SIM-N"
    Slot& slot = slots_[number];
    slot.box = &box;
    load(number, slot);
    box.afterReport = [this, number](std::uint8_t command, unsigned ordinal) {
      report(number, command, ordinal);
    };
  }

  // The box goes with its program: what it held is kept, the box is not touched again.
  void boxGone(SimulatedProgrammer& box) {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (auto& [number, slot] : slots_) {
      if (slot.box == &box) slot.box = nullptr;
    }
  }

  // The person takes box `number`'s pager out and puts a fresh one in (a box that is gone
  // keeps its last pager).
  void swap(int number) {
    const std::lock_guard<std::mutex> lock(mutex_);
    auto it = slots_.find(number);
    if (it == slots_.end() || it->second.box == nullptr) return;
    settleLocked();
    load(number, it->second);
    it->second.box->eeprom = fresh_;
  }

  // Every pager's bytes on disk and every record of the run placed on its pager. The boxes
  // are gone by now: only what was kept of them is used.
  void settle() {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (auto& [number, slot] : slots_)
      slot.box = nullptr;
    settleLocked();
  }

  // The run's records on this ledger, oldest first (none when it cannot be read).
  std::vector<PagerRecord> records() {
    const std::lock_guard<std::mutex> lock(readerMutex_);
    try {
      // One reading connection for the run: each listing is a transaction of its own.
      if (!reader_) {
        if (!std::filesystem::exists(files_.ledger)) return {};
        reader_ = openSqliteLedger(files_.ledger, LedgerOpen::ReadOnly);
      }
      std::vector<PagerRecord> mine;
      for (PagerRecord& r : reader_->list("")) {
        if (r.station == station_ || r.station.rfind(station_ + "/", 0) == 0)
          mine.push_back(std::move(r));
      }
      return mine;
    } catch (const LedgerError&) {
      return {};
    }
  }

  // The person chose "Program again": the records made from now until recordsMapped() are
  // deliberate repeats (marked so even when the process is killed meanwhile).
  void programAgain() {
    const std::lock_guard<std::mutex> lock(mutex_);
    deliberate_ = true;
  }

  // Places the records made so far on their pagers; a "Program again" ends here.
  void recordsMapped() {
    const std::lock_guard<std::mutex> lock(mutex_);
    settleLocked();
    deliberate_ = false;
  }

  bool changed(int number) {
    const std::lock_guard<std::mutex> lock(mutex_);
    return slots_.count(number) != 0 && slots_[number].bytes != fresh_;
  }

 private:
  struct Slot {
    SimulatedProgrammer* box = nullptr;
    int pagers = 0;
    std::string file;
    Image bytes{};
  };

  void load(int number, Slot& slot) {
    ++slot.pagers;
    slot.file = files_.folder + "/pager-r" + std::to_string(run_) + "b" + std::to_string(number) +
                "p" + std::to_string(slot.pagers) + ".eep";
    slot.bytes = fresh_;
    saveBytes(slot.file, slot.bytes);
    appendLine(files_.sidecar, "pager " + slot.file + " " + std::to_string(run_));
  }

  void report(int number, std::uint8_t command, unsigned ordinal) {
    const std::lock_guard<std::mutex> lock(mutex_);
    Slot& slot = slots_[number];
    if (command == kCommandWriteBlock && slot.box != nullptr) slot.bytes = slot.box->eeprom;
    if (kill_ && kill_->box == number && kill_->command == command && kill_->ordinal == ordinal) {
      settleLocked();
      ::raise(SIGKILL);
    }
  }

  // `bytes` follow each box's EEPROM after every write report.
  void settleLocked() {
    for (auto& [number, slot] : slots_)
      saveBytes(slot.file, slot.bytes);
    for (const PagerRecord& r : records()) {
      if (!mapped_.insert(r.id).second) continue;
      const auto slot = slots_.find(boxOfStation(r.station));
      if (slot == slots_.end()) continue;
      appendLine(files_.sidecar, "record " + std::to_string(r.id) + " " + slot->second.file);
      if (deliberate_) appendLine(files_.sidecar, "deliberate " + std::to_string(r.id));
    }
  }

  const Scenario& scenario_;
  int run_;
  const ScenarioFiles& files_;
  const Image& fresh_;
  std::string station_;
  std::optional<KillPoint> kill_;
  std::mutex mutex_;
  std::map<int, Slot> slots_;
  std::set<std::int64_t> mapped_;
  bool deliberate_ = false;
  std::mutex readerMutex_;  // records() is called with and without mutex_ held
  std::unique_ptr<Ledger> reader_;
};

// What the person at a station sees and answers, written to the run's log.
class LoggedFeedback final : public Feedback {
 public:
  LoggedFeedback(std::string log, std::vector<int> answers, std::string config,
                 std::function<void()> programAgain = {})
      : log_(std::move(log)), answers_(std::move(answers)), config_(std::move(config)),
        programAgain_(std::move(programAgain)) {}
  void log(std::string_view line) override { appendLine(log_, "log: " + std::string(line)); }
  void beep() override {}
  void focus(std::string_view) override {}
  void message(std::string_view text) override {
    appendLine(log_, "message: " + std::string(text));
  }
  void errorNotice(std::string_view text) override {
    appendLine(log_, "error: " + std::string(text));
  }
  void warning(std::string_view text) override { appendLine(log_, "warning: " + std::string(text)); }
  std::optional<std::size_t> ask(const Question& question) override {
    const std::string& text = question.text;
    const std::vector<std::string>& answers = question.answers;
    const int given = answers_.empty() ? 1 : answers_[next_++ % answers_.size()];
    const std::size_t answer = std::min(static_cast<std::size_t>(given), answers.size() - 1);
    appendLine(log_, "ask: " + text + " -> " + answers.at(answer));
    if (answers.at(answer) == "Program again" && programAgain_) programAgain_();
    return answer;
  }
  std::optional<std::string> chooseFile(const FileDialogRequest&) override { return config_; }

 private:
  std::string log_;
  std::vector<int> answers_;
  std::size_t next_ = 0;
  std::string config_;
  std::function<void()> programAgain_;
};

// The batch's person: each next pager is put in at once; every line goes to the run's log.
class LoggedOperator final : public ProductionOperator {
 public:
  LoggedOperator(std::string log, Pagers& pagers, int box)
      : log_(std::move(log)), feedback_(log_, {}, ""), pagers_(pagers), box_(box) {}
  Feedback& feedback() override { return feedback_; }
  bool nextPager(int, int) override {
    pagers_.swap(box_);
    return true;
  }
  void pagerDone(const PagerReport& report) override {
    appendLine(log_, "box " + std::to_string(box_) + ": pager " + std::to_string(report.pager) +
                         " of " + std::to_string(report.count) + ": " +
                         std::string(resultName(report.result)));
  }
  void tell(std::string_view line) override {
    appendLine(log_, "tell (box " + std::to_string(box_) + "): " + std::string(line));
  }

 private:
  std::string log_;
  LoggedFeedback feedback_;
  Pagers& pagers_;
  int box_;
};

class LoggedGang final : public GangOperator {
 public:
  LoggedGang(std::string log, Pagers& pagers) : log_(std::move(log)), pagers_(pagers) {}
  std::unique_ptr<ProductionOperator> box(int number) override {
    return std::make_unique<LoggedOperator>(log_, pagers_, number);
  }
  bool nextRound(int, int lastBox) override {
    for (int box = 1; box <= lastBox; ++box)
      pagers_.swap(box);
    return true;
  }
  void tell(std::string_view line) override { appendLine(log_, "tell: " + std::string(line)); }

 private:
  std::string log_;
  Pagers& pagers_;
};

struct RunContext {
  const Scenario& scenario;
  const RunPlan& plan;
  int run;
  const ScenarioFiles& files;
  const StartupOptions& startup;
  Pagers& pagers;
  std::string log;
};

HardwareOptions boxesOf(const RunContext& c) {
  HardwareOptions hardware;
  for (int box = 1; box <= c.plan.boxes; ++box) {
    // Each box starts with a factory-fresh pager (the slot's own file is never looked at).
    const std::string slot = c.files.folder + "/slot-r" + std::to_string(c.run) + "b" +
                             std::to_string(box) + ".eep";
    std::filesystem::copy_file(c.files.folder + "/fresh.eep", slot,
                               std::filesystem::copy_options::overwrite_existing);
    hardware.simUsbImages.push_back(slot);
  }
  hardware.faults = c.plan.faults;
  hardware.onSimulatedBox = [&pagers = c.pagers](SimulatedProgrammer& box) {
    pagers.boxMade(box);
  };
  hardware.onSimulatedBoxGone = [&pagers = c.pagers](SimulatedProgrammer& box) {
    pagers.boxGone(box);
  };
  return hardware;
}

// The rows' steps as --autoinc gives them: enabled rows only (the file says which).
RowSteps stepsOf(const Scenario& scenario) {
  RowSteps steps;
  for (int row = 1; row <= kAddressRows; ++row) {
    if (scenario.rows[row].enabled) steps[static_cast<std::size_t>(row)] = scenario.rows[row].step;
  }
  return steps;
}

int runBatch(const RunContext& c) {
  BatchOptions options;
  options.file = c.files.config;
  options.count = c.plan.count;
  options.countGiven = c.plan.countGiven;
  if (c.scenario.listed()) options.capcodeList = c.files.list;
  options.revision = c.scenario.revision;
  options.production.ledger = c.files.ledger;
  options.production.station = stationOf(c.scenario, c.run);
  options.resume = c.plan.resume;
  if (c.scenario.shared()) options.production.batch = "order-" + std::to_string(c.scenario.seed);
  options.program.startup = c.startup;
  if (!c.scenario.listed()) options.steps = stepsOf(c.scenario);
  const HardwareOptions hardware = boxesOf(c);
  if (c.plan.boxes == 1) {
    options.program.hardware = hardware;
    LoggedOperator person(c.log, c.pagers, 1);
    return static_cast<int>(runProductionBatch(options, person));
  }
  std::vector<GangBox> boxes;
  for (int box = 1; box <= c.plan.boxes; ++box) {
    const std::string path = "sim:usb:" + std::to_string(box);
    boxes.push_back({path + ", SIM-" + std::to_string(box), boxHardware(hardware, box, path)});
  }
  LoggedGang person(c.log, c.pagers);
  return static_cast<int>(runGangBatch(options, boxes, person));
}

// The window: File > Open (answering the offer to continue), then one WR_To_Pager a pager,
// a fresh pager put in after every write that reached one or left a record.
int runWindow(const RunContext& c) {
  LoggedFeedback feedback(c.log, c.plan.answers, c.files.config,
                          [&pagers = c.pagers] { pagers.programAgain(); });
  ProgramOptions options;
  options.startup = c.startup;
  options.hardware = boxesOf(c);
  Program program(feedback, options);
  if (!program.start()) return 71;
  ProductionOptions ledger;
  ledger.ledger = c.files.ledger;
  ledger.station = stationOf(c.scenario, c.run);
  if (c.scenario.shared()) ledger.batch = "order-" + std::to_string(c.scenario.seed);
  WindowProduction production(program, ledger);
  ProgramState& state = program.state();
  selectRevision(state, c.scenario.revision);
  state.event([&] { state.form.userClick("Open1"); });
  // The person sets the steps, as the order says.
  const RowSteps steps = stepsOf(c.scenario);
  state.event([&] {
    for (int row = 1; row <= kAddressRows; ++row) {
      const std::string name = rowControlName("autoinc", row);
      if (!steps[static_cast<std::size_t>(row)] || !state.form.at(name).enabled) continue;
      state.form.userPick(name, *steps[static_cast<std::size_t>(row)]);
      state.form.leave(name);
    }
  });
  for (int pager = 1; pager <= c.plan.count; ++pager) {
    const std::size_t before = c.pagers.records().size();
    appendLine(c.log, "click WriteToPager");
    state.event([&] { state.form.userClick("WriteToPager"); });
    c.pagers.recordsMapped();
    const std::size_t after = c.pagers.records().size();
    if (pager < c.plan.count && (after > before || c.pagers.changed(1)))
      c.pagers.swap(1);
  }
  return 0;
}

// The run itself; its status. Its lines go to the run's log.
int play(const Scenario& scenario, int run, const ScenarioFiles& files,
         const StartupOptions& startup, const Image& freshPager) {
  const std::string log = files.runLog(run);
  int status = 70;
  Pagers pagers(scenario, run, files, freshPager);
  const RunPlan& plan = scenario.runs.at(static_cast<std::size_t>(run - 1));
  const RunContext context{scenario, plan, run, files, startup, pagers, log};
  try {
    status = plan.kind == RunKind::Window ? runWindow(context) : runBatch(context);
  } catch (const std::exception& e) {
    appendLine(log, std::string("escaped: ") + e.what());
  }
  pagers.settle();
  appendLine(log, "end: " + std::to_string(status));
  return status;
}

// A run that may be killed plays in a child process, which kills itself at the planned report.
[[noreturn]] void child(const Scenario& scenario, int run, const ScenarioFiles& files,
                        const StartupOptions& startup, const Image& freshPager) {
  ::alarm(kRunSeconds);
  const std::string log = files.runLog(run);
  const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (fd >= 0) {
    ::dup2(fd, 1);
    ::dup2(fd, 2);
    ::close(fd);
  }
  const int status = play(scenario, run, files, startup, freshPager);
  std::fflush(nullptr);
  ::_exit(status);
}

}  // namespace

RunEnd playRun(const Scenario& scenario, int run, const ScenarioFiles& files,
               const StartupOptions& startup, const Image& freshPager) {
  RunEnd end;
  if (!scenario.runs.at(static_cast<std::size_t>(run - 1)).kill) {
    // Nothing kills it: played in this process, which saves a process's start-up.
    end.status = play(scenario, run, files, startup, freshPager);
    return end;
  }
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) child(scenario, run, files, startup, freshPager);
  if (pid < 0) {
    end.crashed = true;
    return end;
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) {
    end.status = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL &&
             scenario.runs.at(static_cast<std::size_t>(run - 1)).kill) {
    end.killed = true;
  } else if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) {
    end.hung = true;
  } else {
    end.crashed = true;
  }
  return end;
}

}  // namespace capcode::sim
