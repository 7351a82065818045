// The window's production through the window model: every WR_To_Pager recorded in a ledger on
// the station's disk, refusals, "Program again", carrying on after a restart, --no-ledger and a
// ledger that cannot record. No toolkit and no command line: the program, a simulated box and
// the ledger.

#include "production/window_production.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <filesystem>
#include <functional>

#include "app/program.hpp"
#include "ledger/sql_ledger.hpp"
#include "production/batch_plan.hpp"
#include "support/gated_ledger.hpp"
#include "ledger/sqlite_ledger.hpp"
#include "support/postgres.hpp"
#include "support/recording_feedback.hpp"
#include "support/temp_folder.hpp"

namespace capcode {
namespace {

using test::TempFolder;

// What the window shows in its log and notices, in order (warnings told apart; focus moves and
// the progress dialog left out), and how its questions and file dialogs are answered.
class WindowFeedback final : public testing::RecordingFeedback {
 public:
  void focus(std::string_view) override {}
  void progressShown(std::string_view) override {}
  void progressCaption(std::string_view) override {}
  void progressHidden() override {}
  void warning(std::string_view text) override {
    events.push_back("warning: " + std::string(text));
  }
  std::optional<std::size_t> ask(const Question& question) override {
    events.push_back("ask: " + question.text);
    asked.push_back(question.answers);
    questions.push_back(question);
    if (replies.empty()) return std::nullopt;
    const std::size_t reply = replies.front();
    replies.pop_front();
    return reply;
  }
  bool shown(const std::string& prefix) const {
    return std::any_of(events.begin(), events.end(),
                       [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
  }
  bool mentioned(const std::string& text) const {
    return std::any_of(events.begin(), events.end(),
                       [&](const std::string& e) { return e.find(text) != std::string::npos; });
  }

  std::vector<std::vector<std::string>> asked;
  std::vector<Question> questions;
  std::deque<std::size_t> replies;  // the buttons chosen for the next questions
};

class WindowProductionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A configuration file as File > Save writes it, on a pager image.
    auto first = start({});
    feedback.answer = config;
    first->state().event([&] { first->state().form.userClick("Save1"); });
    std::filesystem::copy_file(config, pager);
    ledgerOptions.ledger = ledger;
    ledgerOptions.station = "bench-1";
  }

