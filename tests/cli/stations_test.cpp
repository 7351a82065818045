// Several stations on one batch of pagers, as separate processes of the real tool, each with
// its own simulated programmer box, sharing one ledger: PostgreSQL, and the single-station
// SQLite ledger held to the same behaviour.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "cli/commands.hpp"
#include "ledger/sql_ledger.hpp"
#include "ledger/sqlite_ledger.hpp"
#include "support/postgres.hpp"
#include "support/startup_configuration.hpp"
#include "support/temp_folder.hpp"

extern char** environ;

namespace capcode {
namespace {

using test::TempFolder;
using Clock = std::chrono::steady_clock;

// One station: the real tool in its own process, Enter given through a pipe.
class Station {
 public:
  Station(std::vector<std::string> args, const std::string& output) {
    ::signal(SIGPIPE, SIG_IGN);  // a station that stopped early no longer reads its Enter keys
    args.insert(args.begin(), CAPCODE_TOOL);
    std::vector<char*> argv;
    for (std::string& a : args)
      argv.push_back(a.data());
    argv.push_back(nullptr);
    int ends[2];
    EXPECT_EQ(::pipe(ends), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[0], 0);
    posix_spawn_file_actions_addclose(&actions, ends[1]);
    posix_spawn_file_actions_addopen(&actions, 1, (output + ".out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, (output + ".err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_EQ(posix_spawn(&pid_, CAPCODE_TOOL, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[0]);
    input_ = ends[1];
    output_ = output;
  }
  ~Station() {
    if (input_ >= 0) ::close(input_);
    if (pid_ > 0 && !done_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  void enter(int times) {
    const std::string keys(static_cast<std::size_t>(times), '\n');
    EXPECT_EQ(::write(input_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }
  void endInput() {
    ::close(input_);
    input_ = -1;
  }
  // The exit status, or -signal.
  int wait() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    done_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }
  void kill() { ::kill(pid_, SIGKILL); }
  std::string out() const { return read(output_ + ".out"); }
  std::string err() const { return read(output_ + ".err"); }

 private:
  static std::string read(const std::string& path) {
    const auto bytes = test::fileBytes(path);
    return {bytes.begin(), bytes.end()};
  }
  pid_t pid_ = 0;
  int input_ = -1;
  bool done_ = false;
  std::string output_;
};

struct Backend {
  const char* name;
  bool server;
};

class Stations : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    if (GetParam().server) {
      std::string why;
      const auto server = test::postgresServer(why);
      if (!server) GTEST_SKIP() << why;
      ledger = test::freshDatabase(*server);
    } else {
      ledger = folder / "ledger.sqlite3";
    }
    // Rows 1 and 2 far from the others: a batch of thousands never meets them.
    ASSERT_TRUE(test::saveStartup(
        config, "set address1 2010000\nleave address1\nset address2 2020000\nleave address2\n"));
  }

  std::unique_ptr<Station> station(const std::string& name, int count,
                                   std::vector<std::string> extra = {}) {
    extra.insert(extra.begin(),
                 {"--count", std::to_string(count), "--autoinc", "1=1", "--autoinc", "2=1"});
    return spawn(name, extra);
  }
  // A station of batch order-17 with a pager of its own, given `extra`.
  std::unique_ptr<Station> spawn(const std::string& name, const std::vector<std::string>& extra) {
    const std::string pager = folder / (name + ".eep");
    std::filesystem::copy_file(config, pager, std::filesystem::copy_options::overwrite_existing);
    std::vector<std::string> args{"write",    config, "--batch",   "order-17", "--sim-usb",  pager,
                                  "--ledger", ledger, "--station", name,       "--data-dir", kData};
    args.insert(args.end(), extra.begin(), extra.end());
    return std::make_unique<Station>(args, folder / name);
  }
  std::vector<PagerRecord> records() {
    if (GetParam().server) return openPostgresLedger(ledger)->list("");
    return openSqliteLedger(ledger, LedgerOpen::ExistingOnly)->list("");
  }
  std::vector<PagerRecord> waitForRecords(std::size_t count) {
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    std::vector<PagerRecord> list;
    while (Clock::now() < deadline) {
      try {
        list = records();
      } catch (const LedgerError&) {
      }
      if (list.size() >= count) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return list;
  }

  const std::string& kData = test::kSourceData;
  TempFolder folder;
  const std::string config = folder / "config.eep";
  std::string ledger;
};

TEST_P(Stations, FourStationsShareOneBatchWithoutRepeatingACapcode) {
  std::vector<std::unique_ptr<Station>> stations;
  for (int s = 1; s <= 4; ++s) {
    stations.push_back(station("s" + std::to_string(s), 10));
    stations.back()->enter(9);
  }
  for (auto& s : stations) {
    EXPECT_EQ(s->wait(), 0) << s->err();
  }
  const auto list = records();
  ASSERT_EQ(list.size(), 40u);
  std::set<int> sets;
  std::set<std::int32_t> individual;
  std::set<std::string> stationNames;
  for (const PagerRecord& r : list) {
    EXPECT_EQ(r.result, PagerResult::Verified);
    EXPECT_FALSE(r.finished.empty()) << "every record complete";
    EXPECT_EQ(r.batch, "order-17");
    EXPECT_EQ(r.imageSha256.size(), 64u);
    sets.insert(r.setIndex);
    stationNames.insert(r.station);
    ASSERT_EQ(r.addresses.size(), 8u);
    EXPECT_EQ(r.addresses[0].capcode, 2010000 + r.setIndex);
    EXPECT_EQ(r.addresses[1].capcode, 2020000 + r.setIndex);
    individual.insert(r.addresses[0].capcode);
    individual.insert(r.addresses[1].capcode);
    for (int row = 3; row <= 8; ++row) {
      EXPECT_EQ(r.addresses[static_cast<std::size_t>(row - 1)].capcode,
                list[0].addresses[static_cast<std::size_t>(row - 1)].capcode)
          << "the shared rows are the same on every pager";
    }
  }
  EXPECT_EQ(sets.size(), 40u);
  EXPECT_EQ(*sets.rbegin(), 39) << "sets 0..39, none twice";
  EXPECT_EQ(individual.size(), 80u);
  EXPECT_EQ(stationNames.size(), 4u);
}

TEST_P(Stations, AKilledStationsSetIsNeverHandedOutAgainUntilSettled) {
  // A box that keeps real time: its silence holds the station mid-write until it is killed.
  auto dying = station("dying", 1, {"--sim-fault", "write:10:silent", "--sim-report-ms", "1"});
  auto started = waitForRecords(1);
  ASSERT_EQ(started.size(), 1u);
  dying->kill();
  EXPECT_LT(dying->wait(), 0);
  const std::int64_t lost = started[0].id;

  auto next = station("next", 3);
  next->enter(2);
  ASSERT_EQ(next->wait(), 0) << next->err();
  auto list = records();
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0].result, PagerResult::Started);
  EXPECT_EQ(list[0].setIndex, 0);
  for (std::size_t i = 1; i < 4; ++i)
    EXPECT_EQ(list[i].setIndex, static_cast<int>(i));

  std::istringstream none;
  std::ostringstream out;
  std::ostringstream err;
  CommandIo io{none, out, err, false};
  ASSERT_EQ(runCapcode({"ledger", "--ledger", ledger, "--unfinished"}, io), 0) << err.str();
  EXPECT_NE(out.str().find(" dying "), std::string::npos) << out.str();
  EXPECT_EQ(out.str().find(" next "), std::string::npos);
  // After a person checked the pager: nothing reached it, the set goes back to the batch.
  ASSERT_EQ(runCapcode({"ledger", "--ledger", ledger, "resolve", std::to_string(lost),
                        "not-written", "--force"},
                       io),
            0)
      << err.str();
  auto again = station("again", 1);
  ASSERT_EQ(again->wait(), 0) << again->err();
  list = records();
  ASSERT_EQ(list.size(), 5u);
  EXPECT_EQ(list[0].result, PagerResult::NotWritten);
  EXPECT_EQ(list[4].setIndex, 0);
}

TEST_P(Stations, StationsThatDisagreeOnTheBatchAreRefused) {
  auto first = station("first", 1);
  ASSERT_EQ(first->wait(), 0) << first->err();
  auto steps = station("steps", 1, {"--autoinc", "3=1"});
  EXPECT_EQ(steps->wait(), 3);
  EXPECT_NE(steps->err().find("batch order-17 was started with the steps 1,1,0,0,0,0,0,0, not "
                              "1,1,1,0,0,0,0,0"),
            std::string::npos)
      << steps->err();
  const std::string other = folder / "other.eep";
  std::filesystem::copy_file(folder / "first.eep", other);  // the written pager: another file
  auto file = std::make_unique<Station>(
      std::vector<std::string>{"write", other, "--batch", "order-17", "--autoinc", "1=1",
                               "--autoinc", "2=1", "--sim-usb", folder / "first.eep", "--ledger",
                               ledger, "--data-dir", kData},
      folder / "file");
  EXPECT_EQ(file->wait(), 3);
  EXPECT_NE(file->err().find("was started from another configuration file"), std::string::npos)
      << file->err();
  EXPECT_EQ(records().size(), 1u) << "nothing recorded, nothing written";
}

// A list of `count` pagers naming row 1 (2030000 + 24 k on line k + 2) and a subscriber.
std::string listOf(const TempFolder& folder, const std::string& name, int count, int first) {
  std::string text = "subscriber,row1\n";
  for (int k = 0; k < count; ++k)
    text += "S" + std::to_string(k + 2) + "," + std::to_string(first + 24 * k) + "\n";
  test::writeBytes(folder / name, std::vector<std::uint8_t>(text.begin(), text.end()));
  return folder / name;
}

TEST_P(Stations, TwoStationsShareOneListTakingDistinctLines) {
  const std::string list = listOf(folder, "order-17.csv", 12, 2030000);
  auto a = spawn("a", {"--capcodes", list, "--count", "6"});
  auto b = spawn("b", {"--capcodes", list, "--count", "6"});
  a->enter(5);
  b->enter(5);
  ASSERT_EQ(a->wait(), 0) << a->err();
  ASSERT_EQ(b->wait(), 0) << b->err();
  const auto records = this->records();
  ASSERT_EQ(records.size(), 12u);
  std::set<int> lines;
  std::set<std::string> stationNames;
  for (const PagerRecord& r : records) {
    EXPECT_EQ(r.result, PagerResult::Verified);
    EXPECT_EQ(r.setIndex, r.listLine - 2) << "line k + 2 is set k";
    EXPECT_EQ(r.addresses[0].capcode, 2030000 + 24 * (r.listLine - 2));
    EXPECT_EQ(r.addresses[1].capcode, 2020000) << "row 2 is not in the list: shared";
    EXPECT_EQ(r.addresses[1].role, AddressRole::Shared);
    EXPECT_EQ(r.reference, "subscriber=S" + std::to_string(r.listLine));
    EXPECT_EQ(r.listSha256, records[0].listSha256);
    lines.insert(r.listLine);
    stationNames.insert(r.station);
  }
  EXPECT_EQ(lines.size(), 12u) << "no line twice";
  EXPECT_EQ(*lines.begin(), 2);
  EXPECT_EQ(*lines.rbegin(), 13);
  EXPECT_EQ(stationNames.size(), 2u);

  // Every line is taken: a station asking for one more stops, saying so.
  auto late = spawn("late", {"--capcodes", list, "--count", "1"});
  EXPECT_EQ(late->wait(), 1);
  EXPECT_NE(late->err().find("every line of " + list + " is taken (12 pagers)"), std::string::npos)
      << late->err();
}

TEST_P(Stations, AStationWithAnotherListOrNoneIsRefused) {
  auto first = spawn("first", {"--capcodes", listOf(folder, "a.csv", 2, 2030000), "--count", "1"});
  ASSERT_EQ(first->wait(), 0) << first->err();
  auto other = spawn("other", {"--capcodes", listOf(folder, "b.csv", 2, 2040000)});
  EXPECT_EQ(other->wait(), 3);
  EXPECT_NE(other->err().find("batch order-17 was started from the capcode list with SHA-256 " +
                              records()[0].listSha256 + ", not from the list with SHA-256"),
            std::string::npos)
      << other->err();
  auto steps = station("steps", 1);
  EXPECT_EQ(steps->wait(), 3);
  EXPECT_NE(steps->err().find(", not without one"), std::string::npos) << steps->err();
  EXPECT_EQ(records().size(), 1u) << "nothing recorded, nothing written";
}

// Waits until `station` printed `text` on standard error (its prompt): a terminal paused there
// for as long as the test likes.
bool waitForPrompt(const Station& station, const std::string& text) {
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  while (Clock::now() < deadline) {
    if (station.err().find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

// Two terminals on one configuration: while the first waits at its prompt, the second takes
// the first's next capcodes (--resume carries on after the first's pager). The first then
// stops with one line and exit 3, writing nothing; never an abort.
TEST_P(Stations, ATerminalWhoseNextCapcodesWereTakenStopsWithExitThree) {
  const std::string first = folder / "first.eep";
  const std::string second = folder / "second.eep";
  std::filesystem::copy_file(config, first);
  std::filesystem::copy_file(config, second);
  Station waiting({"write", config, "--count", "2", "--autoinc", "1=1", "--sim-usb", first,
                   "--ledger", ledger, "--station", "waiting", "--data-dir", kData},
                  folder / "waiting");
  ASSERT_TRUE(waitForPrompt(waiting, "Insert pager 2 of 2")) << waiting.err();
  Station taker({"write", config, "--resume", "--autoinc", "1=1", "--sim-usb", second, "--ledger",
                 ledger, "--station", "taker", "--data-dir", kData},
                folder / "taker");
  ASSERT_EQ(taker.wait(), 0) << taker.err();
  waiting.enter(1);
  waiting.endInput();
  EXPECT_EQ(waiting.wait(), 3) << waiting.err();
  const std::string err = waiting.err();
  const std::string last = err.substr(err.find("Insert pager 2 of 2"));
  EXPECT_NE(last.find("capcode write: pager 2 of 2: capcode 2010001 of row 1 (individual) is "
                      "already on a verified pager: ledger record 2"),
            std::string::npos)
      << err;
  EXPECT_EQ(std::count(last.begin(), last.end(), '\n'), 2) << "the prompt and one line: " << err;
  const std::string out = waiting.out();
  EXPECT_EQ(out.find("Verify OK !"), out.rfind("Verify OK !")) << "one pager written: " << out;
  const auto list = records();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].station, "waiting");
  EXPECT_EQ(list[1].station, "taker");
  EXPECT_EQ(list[1].addresses[0].capcode, 2010001);
}

// A shared batch whose first reservation is refused (its set clashes with a pager outside the
// batch) leaves the batch name free for another configuration.
TEST_P(Stations, ARefusedFirstReservationLeavesTheBatchUnbound) {
  const std::string pager = folder / "single.eep";
  std::filesystem::copy_file(config, pager);
  Station single({"write", config, "--autoinc", "1=1", "--sim-usb", pager, "--ledger", ledger,
                  "--data-dir", kData},
                 folder / "single");
  ASSERT_EQ(single.wait(), 0) << single.err();
  auto refused = station("refused", 1);
  EXPECT_EQ(refused->wait(), 3);
  EXPECT_NE(refused->err().find("is already on a verified pager"), std::string::npos)
      << refused->err();
  const std::string other = folder / "other.eep";
  std::filesystem::copy_file(pager, other);  // the written pager: another file, other bytes
  Station otherFile({"write", other, "--batch", "order-17", "--autoinc", "1=1", "--autoinc", "2=1",
                     "--sim-usb", pager, "--ledger", ledger, "--data-dir", kData},
                    folder / "otherfile");
  otherFile.wait();
  EXPECT_EQ(otherFile.err().find("was started from another configuration file"), std::string::npos)
      << otherFile.err();
}

INSTANTIATE_TEST_SUITE_P(Ledgers, Stations,
                         ::testing::Values(Backend{"sqlite", false}, Backend{"postgresql", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A disk that fills up at every moment of a pager (a file size limit on the tool): each run
// ends with one line and exit 3, and every pager that was written has its record.
TEST(StationsOnADisk, AFullDiskStopsWithOneLineAndNeverWritesUnrecorded) {
  TempFolder folder;
  const std::string& data = test::kSourceData;
  const std::string config = folder / "config.eep";
  ASSERT_TRUE(test::saveStartup(config));
  const std::string input = folder / "enter";
  {
    std::ofstream enter(input);
    enter << std::string(8, '\n');
  }
  // In 512-byte blocks: the schema alone, the first record, its completion, later pagers.
  for (int blocks : {60, 100, 140, 200, 300}) {
    const std::string l = folder / ("l" + std::to_string(blocks) + ".sqlite3");
    const std::string out = folder / "out";
    const std::string err = folder / "err";
    std::filesystem::copy_file(config, folder / "p.eep",
                               std::filesystem::copy_options::overwrite_existing);
    const std::string command =
        "trap '' XFSZ; ulimit -f " + std::to_string(blocks) + "; exec " + CAPCODE_TOOL + " write " +
        config + " --count 8 --autoinc 1=1 --sim-usb " + folder / "p.eep" + " --data-dir " + data +
        " --ledger " + l + " <" + input + " >" + out + " 2>" + err;
    const int status = std::system(("sh -c \"" + command + "\"").c_str());
    ASSERT_TRUE(WIFEXITED(status)) << blocks;
    EXPECT_EQ(WEXITSTATUS(status), 3) << blocks;
    const auto errBytes = test::fileBytes(err);
    std::string lines(errBytes.begin(), errBytes.end());
    std::string said;
    std::istringstream split(lines);
    for (std::string line; std::getline(split, line);)
      if (line.rfind("Insert pager", 0) != 0) said += line + "\n";
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << blocks << ": " << said;
    EXPECT_EQ(said.rfind("capcode write: ", 0), 0u) << said;
    const auto outBytes = test::fileBytes(out);
    const std::string printed(outBytes.begin(), outBytes.end());
    std::size_t written = 0;
    for (auto at = printed.find("Verify OK !"); at != std::string::npos;
         at = printed.find("Verify OK !", at + 1))
      ++written;
    std::size_t holding = 0;
    try {
      for (const PagerRecord& r : openSqliteLedger(l, LedgerOpen::ExistingOnly)->list(""))
        holding += holdsCapcodes(r.result) ? 1 : 0;
    } catch (const LedgerError&) {
    }
    EXPECT_EQ(written, holding) << blocks << ": every written pager has its record";
  }
}

// A server that goes away mid-batch: every station stops before its next pager, and every
// pager a station reports is recorded.
TEST(StationsOnAServer, AServerThatStopsStopsEveryStation) {
  TempFolder folder;
  const std::string state = folder / "server";
  const std::string script = CAPCODE_POSTGRES_SERVER;
  ASSERT_EQ(std::system(("bash " + script + " start " + state).c_str()), 0);
  // This test's own server: the shared one must keep running for the others.
  const char* shared = std::getenv("CAPCODE_TEST_POSTGRES");
  const std::string sharedState = shared != nullptr ? shared : "";
  ::setenv("CAPCODE_TEST_POSTGRES", state.c_str(), 1);
  std::string why;
  const auto server = test::postgresServer(why);
  if (sharedState.empty()) {
    ::unsetenv("CAPCODE_TEST_POSTGRES");
  } else {
    ::setenv("CAPCODE_TEST_POSTGRES", sharedState.c_str(), 1);
  }
  if (!server) GTEST_SKIP() << why;
  const std::string ledger = test::freshDatabase(*server);
  const std::string& data = test::kSourceData;
  const std::string config = folder / "config.eep";
  ASSERT_TRUE(test::saveStartup(config));
  std::vector<std::unique_ptr<Station>> stations;
  for (int s = 1; s <= 2; ++s) {
    const std::string pager = folder / ("s" + std::to_string(s) + ".eep");
    std::filesystem::copy_file(config, pager);
    stations.push_back(std::make_unique<Station>(
        // Five pagers at most: a station checks every set it may be handed, and row 1 stepping
        // by 1 meets row 2's capcode at the batch's ninth set.
        std::vector<std::string>{"write", config, "--batch", "b", "--count", "5", "--autoinc",
                                 "1=1", "--sim-usb", pager, "--ledger", ledger, "--station",
                                 "s" + std::to_string(s), "--data-dir", data},
        folder / ("s" + std::to_string(s))));
    stations.back()->enter(2);
  }
  // Three pagers each, then the server is gone.
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  std::size_t recorded = 0;
  while (recorded < 6 && Clock::now() < deadline) {
    recorded = openPostgresLedger(ledger)->list("").size();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(std::system(("bash " + script + " pause " + state).c_str()), 0);
  for (auto& s : stations) {
    s->enter(2);
    s->endInput();
  }
  for (auto& s : stations) {
    EXPECT_EQ(s->wait(), 3) << s->err();
    EXPECT_NE(s->err().find("no pager is programmed without its record"), std::string::npos)
        << s->err();
  }
  ASSERT_EQ(std::system(("bash " + script + " resume " + state).c_str()), 0);
  const auto list = openPostgresLedger(ledger)->list("");
  for (int s = 1; s <= 2; ++s) {
    const std::string name = "s" + std::to_string(s);
    const std::string out = stations[static_cast<std::size_t>(s - 1)]->out();
    std::size_t reported = 0;
    for (auto at = out.find("Pager "); at != std::string::npos; at = out.find("Pager ", at + 1))
      ++reported;
    const auto rows = std::count_if(list.begin(), list.end(),
                                    [&](const PagerRecord& r) { return r.station == name; });
    EXPECT_GE(static_cast<std::size_t>(rows), reported) << "every pager reported is recorded";
  }
  EXPECT_EQ(std::system(("bash " + script + " stop " + state).c_str()), 0);
}

// Reserving a pager's set and completing its record on a local server: the median over 40.
TEST(StationsOnAServer, ReservingAndCompletingARecordIsQuick) {
#ifdef CAPCODE_SANITIZED
  GTEST_SKIP() << "timings mean nothing under the sanitizers";
#endif
  std::string why;
  const auto server = test::postgresServer(why);
  if (!server) GTEST_SKIP() << why;
  auto ledger = openPostgresLedger(test::freshDatabase(*server));
  const SharedBatch batch{"timed", "config", "1,0,0,0,0,0,0,0", {}};
  std::vector<double> millis;
  for (int i = 0; i < 40; ++i) {
    PagerRecord record;
    record.host = record.station = "bench";
    record.configPath = "config.eep";
    record.configSha256 = "config";
    const auto start = Clock::now();
    ASSERT_FALSE(ledger->reserve(batch, record, [](int k) {
      std::vector<RecordedAddress> set;
      for (int row = 1; row <= 8; ++row)
        set.push_back({row, 1000000 + row * 100000 + (row == 1 ? k : 0), true,
                       row == 1 ? AddressRole::Individual : AddressRole::Shared});
      return set;
    }));
    ledger->finishAttempt(record.id, PagerResult::Verified);
    millis.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(millis.begin(), millis.end());
  const double median = millis[millis.size() / 2];
  std::printf("reserve_and_complete_median_ms: %.3f\n", median);
  EXPECT_LT(median, 20.0);
}

}  // namespace
}  // namespace capcode
