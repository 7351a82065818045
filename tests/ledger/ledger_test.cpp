// The pager ledger's rules on individual and shared capcodes, for every back end, and what the
// SQLite file keeps across runs.

#include "ledger/ledger.hpp"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <memory>

#include "ledger/sql_ledger.hpp"
#include "ledger/sqlite_ledger.hpp"
#include "support/ledger_backends.hpp"
#include "support/postgres.hpp"
#include "support/sqlite_file.hpp"
#include "support/temp_folder.hpp"

namespace capcode {
namespace {

using test::TempFolder;
using test::kIndividual;
using test::kShared;

PagerRecord pager(std::vector<RecordedAddress> addresses, std::string config = "cfg") {
  PagerRecord record;
  record.host = "bench";
  record.station = "station-1";
  record.configPath = "/tmp/" + config + ".eep";
  record.configSha256 = config;
  record.imageSha256 = "image";
  record.addresses = std::move(addresses);
  return record;
}

class LedgerTest : public test::LedgerBackendTest {
 protected:
  std::int64_t record(std::vector<RecordedAddress> addresses, PagerResult result,
                      std::string config = "cfg") {
    PagerRecord r = pager(std::move(addresses), std::move(config));
    EXPECT_FALSE(ledger->beginAttempt(r, true));
    ledger->finishAttempt(r.id, result);
    return r.id;
  }
};

struct ClashCase {
  AddressRole earlierRole;
  bool earlierEnabled;
  PagerResult earlierResult;
  AddressRole wantedRole;
  bool wantedEnabled;
  bool refused;
};

TEST_P(LedgerTest, RefusesOnlyCapcodesThatTwoPagersWouldAnswer) {
  const ClashCase cases[] = {
      // Two individual capcodes, or individual meeting shared, on a verified pager: refused.
      {kIndividual, true, PagerResult::Verified, kIndividual, true, true},
      {kIndividual, true, PagerResult::Verified, kShared, true, true},
      {kShared, true, PagerResult::Verified, kIndividual, true, true},
      // A group address shared on purpose may repeat.
      {kShared, true, PagerResult::Verified, kShared, true, false},
      // A disabled row answers nothing, on either pager.
      {kIndividual, false, PagerResult::Verified, kIndividual, true, false},
      {kIndividual, true, PagerResult::Verified, kIndividual, false, false},
      // A pager the write may have reached holds its capcodes; one that got nothing does not.
      {kIndividual, true, PagerResult::VerifyFailed, kIndividual, true, true},
      {kIndividual, true, PagerResult::Started, kIndividual, true, true},
      {kIndividual, true, PagerResult::Interrupted, kShared, true, true},
      {kIndividual, true, PagerResult::NoDevice, kIndividual, true, false},
      {kIndividual, true, PagerResult::NotWritten, kIndividual, true, false},
  };
  int n = 0;
  for (const ClashCase& c : cases) {
    const std::int32_t capcode = 2004000 + 8 * n++;
    record({{1, capcode, c.earlierEnabled, c.earlierRole}}, c.earlierResult);
    PagerRecord next = pager({{3, capcode, c.wantedEnabled, c.wantedRole}});
    const auto conflict = ledger->beginAttempt(next, false);
    EXPECT_EQ(conflict.has_value(), c.refused) << "case " << n;
    EXPECT_EQ(next.id == 0, c.refused) << "a refused attempt is not recorded, case " << n;
    if (conflict) {
      EXPECT_EQ(conflict->wanted.row, 3);
      EXPECT_EQ(conflict->holderRow, 1);
      EXPECT_EQ(conflict->holder.station, "station-1");
      EXPECT_EQ(conflict->holder.addresses.size(), 1u);
    } else {
      ledger->finishAttempt(next.id, PagerResult::NotWritten);
    }
  }
}

TEST_P(LedgerTest, AllowReuseRecordsAReturnedPager) {
  record({{1, 2004000, true, kIndividual}}, PagerResult::Verified);
  PagerRecord again = pager({{1, 2004000, true, kIndividual}});
  EXPECT_FALSE(ledger->beginAttempt(again, true));
  EXPECT_GT(again.id, 0);
  EXPECT_EQ(ledger->list("").size(), 2u);
}

TEST_P(LedgerTest, KeepsAttemptsInOrderWithTheirResults) {
  record({{1, 2004000, true, kIndividual}, {2, 2004008, false, kShared}}, PagerResult::Verified);
  PagerRecord open = pager({{1, 2004001, true, kIndividual}});
  open.started = "2030-01-01T08:00:00.000Z";
  ASSERT_FALSE(ledger->beginAttempt(open, false));
  const auto records = ledger->list("");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].result, PagerResult::Verified);
  EXPECT_FALSE(records[0].finished.empty());
  ASSERT_EQ(records[0].addresses.size(), 2u);
  EXPECT_EQ(records[0].addresses[1].capcode, 2004008);
  EXPECT_FALSE(records[0].addresses[1].enabled);
  EXPECT_EQ(records[0].addresses[1].role, kShared);
  EXPECT_EQ(records[1].result, PagerResult::Started);
  EXPECT_TRUE(records[1].finished.empty());
  EXPECT_EQ(ledger->list("2999-01-01").size(), 0u);
  EXPECT_EQ(ledger->list("2030-01-01").size(), 1u);
  EXPECT_EQ(ledger->list("2030-01-01T08:00:01").size(), 0u);
}