  std::unique_ptr<Program> start(std::vector<std::string> faults) {
    ProgramOptions options;
    options.startup = startupOptionsFor(std::string(CAPCODE_SOURCE_DATA_DIR), '.');
    if (std::filesystem::exists(pager)) options.hardware.simUsbImage = pager;
    options.hardware.faults = std::move(faults);
    options.hardware.offline = !options.hardware.simUsbImage;
    auto program = std::make_unique<Program>(feedback, options);
    EXPECT_TRUE(program->start());
    feedback.events.clear();
    return program;
  }
  void open(Program& program) {
    feedback.answer = config;
    program.state().event([&] { program.state().form.userClick("Open1"); });
  }
  void step(Program& program, int row, int step) {
    FormModel& form = program.state().form;
    program.state().event([&] {
      form.userPick(rowControlName("autoinc", row), step);
      form.leave(rowControlName("autoinc", row));
    });
  }
  void write(Program& program) {
    program.state().event([&] { program.state().form.userClick("WriteToPager"); });
  }
  void setCapcode(Program& program, int row, const std::string& capcode) {
    program.state().event([&] {
      program.state().form.setText(rowControlName("address", row), capcode);
      program.state().form.leave(rowControlName("address", row));
    });
  }
  // A window on the ledger with the file opened and row 1 stepping by 1, after `pagers` writes.
  struct Bench {
    std::unique_ptr<Program> program;
    std::unique_ptr<WindowProduction> production;  // closed before its program
  };
  Bench bench(int pagers) {
    Bench b{start({}), nullptr};
    b.production = std::make_unique<WindowProduction>(*b.program, ledgerOptions);
    open(*b.program);
    step(*b.program, 1, 1);
    for (int k = 0; k < pagers; ++k)
      write(*b.program);
    return b;
  }
  // Two windows on batch order-17 write in turn; each pager gets the next set.
  void twoWindowsAlternate(const std::function<std::vector<PagerRecord>()>& list) {
    ledgerOptions.batch = "order-17";
    auto first = start({});
    WindowProduction one(*first, ledgerOptions);
    open(*first);
    step(*first, 1, 1);
    ProductionOptions other = ledgerOptions;
    other.station = "bench-2";
    auto second = start({});
    WindowProduction two(*second, other);
    open(*second);
    step(*second, 1, 1);
    EXPECT_EQ(one.status().batch, "order-17");
    for (const auto& [program, set] : {std::pair{first.get(), 0}, std::pair{second.get(), 1},
                                       std::pair{first.get(), 2}, std::pair{second.get(), 3}}) {
      write(*program);
      const std::string capcode = std::to_string(2004000 + set);
      EXPECT_EQ(program->state().form.text("address1"), capcode) << "the set written is shown";
      EXPECT_TRUE(feedback.shown("log: Ledger: this pager takes set " + std::to_string(set) +
                                 " of batch order-17 (1=" + capcode + " 2=2004008"))
          << set;
    }
    EXPECT_EQ(writes(), 4);
    const auto records = list();
    ASSERT_EQ(records.size(), 4u);
    for (int k = 0; k < 4; ++k) {
      const PagerRecord& r = records[static_cast<std::size_t>(k)];
      EXPECT_EQ(r.batch, "order-17");
      EXPECT_EQ(r.setIndex, k);
      EXPECT_EQ(r.result, PagerResult::Verified);
      EXPECT_EQ(r.station, k % 2 == 0 ? "bench-1" : "bench-2");
      EXPECT_EQ(r.addresses[0].capcode, 2004000 + k);
      EXPECT_EQ(r.imageSha256.size(), 64u);
    }
  }
  std::vector<PagerRecord> records() {
    return openSqliteLedger(ledger, LedgerOpen::ExistingOnly)->list("");
  }
  int writes() const {
    return static_cast<int>(
        std::count(feedback.events.begin(), feedback.events.end(), "log: Write to Pager..."));
  }

  TempFolder folder;
  const std::string config = folder / "config.eep";
  const std::string pager = folder / "pager.eep";
  const std::string ledger = folder / "ledger.sqlite3";
  WindowFeedback feedback;
  ProductionOptions ledgerOptions;
};

TEST_F(WindowProductionTest, AWriteIsRecordedAsVerifiedWithItsRoles) {
  auto [program, production] = bench(1);
  EXPECT_EQ(program->state().form.text("address1"), "2004001");
  const auto list = records();
  ASSERT_EQ(list.size(), 1u);
  const PagerRecord& r = list[0];
  EXPECT_EQ(r.result, PagerResult::Verified);
  EXPECT_EQ(r.station, "bench-1");
  EXPECT_EQ(r.configPath, std::filesystem::absolute(config).string());
  EXPECT_EQ(r.configSha256.size(), 64u);
  EXPECT_EQ(r.imageSha256.size(), 64u);
  EXPECT_FALSE(r.finished.empty());
  ASSERT_EQ(r.addresses.size(), 8u);
  EXPECT_EQ(r.addresses[0].capcode, 2004000);
  EXPECT_EQ(r.addresses[0].role, AddressRole::Individual);
  for (std::size_t row = 1; row < 8; ++row)
    EXPECT_EQ(r.addresses[row].role, AddressRole::Shared) << row + 1;
  production->awaitCount();
  const ProductionStatus status = production->status();
  EXPECT_EQ(status.ledger, ledger);
  EXPECT_EQ(status.verifiedToday, 1);
  EXPECT_EQ(status.lastCapcodes.rfind("1=2004000 2=2004008", 0), 0u) << status.lastCapcodes;
  EXPECT_TRUE(status.problem.empty());
  EXPECT_EQ(production->records("", "").size(), 1u);
  EXPECT_TRUE(production->records("other", "").empty());
}

// The record is started before the transfer: a box that goes away mid-write leaves a record
// that keeps its capcodes, and the next pager with them is refused.
TEST_F(WindowProductionTest, AFaultMidWriteKeepsTheCapcodes) {
  std::vector<PagerRecord> list;
  {
    auto program = start({"write:40:unplug"});
    WindowProduction production(*program, ledgerOptions);
    step(*program, 1, 1);
    write(*program);
    list = records();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].result, PagerResult::Interrupted);
    EXPECT_EQ(program->state().form.text("address1"), "2004000") << "no advance";
  }
  // The box is gone: another one.
  auto again = start({});
  WindowProduction second(*again, ledgerOptions);
  step(*again, 1, 1);
  feedback.replies = {1};  // Cancel
  write(*again);
  EXPECT_EQ(writes(), 0);
  EXPECT_TRUE(
      feedback.shown("log: Ledger: capcode 2004000 of row 1 is already on a pager whose "
                     "write ended \"interrupted\", written " +
                     localTimeText(list[0].started) + " on station bench-1 (record 1)"));
  EXPECT_EQ(records().size(), 1u);
}

