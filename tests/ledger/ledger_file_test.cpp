// The SQLite ledger against what the station's disk holds: folders that are not there, another
// application's database, read-only disks and files, directories and FIFOs, a disk that fills
// up and a ledger another process keeps busy. Whatever happens, only LedgerError, one line.

#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "ledger/ledger.hpp"
#include "ledger/sqlite_ledger.hpp"
#include "support/bench_pager.hpp"
#include "support/sqlite_file.hpp"
#include "support/table_rows.hpp"
#include "support/temp_folder.hpp"
#include "support/text_search.hpp"
#include "support/unprivileged.hpp"

namespace capcode {
namespace {

using test::benchPager;
using test::executeSql;
using test::has;
using test::TempFolder;
namespace fs = std::filesystem;

// The message of the LedgerError `open` throws; a failure when it throws nothing or another
// type.
std::string refusal(const std::function<void()>& open) {
  try {
    open();
  } catch (const LedgerError& e) {
    const std::string what = e.what();
    EXPECT_EQ(what.find('\n'), std::string::npos) << "one line: " << what;
    return what;
  }
  ADD_FAILURE() << "opened";
  return {};
}

TEST(LedgerFile, AMissingFolderIsRefusedAndNothingIsCreated) {
  TempFolder folder;
  for (const std::string& path : {folder / "typo/ledger.sqlite3", folder / "typo/deeper/l.db"}) {
    for (const LedgerOpen mode : {LedgerOpen::CreateIfMissing, LedgerOpen::ExistingOnly}) {
      const std::string why = refusal([&] { openSqliteLedger(path, mode); });
      EXPECT_TRUE(has(why, path)) << why;
    }
    const std::string why = refusal([&] { openLedger(path); });
    EXPECT_TRUE(has(why, "is not there")) << why;
    EXPECT_FALSE(fs::exists(folder / "typo")) << "created for " << path;
  }
  // In a folder that is there, a new ledger is started.
  openLedger(folder / "ledger.sqlite3");
  EXPECT_TRUE(fs::exists(folder / "ledger.sqlite3"));
}

TEST(LedgerFile, OnlyTheDefaultLocationGetsItsFolders) {
  TempFolder folder;
  ::setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
  auto ledger = openLedger(defaultLedgerPath());
  EXPECT_TRUE(fs::exists(folder / "data/capcode/ledger.sqlite3"));
}

TEST(LedgerFile, ARelativePathWithAnEqualsSignIsAFile) {
  TempFolder folder;
  const fs::path back = fs::current_path();
  fs::current_path(folder.path());
  try {
    PagerRecord r = benchPager(2004000);
    EXPECT_FALSE(openLedger("order=17.sqlite3")->beginAttempt(r, false));
  } catch (const LedgerError& e) {
    ADD_FAILURE() << e.what();
  }
  fs::current_path(back);
  EXPECT_TRUE(fs::exists(folder / "order=17.sqlite3"));
}

TEST(LedgerFile, AnotherApplicationsDatabaseIsLeftByteForByte) {
  TempFolder folder;
  const test::TextAndText cases[] = {
      {"notes.db", "CREATE TABLE notes(text); INSERT INTO notes VALUES('keep me')"},
      {"versioned.db", "PRAGMA user_version=7"},
      {"marked.db", "PRAGMA application_id=1234"},
  };
  for (const auto& [name, sql] : cases) {
    const std::string path = folder / name;
    executeSql(path, sql);
    const auto before = test::fileBytes(path);
    for (const LedgerOpen mode :
         {LedgerOpen::CreateIfMissing, LedgerOpen::ExistingOnly, LedgerOpen::ReadOnly}) {
      const std::string why = refusal([&] { openSqliteLedger(path, mode); });
      EXPECT_TRUE(has(why, "not a pager ledger")) << name << ": " << why;
    }
    EXPECT_EQ(test::fileBytes(path), before) << name << " was changed";
    EXPECT_FALSE(fs::exists(path + "-wal")) << name;
  }
}

// Stations started together on a ledger that does not exist yet: one makes it, the others
// must take it for ours however their reads fall around that commit.
TEST(LedgerFile, StationsOpeningANewLedgerTogetherAllTakeIt) {
  TempFolder folder;
  for (int round = 0; round < 25; ++round) {
    const std::string path = folder / ("new" + std::to_string(round) + ".sqlite3");
    std::vector<std::string> refusals(6);
    std::vector<std::thread> stations;
    for (std::size_t s = 0; s < refusals.size(); ++s) {
      stations.emplace_back([&, s] {
        try {
          openSqliteLedger(path, LedgerOpen::CreateIfMissing);
        } catch (const LedgerError& e) {
          refusals[s] = e.what();
        }
      });
    }
    for (auto& station : stations)
      station.join();
    for (const std::string& why : refusals)
      EXPECT_EQ(why, "") << "round " << round;
  }
}

// A ledger with two pagers made by this (root or not) process, its folder open to others.
struct SharedLedger {
  TempFolder folder;
  std::string path = folder / "ledger.sqlite3";
  SharedLedger() {
    auto ledger = openSqliteLedger(path);
    for (const std::int32_t capcode : {2004000, 2004008}) {
      PagerRecord r = benchPager(capcode);
      EXPECT_FALSE(ledger->beginAttempt(r, false));
    }
  }
};

TEST(LedgerFile, AListingReadsAFileItCannotWrite) {
  SharedLedger shared;
  ::chmod(shared.path.c_str(), 0444);
  const auto before = test::fileBytes(shared.path);
  test::ReadOnlyFolder locked(shared.folder.path());
  const int verdict = test::runUnprivileged([&] {
    const auto records = openSqliteLedger(shared.path, LedgerOpen::ReadOnly)->list("");
    return records.size() == 2 ? 0 : 1;
  });
  EXPECT_EQ(verdict, 0);
  EXPECT_EQ(test::fileBytes(shared.path), before);
}

TEST(LedgerFile, AListingReadsRecordsStillInTheWriteAheadLog) {
  SharedLedger shared;
  // A station keeps the ledger open: its newest records are in the write-ahead log, and the
  // log and its index belong to that station's user.
  auto writer = openSqliteLedger(shared.path);
  PagerRecord third = benchPager(2004016);
  ASSERT_FALSE(writer->beginAttempt(third, false));
  ASSERT_TRUE(fs::exists(shared.path + "-wal"));
  test::ReadOnlyFolder locked(shared.folder.path());
  const int verdict = test::runUnprivileged([&] {
    const auto records = openSqliteLedger(shared.path, LedgerOpen::ReadOnly)->list("");
    if (records.size() == 3) return 0;
    std::fprintf(stderr, "listed %zu records\n", records.size());
    return 1;
  });
  EXPECT_EQ(verdict, 0);
}

TEST(LedgerFile, ALogThatCannotBeReadIsNotSkipped) {
  SharedLedger shared;
  auto writer = openSqliteLedger(shared.path);
  PagerRecord third = benchPager(2004016);
  ASSERT_FALSE(writer->beginAttempt(third, false));
  // A copy of a running station's ledger without its shared-memory index, on a read-only disk:
  // the newest record is only in the log, which cannot be opened there.
  TempFolder copy;
  const std::string path = copy / "ledger.sqlite3";
  fs::copy_file(shared.path, path);
  fs::copy_file(shared.path + "-wal", path + "-wal");
  test::ReadOnlyFolder locked(copy.path());
  const int verdict = test::runUnprivileged([&] {
    try {
      openSqliteLedger(path, LedgerOpen::ReadOnly)->list("");
    } catch (const LedgerError& e) {
      return has(e.what(), path + "-wal") && has(e.what(), "write access") ? 0 : 1;
    }
    return 2;  // listed without its newest record
  });
  EXPECT_EQ(verdict, 0);
}

TEST(LedgerFile, OddPathsAreNamedWithTheSystemsReason) {
  SharedLedger shared;
  const std::string directory = shared.folder / "a-folder";
  fs::create_directory(directory);
  const std::string fifo = shared.folder / "a-fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
  const std::string writable = shared.folder / "writable.sqlite3";
  fs::copy_file(shared.path, writable);
  ::chmod(writable.c_str(), 0666);
  ::chmod(shared.path.c_str(), 0444);
  const struct {
    std::string path;
    LedgerOpen mode;
    std::vector<std::string> says;
  } cases[] = {
      {directory, LedgerOpen::ReadOnly, {"Is a directory", directory}},
      {directory, LedgerOpen::CreateIfMissing, {"Is a directory", directory}},
      {fifo, LedgerOpen::ReadOnly, {"FIFO", fifo}},
      {fifo, LedgerOpen::ExistingOnly, {"FIFO", fifo}},
      {shared.folder / "none.sqlite3", LedgerOpen::ReadOnly, {"No such file", "none.sqlite3"}},
      // Checked as an ordinary user in a folder nobody may change.
      {shared.folder / "new.sqlite3",
       LedgerOpen::CreateIfMissing,
       {"Permission denied", shared.folder.path()}},
      {shared.path, LedgerOpen::ExistingOnly, {"Permission denied", shared.path}},
      {writable, LedgerOpen::ExistingOnly, {"Permission denied", "journal", shared.folder.path()}},
  };
  test::ReadOnlyFolder locked(shared.folder.path());
  const int verdict = test::runUnprivileged([&] {
    int failed = 0;
    for (const auto& c : cases) {
      std::string why;
      try {
        openSqliteLedger(c.path, c.mode);
        why = "opened";
      } catch (const LedgerError& e) {
        why = e.what();
      }
      for (const std::string& part : c.says) {
        if (!has(why, part) || has(why, "cannot open: cannot open")) {
          std::fprintf(stderr, "%s: \"%s\" lacks \"%s\"\n", c.path.c_str(), why.c_str(),
                       part.c_str());
          ++failed;
        }
      }
    }
    return failed;
  });
  EXPECT_EQ(verdict, 0);
  EXPECT_FALSE(fs::exists(shared.folder / "new.sqlite3"));
}

TEST(LedgerFile, AFullDiskGivesALedgerError) {
  TempFolder folder;
  const std::string path = folder / "ledger.sqlite3";
  openSqliteLedger(path);
  // The file system refuses to grow the ledger's files beyond a few pages more, as a full
  // disk would.
  const int verdict = test::runInChild([&] {
    ::signal(SIGXFSZ, SIG_IGN);
    auto ledger = openSqliteLedger(path);
    const rlimit limit{static_cast<rlim_t>(fs::file_size(path) + 16 * 4096),
                       static_cast<rlim_t>(fs::file_size(path) + 16 * 4096)};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    for (int i = 0; i < 100000; ++i) {
      PagerRecord r = benchPager(2004000 + 8 * i);
      try {
        ledger->beginAttempt(r, false);
        ledger->finishAttempt(r.id, PagerResult::Verified);
      } catch (const LedgerError& e) {
        const std::string what = e.what();
        return what.find('\n') == std::string::npos && has(what, path) ? 0 : 2;
      }
    }
    return 3;  // never full
  });
  EXPECT_EQ(verdict, 0);
}

TEST(LedgerFile, ALedgerBusyPastItsTimeLimitGivesALedgerError) {
  TempFolder folder;
  const std::string path = folder / "ledger.sqlite3";
  auto ledger = openSqliteLedger(path);
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  const auto start = std::chrono::steady_clock::now();
  PagerRecord r = benchPager(2004000);
  EXPECT_THROW(ledger->beginAttempt(r, false), LedgerError);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_FALSE(ledger->beginAttempt(r, false)) << "usable once the other writer is done";
}

}  // namespace
}  // namespace capcode