TEST_P(LedgerTest, LastVerifiedIsTheNewestOfTheSameConfiguration) {
  record({{1, 2004000, true, kIndividual}}, PagerResult::Verified, "a");
  record({{1, 2004001, true, kIndividual}}, PagerResult::Verified, "a");
  record({{1, 2004002, true, kIndividual}}, PagerResult::VerifyFailed, "a");
  record({{1, 2005000, true, kIndividual}}, PagerResult::Verified, "b");
  const auto last = ledger->lastVerified("a");
  ASSERT_TRUE(last);
  EXPECT_EQ(last->addresses.at(0).capcode, 2004001);
  EXPECT_FALSE(ledger->lastVerified("c"));
}

// The status line's figures: how many pagers ended each way since a moment, and the last
// verified one, as the listing would give them.
TEST_P(LedgerTest, TallyCountsEachResultAndKeepsTheLastVerified) {
  record({{1, 2004000, true, kIndividual}}, PagerResult::Verified);
  record({{1, 2004001, true, kIndividual}}, PagerResult::NoDevice);
  const std::int64_t last = record({{1, 2004002, true, kIndividual}}, PagerResult::Verified);
  record({{1, 2004003, true, kIndividual}}, PagerResult::VerifyFailed);
  PagerRecord open = pager({{1, 2004004, true, kIndividual}});
  open.started = "2030-01-01T08:00:00.000Z";
  ASSERT_FALSE(ledger->beginAttempt(open, false));
  const LedgerTally all = ledger->tally("");
  const std::pair<PagerResult, int> counts[] = {
      {PagerResult::Started, 1},    {PagerResult::Verified, 2}, {PagerResult::VerifyFailed, 1},
      {PagerResult::NotWritten, 0}, {PagerResult::NoDevice, 1}, {PagerResult::Interrupted, 0}};
  for (const auto& [result, count] : counts)
    EXPECT_EQ(all.count(result), count) << resultName(result);
  ASSERT_TRUE(all.lastVerified);
  EXPECT_EQ(all.lastVerified->id, last);
  EXPECT_EQ(all.lastVerified->addresses.at(0).capcode, 2004002);
  // Only what started at or after the moment counts.
  const LedgerTally later = ledger->tally("2030-01-01");
  EXPECT_EQ(later.count(PagerResult::Started), 1);
  EXPECT_EQ(later.count(PagerResult::Verified), 0);
  EXPECT_FALSE(later.lastVerified);
  EXPECT_FALSE(ledger->tally("2999-01-01").lastVerified);
}