TEST_F(WindowProductionTest, ARefusalWritesNothingAndProgramAgainWritesAndRecords) {
  auto program = start({});
  WindowProduction production(*program, ledgerOptions);
  step(*program, 1, 1);
  write(*program);
  setCapcode(*program, 1, "2004000");
  feedback.events.clear();
  feedback.replies = {1};  // Cancel
  write(*program);
  EXPECT_EQ(writes(), 0);
  const std::string started = localTimeText(records()[0].started);
  const std::vector<std::string> expected = {
      "log: Ledger: capcode 2004000 of row 1 is already on a verified pager, written " + started +
          " on station bench-1 (record 1)",
      "beep",
      "ask: The pager was not written: capcode 2004000 of row 1 is already on a verified pager "
      "(record 1, written " +
          started + " on station bench-1).\nProgram it again only for a returned pager."};
  EXPECT_EQ(feedback.events, expected);
  ASSERT_EQ(feedback.asked.size(), 1u);
  EXPECT_EQ(feedback.asked[0], (std::vector<std::string>{"Program again", "Cancel"}));
  EXPECT_EQ(feedback.questions[0].safeAnswer, 1u) << "Enter and Escape answer Cancel";
  EXPECT_EQ(feedback.questions[0].tone, QuestionTone::Warning);
  EXPECT_EQ(records().size(), 1u);

  // Closed without an answer (Escape, the title bar): nothing written either.
  feedback.replies.clear();
  write(*program);
  EXPECT_EQ(writes(), 0);
  EXPECT_EQ(records().size(), 1u);

  feedback.events.clear();
  feedback.replies = {0};  // Program again: a returned pager
  write(*program);
  EXPECT_EQ(writes(), 1);
  EXPECT_TRUE(feedback.shown("log: Verify OK !"));
  const auto list = records();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].result, PagerResult::Verified);
  EXPECT_EQ(list[1].addresses[0].capcode, 2004000);
}