TEST_P(LedgerTest, KeepsTheListLineAndReferenceOfEachPager) {
  const auto listed = [&](std::int32_t capcode, const std::string& list, int line,
                          PagerResult result) {
    PagerRecord r = pager({{1, capcode, true, kIndividual}});
    r.listSha256 = list;
    r.listLine = line;
    r.reference = "subscriber=Ann, \"A\"; order=17";
    ASSERT_FALSE(ledger->beginAttempt(r, false));
    ledger->finishAttempt(r.id, result);
  };
  listed(2004000, "a", 3, PagerResult::Verified);
  listed(2004008, "a", 2, PagerResult::Verified);
  listed(2004016, "a", 4, PagerResult::VerifyFailed);
  listed(2004024, "b", 5, PagerResult::Verified);
  record({{1, 2004032, true, kIndividual}}, PagerResult::Verified);
  EXPECT_EQ(ledger->verifiedListLines("a"), (std::vector<int>{2, 3}));
  EXPECT_EQ(ledger->verifiedListLines("b"), (std::vector<int>{5}));
  EXPECT_TRUE(ledger->verifiedListLines("c").empty());
  const auto records = ledger->list("");
  ASSERT_EQ(records.size(), 5u);
  EXPECT_EQ(records[0].listSha256, "a");
  EXPECT_EQ(records[0].listLine, 3);
  EXPECT_EQ(records[0].reference, "subscriber=Ann, \"A\"; order=17");
  EXPECT_EQ(records[4].listSha256, "");
  EXPECT_EQ(records[4].listLine, 0);
  EXPECT_EQ(records[4].reference, "");
}

INSTANTIATE_TEST_SUITE_P(Backends, LedgerTest, ::testing::ValuesIn(test::ledgerBackends()),
                         test::ledgerBackendName);

TEST(SqliteLedger, RecordsSurviveTheProcessThatMadeThem) {
  TempFolder folder;
  const std::string path = folder / "ledger.sqlite3";
  {
    auto ledger = openSqliteLedger(path);
    PagerRecord r = pager({{1, 2004000, true, kIndividual}});
    ASSERT_FALSE(ledger->beginAttempt(r, false));
  }
  auto ledger = openSqliteLedger(path, LedgerOpen::ExistingOnly);
  const auto records = ledger->list("");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].result, PagerResult::Started) << "a crash leaves the row started";
}

using test::executeSql;

TEST(SqliteLedger, RefusesFilesItCannotTrust) {
  TempFolder folder;
  const std::string newer = folder / "newer.sqlite3";
  openSqliteLedger(newer);
  executeSql(newer, "PRAGMA user_version=99");
  const std::string foreign = folder / "foreign.sqlite3";
  executeSql(foreign, "CREATE TABLE notes(text)");
  const std::string garbage = folder / "garbage.sqlite3";
  test::writeBytes(garbage, std::vector<std::uint8_t>(4096, 'x'));

  const struct {
    std::string path;
    LedgerOpen mode;
    const char* says;
  } cases[] = {
      {newer, LedgerOpen::CreateIfMissing, "schema version 99 is newer"},
      {foreign, LedgerOpen::CreateIfMissing, "not a pager ledger"},
      {garbage, LedgerOpen::CreateIfMissing, "not a database"},
      {folder / "absent.sqlite3", LedgerOpen::ExistingOnly, "No such file or directory"},
      {"/dev/null/ledger.sqlite3", LedgerOpen::CreateIfMissing, "Not a directory"},
  };
  for (const auto& c : cases) {
    try {
      openSqliteLedger(c.path, c.mode);
      ADD_FAILURE() << c.path << " was opened";
    } catch (const LedgerError& e) {
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
  }
}

TEST(LedgerTime, SinceTakesADateOrADateAndTime) {
  EXPECT_TRUE(isLedgerTimePrefix("2026-12-09"));
  EXPECT_TRUE(isLedgerTimePrefix("2026-12-09T10:01"));
  EXPECT_TRUE(isLedgerTimePrefix("2026-12-09T10:01:02"));
  for (const char* bad : {"", "2026-12-9", "09-12-2026", "2026-12-09 10:01", "2026-12-09T10",
                          "2026-12-09T10:01:02Z", "yesterday"}) {
    EXPECT_FALSE(isLedgerTimePrefix(bad)) << bad;
  }
  EXPECT_TRUE(isLedgerTimePrefix(ledgerTimeNow().substr(0, 19)));
}

TEST(LedgerTime, OnlyDaysAndTimesThatExist) {
  const struct {
    const char* text;
    bool exists;
  } cases[] = {
      {"2026-13-01", false},          {"2026-00-01", false},       {"2026-01-00", false},
      {"2026-01-32", false},          {"2026-04-31", false},       {"2026-02-30", false},
      {"2026-02-29", false},          {"2024-02-29", true},        {"2000-02-29", true},
      {"1900-02-29", false},          {"2026-12-31", true},        {"2026-12-09T23:59", true},
      {"2026-12-09T24:00", false},    {"2026-12-09T12:60", false}, {"2026-12-09T12:59:59", true},
      {"2026-12-09T12:00:60", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(isLedgerTimePrefix(c.text), c.exists) << c.text;
}

TEST(LedgerTime, TheInstantOfARecordedTime) {
  using namespace std::chrono;
  const auto point = ledgerTimePoint("2026-12-09T10:01:02.345Z");
  ASSERT_TRUE(point);
  EXPECT_EQ(duration_cast<milliseconds>(point->time_since_epoch()).count(), 1796810462345);
  EXPECT_EQ(ledgerTimePoint("2026-12-09"), ledgerTimePoint("2026-12-09T00:00:00"));
  EXPECT_FALSE(ledgerTimePoint("2026-02-30T10:01:02.345Z"));
  EXPECT_FALSE(ledgerTimePoint("2026-12-09T10:01:02.345"));
  const auto now = ledgerTimePoint(ledgerTimeNow());
  ASSERT_TRUE(now);
  EXPECT_LT(abs(duration_cast<seconds>(system_clock::now() - *now).count()), 2);
}

// A ledger written by the previous version (schema 2, before capcode lists) keeps its records
// and takes the list's columns when a newer program opens it.
TEST(SqliteLedger, ALedgerFromBeforeListsIsBroughtUpToDate) {
  TempFolder folder;
  const std::string path = folder / "old.sqlite3";
  const auto steps = ledgerSchemaSteps("INTEGER PRIMARY KEY", "INTEGER");
  ASSERT_EQ(steps.size(), static_cast<std::size_t>(ledgerSchemaVersion()));
  const std::string old = steps[0] + steps[1] +
                          "INSERT INTO pagers(started, host, station, config_path, config_sha256,"
                          " image_sha256, result) VALUES('2026-12-01T10:00:00.000Z', 'h', 's',"
                          " '/c.eep', 'cfg', 'img', 'verified');"
                          "INSERT INTO addresses VALUES(1, 1, 2004000, 1, 'individual');"
                          "INSERT INTO held_capcodes VALUES(2004000, 1);"
                          "PRAGMA user_version=2; PRAGMA application_id=1128353859;";
  executeSql(path, old.c_str());
  auto ledger = openSqliteLedger(path, LedgerOpen::ExistingOnly);
  auto records = ledger->list("");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].listLine, 0);
  EXPECT_TRUE(ledger->conflictWith({{1, 2004000, true, kIndividual}}));
  PagerRecord listed = pager({{1, 2004008, true, kIndividual}});
  listed.listSha256 = "list";
  listed.listLine = 2;
  ASSERT_FALSE(ledger->beginAttempt(listed, false));
  ledger->finishAttempt(listed.id, PagerResult::Verified);
  EXPECT_EQ(ledger->verifiedListLines("list"), std::vector<int>{2});
  // And the settlements' columns: the old pager, returned, gives its capcode back.
  ledger->settle(1, Settlement::Returned, "ann on pc7");
  EXPECT_EQ(ledger->record(1).settledBy, "ann on pc7");
  EXPECT_FALSE(ledger->conflictWith({{1, 2004000, true, kIndividual}}));
}

}  // namespace
}  // namespace capcode