// A pager whose write never completed (its station died): nobody knows what it holds, so the
// window points to settling the record and offers nothing else.
TEST_F(WindowProductionTest, AnUnfinishedHolderPointsToResolve) {
  {
    auto l = openSqliteLedger(ledger);
    PagerRecord dying;
    dying.host = dying.station = "bench-7";
    dying.started = "2026-12-09T10:01:02.345Z";
    dying.addresses = {{1, 2004000, true, AddressRole::Individual}};
    ASSERT_FALSE(l->beginAttempt(dying, false));
  }
  auto program = start({});
  WindowProduction production(*program, ledgerOptions);
  write(*program);
  EXPECT_EQ(writes(), 0);
  EXPECT_TRUE(feedback.asked.empty());
  EXPECT_TRUE(feedback.shown(
      "warning: The pager was not written: capcode 2004000 of row 1 is held by an unfinished "
      "record (record 1, unfinished since " +
      localTimeText("2026-12-09T10:01:02.345Z") +
      " on station bench-7).\n"
      "Nobody knows yet what that pager holds: check that pager, then settle the record with "
      "capcode ledger resolve 1 verified|not-written."));
}

TEST_F(WindowProductionTest, AfterARestartTheNextPagerContinuesAfterTheLast) {
  bench(2);  // that window closed
  for (const auto& [reply, capcode, step] :
       {std::tuple{0, "2004002", 1}, std::tuple{1, "2004000", 0}}) {
    auto program = start({});
    WindowProduction production(*program, ledgerOptions);
    feedback.replies = {static_cast<std::size_t>(reply)};
    open(*program);
    EXPECT_TRUE(
        feedback.shown("log: Ledger: 2 pagers verified from this configuration, the "
                       "highest set 1 (record 2, 1=2004001 2=2004008"));
    EXPECT_TRUE(
        feedback.mentioned("on station bench-1); the next pager would get 1=2004002 2=2004008"));
    ASSERT_EQ(feedback.asked.size(), 1u);
    EXPECT_EQ(feedback.asked[0],
              (std::vector<std::string>{"Continue after the last", "Keep the file's capcodes"}));
    EXPECT_EQ(program->state().form.text("address1"), capcode);
    EXPECT_EQ(program->state().form.index("autoinc1"), step);
    feedback.asked.clear();
  }
}

// A returned pager programmed again is the newest record, not the order's highest set: the
// offer still carries on after the highest set, never with a capcode a pager holds.
TEST_F(WindowProductionTest, TheRestartOfferFollowsTheHighestSetNotTheNewestRecord) {
  {
    auto [program, production] = bench(3);
    setCapcode(*program, 1, "2004000");
    feedback.replies = {0};  // "Program again": the returned pager holding set 0
    write(*program);
  }
  ASSERT_EQ(records().size(), 4u);
  auto program = start({});
  WindowProduction production(*program, ledgerOptions);
  feedback.replies = {0};
  open(*program);
  EXPECT_TRUE(feedback.mentioned("the next pager would get 1=2004003 2=2004008"));
  EXPECT_EQ(program->state().form.text("address1"), "2004003");
}

// A ledger that counts how often it is read (its tally reads through its listing).
class CountingLedger final : public MemoryLedger {
 public:
  std::vector<PagerRecord> list(std::string_view since) override {
    ++lists;
    return MemoryLedger::list(since);
  }
  LedgerTally tally(std::string_view since) override {
    ++tallies;
    return MemoryLedger::tally(since);
  }
  // Counted on the ledger's thread, read on the test's.
  std::atomic<int> lists = 0;
  std::atomic<int> tallies = 0;
};

// The status line's figures are counted once after each write and each File > Open (and when
// asked again); clicks that write nothing, and reading the status, do not count them again (a
// read asks the ledger once, which pager it is).
TEST_F(WindowProductionTest, OnlyWritesAndOpeningCountTheDayAgain) {
  auto program = start({});
  auto owned = std::make_unique<CountingLedger>();
  CountingLedger& ledgerRead = *owned;
  WindowProduction production(*program, ledgerOptions, std::move(owned), "counted");
  production.awaitCount();
  EXPECT_EQ(ledgerRead.tallies, 1);
  step(*program, 1, 1);
  write(*program);
  production.awaitCount();
  EXPECT_EQ(ledgerRead.tallies, 2);
  ProductionStatus status = production.status();
  EXPECT_EQ(status.ledger, "counted");
  EXPECT_EQ(status.verifiedToday, 1);
  EXPECT_EQ(status.lastCapcodes.rfind("1=2004000 2=2004008", 0), 0u) << status.lastCapcodes;
  write(*program);
  production.awaitCount();
  status = production.status();
  EXPECT_EQ(status.verifiedToday, 2);
  EXPECT_EQ(status.lastCapcodes.rfind("1=2004001 2=2004008", 0), 0u) << status.lastCapcodes;
  EXPECT_TRUE(status.problem.empty());

  const int tallies = ledgerRead.tallies;
  const int lists = ledgerRead.lists;
  step(*program, 2, 1);
  setCapcode(*program, 3, "2005000");
  program->state().event([&] { program->state().form.userClick("ReadFromPager"); });
  production.awaitCount();
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(production.status().verifiedToday, 2);
  EXPECT_EQ(ledgerRead.tallies, tallies);
  EXPECT_EQ(ledgerRead.lists, lists + 1) << "the read's one question: which pager is this";

  open(*program);
  production.awaitCount();
  EXPECT_EQ(ledgerRead.tallies, tallies + 1);
  production.refreshStatus();
  production.awaitCount();
  EXPECT_EQ(ledgerRead.tallies, tallies + 2);
}

TEST_F(WindowProductionTest, NoLedgerWritesAsBeforeAndRecordsNothing) {
  ::setenv("XDG_DATA_HOME", folder.path().c_str(), 1);
  auto program = start({});
  ProductionOptions none;
  none.noLedger = true;
  WindowProduction production(*program, none);
  write(*program);
  write(*program);
  EXPECT_EQ(writes(), 2);
  EXPECT_EQ(production.status().ledger, "no ledger");
  EXPECT_FALSE(std::filesystem::exists(folder / "capcode"));
  EXPECT_TRUE(production.records("", "").empty());
}

TEST_F(WindowProductionTest, ALedgerThatCannotRecordRefusesEveryWrite) {
  test::writeBytes(ledger, std::vector<std::uint8_t>(4096, 'x'));
  const auto before = test::fileBytes(pager);
  auto program = start({});
  WindowProduction production(*program, ledgerOptions);
  production.awaitCount();
  EXPECT_FALSE(production.status().problem.empty());
  write(*program);
  write(*program);
  EXPECT_EQ(writes(), 0);
  EXPECT_EQ(std::count_if(feedback.events.begin(), feedback.events.end(),
                          [](const std::string& e) {
                            return e.rfind(
                                       "warning: The pager was not written: the ledger "
                                       "cannot record it",
                                       0) == 0;
                          }),
            2);
  program->finish();
  EXPECT_EQ(test::fileBytes(pager), before);
}

// Two windows on one shared batch take the batch's sets in turn from the ledger: set k is the
// file's rows advanced k times, whatever each window's own rows advanced to.
TEST_F(WindowProductionTest, TwoWindowsOnOneBatchTakeConsecutiveSets) {
  twoWindowsAlternate([this] { return records(); });
}

// The same on the stations' server.
TEST_F(WindowProductionTest, TwoWindowsOnOneBatchTakeConsecutiveSetsOnAServer) {
  CAPCODE_FRESH_DATABASE_OR_SKIP(database);
  ledgerOptions.ledger = database;
  twoWindowsAlternate([&] { return openPostgresLedger(database)->list(""); });
}

// A connection the server dropped (a restart, an idle limit) is replaced at the next write: the
// first Alt+W after the server is back writes its pager.
TEST_F(WindowProductionTest, ADroppedServerConnectionIsReplacedAtTheNextWrite) {
  CAPCODE_FRESH_DATABASE_OR_SKIP(database);
  ledgerOptions.ledger = database;
  auto [program, production] = bench(1);
  PGconn* pg = PQconnectdb(database.c_str());
  ASSERT_EQ(PQstatus(pg), CONNECTION_OK) << PQerrorMessage(pg);
  PGresult* dropped = PQexec(pg,
                             "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE "
                             "datname = current_database() AND pid <> pg_backend_pid()");
  EXPECT_EQ(PQresultStatus(dropped), PGRES_TUPLES_OK) << PQerrorMessage(pg);
  PQclear(dropped);
  PQfinish(pg);
  write(*program);
  EXPECT_EQ(writes(), 2);
  const auto records = openPostgresLedger(database)->list("");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].result, PagerResult::Verified);
  EXPECT_EQ(records[1].addresses[0].capcode, 2004001);
}

// A write that reached nothing gives its set back: the next pager takes it again.
TEST_F(WindowProductionTest, ASetGivenBackIsTakenAgain) {
  ledgerOptions.batch = "order-17";
  std::filesystem::rename(pager, folder / "away.eep");  // no box on the first write
  auto offline = start({});
  {
    WindowProduction production(*offline, ledgerOptions);
    open(*offline);
    step(*offline, 1, 1);
    write(*offline);
  }
  auto list = records();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].setIndex, 0);
  EXPECT_FALSE(holdsCapcodes(list[0].result)) << resultName(list[0].result);
  std::filesystem::rename(folder / "away.eep", pager);
  auto [program, production] = bench(2);
  list = records();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[1].setIndex, 0);
  EXPECT_EQ(list[1].result, PagerResult::Verified);
  EXPECT_EQ(list[2].setIndex, 1);
  EXPECT_EQ(program->state().form.text("address1"), "2004001");
}

// A station on the batch with another configuration, other steps, or none opened writes
// nothing: one log line, a beep and the notice with the ledger's reason.
TEST_F(WindowProductionTest, AStationUnlikeTheBatchIsRefused) {
  ledgerOptions.batch = "order-17";
  bench(1);  // that window closed
  ASSERT_EQ(records().size(), 1u);
  const std::string changed = folder / "changed.eep";
  {
    auto program = start({});
    feedback.answer = changed;
    program->state().event([&] {
      program->state().form.setText("address1", "2005000");
      program->state().form.leave("address1");
      program->state().form.userClick("Save1");
    });
  }
  const auto before = test::fileBytes(pager);
  struct Case {
    const char* name;
    std::string file;  // opened before the write; empty for none
    int step;
    std::string reason;
  };
  for (const Case& c : {Case{"other configuration", changed, 1, "configuration"},
                        Case{"other steps", config, 2, "steps"},
                        Case{"nothing opened", "", 1, "open it with File > Open first"}}) {
    auto program = start({});
    WindowProduction production(*program, ledgerOptions);
    if (!c.file.empty()) {
      feedback.answer = c.file;
      program->state().event([&] { program->state().form.userClick("Open1"); });
    }
    step(*program, 1, c.step);
    feedback.events.clear();
    write(*program);
    EXPECT_EQ(writes(), 0) << c.name;
    ASSERT_EQ(feedback.events.size(), 3u) << c.name;
    EXPECT_EQ(feedback.events[0].rfind("log: Ledger: ", 0), 0u) << feedback.events[0];
    EXPECT_NE(feedback.events[0].find(c.reason), std::string::npos) << feedback.events[0];
    EXPECT_EQ(feedback.events[1], "beep");
    EXPECT_EQ(feedback.events[2].rfind("warning: The pager was not written: ", 0), 0u)
        << feedback.events[2];
    program->finish();
    EXPECT_EQ(test::fileBytes(pager), before) << c.name;
  }
  EXPECT_EQ(records().size(), 1u);
}

// A slow ledger: the person cancels while it answers the capcodes' check, or while it makes
// the record. Nothing is written either way; a record made before the cancel gives its
// capcodes back.
TEST_F(WindowProductionTest, ACancelWhileTheLedgerAnswersWritesNothing) {
  const struct {
    const char* during;
    bool recorded;
  } cases[] = {{"checking the capcodes", false}, {"recording the pager", true}};
  for (const auto& c : cases) {
    auto program = start({});
    auto owned = std::make_unique<test::GatedLedger>(std::chrono::milliseconds(60));
    Ledger& ledgerRead = *owned;
    WindowProduction production(*program, ledgerOptions, std::move(owned), "slow");
    production.setWaitHook([&](const LedgerWait& wait) {
      if (!wait.over && std::string_view(wait.what) == c.during) production.cancelWrite();
    });
    write(*program);
    EXPECT_EQ(writes(), 0) << c.during;
    EXPECT_TRUE(feedback.mentioned(
        "log: Ledger: cancelled while the ledger answered; the pager was not written"))
        << c.during;
    EXPECT_FALSE(feedback.mentioned("warning:")) << "the person asked for it";
    const std::vector<PagerRecord> made = ledgerRead.list("");
    ASSERT_EQ(made.size(), c.recorded ? 1u : 0u) << c.during;
    if (c.recorded) EXPECT_EQ(made[0].result, PagerResult::NotWritten);
    EXPECT_FALSE(ledgerRead.conflictWith(currentAddresses(program->state()))) << c.during;
    feedback.events.clear();
  }
}

// A ledger that stops answering, and answers again.
class DownLedger final : public MemoryLedger {
 public:
  std::atomic<bool> down = false;
  std::atomic<int> tallies = 0;
  LedgerTally tally(std::string_view since) override {
    ++tallies;
    if (down) throw LedgerError("the connection to the server was lost");
    return MemoryLedger::tally(since);
  }

 protected:
  std::vector<Holding> holdings(std::int32_t capcode) override {
    if (down) throw LedgerError("the connection to the server was lost");
    return MemoryLedger::holdings(capcode);
  }
};

// The status line's counts pause while the ledger is known to be unreachable; the next write
// tries it again, and once it answers the counts go on.
TEST_F(WindowProductionTest, CountsPauseWhileTheLedgerIsUnreachable) {
  auto program = start({});
  auto owned = std::make_unique<DownLedger>();
  DownLedger& server = *owned;
  server.down = true;
  WindowProduction production(*program, ledgerOptions, std::move(owned), "server");
  production.awaitCount();
  EXPECT_EQ(production.status().problem, "the connection to the server was lost");
  EXPECT_TRUE(production.ledgerUnreachable());
  for (int i = 0; i < 3; ++i) production.refreshStatus();
  production.awaitCount();
  EXPECT_EQ(server.tallies, 1);
  write(*program);
  production.awaitCount();
  EXPECT_EQ(writes(), 0);
  EXPECT_EQ(server.tallies, 1) << "the write found it unreachable still";
  server.down = false;
  write(*program);
  production.awaitCount();
  EXPECT_EQ(writes(), 1);
  EXPECT_EQ(server.tallies, 2);
  EXPECT_TRUE(production.status().problem.empty());
  EXPECT_EQ(production.status().verifiedToday, 1);
}

// The ledger's work on the window's thread stays within 20 ms of a write on SQLite.
TEST_F(WindowProductionTest, TheLedgerAddsLittleToAWrite) {
#ifdef CAPCODE_SANITIZED
  GTEST_SKIP() << "timings mean nothing under the sanitizers";
#endif
  auto program = start({});
  WindowProduction production(*program, ledgerOptions);
  step(*program, 1, 1);
  std::vector<double> millis;
  for (int i = 0; i < 7; ++i) {
    write(*program);
    millis.push_back(production.status().lastWriteLedgerMillis);
  }
  EXPECT_EQ(records().size(), 7u);
  std::sort(millis.begin(), millis.end());
  std::printf("window_ledger_ms_median: %.3f\n", millis[millis.size() / 2]);
  EXPECT_GT(millis.front(), 0.0);
  EXPECT_LT(millis[millis.size() / 2], 20.0);
}

}  // namespace
}  // namespace capcode
