// Pagers put aside or returned: which records may be settled, what the settlement does to their
// capcodes and sets, and how records are found by capcode and image, on every back end.

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "ledger/ledger.hpp"
#include "ledger/sql_ledger.hpp"
#include "ledger/sqlite_ledger.hpp"
#include "support/ledger_backends.hpp"
#include "support/postgres.hpp"
#include "support/temp_folder.hpp"

namespace capcode {
namespace {

using test::TempFolder;
using test::kIndividual;
using test::kShared;

class SettlementTest : public test::LedgerBackendTest {
 protected:
  PagerRecord pager(std::vector<RecordedAddress> addresses) {
    PagerRecord r;
    r.host = "pc7";
    r.station = "bench-2";
    r.configPath = "/orders/17.eep";
    r.configSha256 = "cfg";
    r.imageSha256 = "img" + std::to_string(++images);
    r.addresses = std::move(addresses);
    return r;
  }
  std::int64_t record(std::vector<RecordedAddress> addresses, PagerResult result,
                      bool allowReuse = false) {
    PagerRecord r = pager(std::move(addresses));
    EXPECT_FALSE(ledger->beginAttempt(r, allowReuse));
    if (result != PagerResult::Started) ledger->finishAttempt(r.id, result);
    return r.id;
  }
  std::string refusal(std::int64_t id, Settlement s) {
    try {
      ledger->settle(id, s, "ann on bench-2 (pc7)");
    } catch (const LedgerError& e) {
      return e.what();
    }
    return {};
  }
  int images = 0;
};

TEST_P(SettlementTest, APagerPutAsideKeepsItsCapcodesAndAReturnedOneGivesThemBack) {
  const struct {
    PagerResult result;
    Settlement settlement;
    const char* refused;  // empty when settled
    bool heldAfter;
  } cases[] = {
      {PagerResult::Started, Settlement::PutAside, "", true},
      {PagerResult::Verified, Settlement::PutAside, "", true},
      {PagerResult::VerifyFailed, Settlement::PutAside, "", true},
      {PagerResult::Interrupted, Settlement::PutAside, "", true},
      {PagerResult::NotWritten, Settlement::PutAside,
       "ended \"not written\": its pager got nothing and holds no capcodes", false},
      {PagerResult::NoDevice, Settlement::PutAside,
       "ended \"no device\": its pager got nothing and holds no capcodes", false},
      {PagerResult::Started, Settlement::Returned, "", false},
      {PagerResult::Verified, Settlement::Returned, "", false},
      {PagerResult::VerifyFailed, Settlement::Returned, "", false},
      {PagerResult::Interrupted, Settlement::Returned, "", false},
      {PagerResult::NotWritten, Settlement::Returned, "holds no capcodes", false},
      {PagerResult::Verified, Settlement::None, "nothing to settle", true},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::int32_t capcode = 2004000 + 8 * n++;
    const std::int64_t id =
        record({{1, capcode, true, kIndividual}, {2, 2009000, true, kShared}}, c.result);
    const std::string why = refusal(id, c.settlement);
    EXPECT_NE(why.find(c.refused), std::string::npos) << n << ": " << why;
    EXPECT_EQ(why.empty(), *c.refused == '\0') << n << ": " << why;
    const PagerRecord after = ledger->record(id);
    EXPECT_EQ(after.result, c.result) << "the result is history, case " << n;
    EXPECT_EQ(after.settlement, why.empty() ? c.settlement : Settlement::None) << n;
    EXPECT_EQ(after.settledBy, why.empty() ? "ann on bench-2 (pc7)" : "") << n;
    EXPECT_EQ(after.settledAt.empty(), !why.empty()) << n;
    EXPECT_EQ(keepsCapcodes(after), c.heldAfter) << n;
    // Held means no other pager may take the individual capcode; free means the next may.
    PagerRecord next = pager({{1, capcode, true, kIndividual}});
    EXPECT_EQ(ledger->beginAttempt(next, false).has_value(), c.heldAfter) << n;
    if (next.id > 0) ledger->finishAttempt(next.id, PagerResult::NotWritten);
  }
}

TEST_P(SettlementTest, ASettlementIsMadeOnceAndAPagerPutAsideMayStillBeReturned) {
  const std::int64_t id = record({{1, 2004000, true, kIndividual}}, PagerResult::Verified);
  EXPECT_EQ(refusal(id, Settlement::PutAside), "");
  EXPECT_NE(refusal(id, Settlement::PutAside).find("was put aside at "), std::string::npos);
  EXPECT_EQ(refusal(id, Settlement::Returned), "");
  EXPECT_EQ(ledger->record(id).settlement, Settlement::Returned);
  for (const Settlement again : {Settlement::PutAside, Settlement::Returned}) {
    const std::string why = refusal(id, again);
    EXPECT_NE(why.find("record " + std::to_string(id) + " was returned at "), std::string::npos)
        << why;
    EXPECT_NE(why.find(" by ann on bench-2 (pc7); nothing changed"), std::string::npos) << why;
  }
  EXPECT_NE(refusal(id + 100, Settlement::Returned).find("no "), std::string::npos);
}

TEST_P(SettlementTest, AnUnfinishedPagerPutAsideIsNoLongerWaitingForAPerson) {
  const std::int64_t aside = record({{1, 2004000, true, kIndividual}}, PagerResult::Started);
  const std::int64_t open = record({{1, 2004008, true, kIndividual}}, PagerResult::Started);
  ASSERT_EQ(refusal(aside, Settlement::PutAside), "");
  const auto unfinished = ledger->unfinished();
  ASSERT_EQ(unfinished.size(), 1u);
  EXPECT_EQ(unfinished[0].id, open);
  EXPECT_THROW(ledger->resolve(aside, PagerResult::Verified), LedgerError);
  EXPECT_TRUE(ledger->conflictWith({{3, 2004000, true, kIndividual}}));
}

TEST_P(SettlementTest, AReturnedListLineIsNoLongerOnAVerifiedPager) {
  std::vector<std::int64_t> ids;
  for (int line = 2; line <= 4; ++line) {
    PagerRecord r = pager({{1, 2004000 + line, true, kIndividual}});
    r.listSha256 = "list";
    r.listLine = line;
    ASSERT_FALSE(ledger->beginAttempt(r, false));
    ledger->finishAttempt(r.id, PagerResult::Verified);
    ids.push_back(r.id);
  }
  ASSERT_EQ(refusal(ids[1], Settlement::Returned), "");
  ASSERT_EQ(refusal(ids[2], Settlement::PutAside), "");
  EXPECT_EQ(ledger->verifiedListLines("list"), (std::vector<int>{2, 4}));
}

TEST_P(SettlementTest, FindsEveryPagerByCapcodeOrImageNewestFirst) {
  // Given again deliberately (a "Program again"): every attempt is kept.
  const auto given = [&](int row, bool enabled, PagerResult result) {
    return record({{row, 2004000, enabled, kIndividual}}, result, true);
  };
  const std::int64_t first = given(1, true, PagerResult::Verified);
  const std::int64_t failed = given(1, true, PagerResult::NotWritten);
  given(1, false, PagerResult::Verified);  // a disabled row answers nothing: not found
  ASSERT_EQ(refusal(first, Settlement::Returned), "");
  const std::int64_t again = given(2, true, PagerResult::Verified);
  const std::int64_t other = record({{1, 2004100, true, kIndividual}}, PagerResult::Verified);
  const std::string otherImage = ledger->record(other).imageSha256;

  const auto ids = [](const std::vector<PagerRecord>& records) {
    std::vector<std::int64_t> found;
    for (const PagerRecord& r : records)
      found.push_back(r.id);
    return found;
  };
  EXPECT_EQ(ids(ledger->recordsWith({2004000}, "")),
            (std::vector<std::int64_t>{again, failed, first}));
  EXPECT_EQ(ids(ledger->pagersThatHeld(2004000)), (std::vector<std::int64_t>{again, first}));
  EXPECT_EQ(ids(ledger->recordsWith({2004100, 2004000}, otherImage)),
            (std::vector<std::int64_t>{other, again, failed, first}));
  EXPECT_EQ(ids(ledger->recordsWith({}, otherImage)), (std::vector<std::int64_t>{other}));
  EXPECT_TRUE(ledger->recordsWith({}, "").empty());
  EXPECT_TRUE(ledger->recordsWith({7}, "nothing").empty());
}

TEST_P(SettlementTest, AReturnedSetOfASharedBatchGoesToItsNextPager) {
  if (std::string(GetParam().name) == "memory") GTEST_SKIP() << "no batches without a database";
  const SharedBatch batch{"order-17", "cfg", "1,0,0,0,0,0,0,0", ""};
  const auto setOf = [](int k) {
    return std::vector<RecordedAddress>{{1, 2004000 + 8 * k, true, kIndividual}};
  };
  const auto reserve = [&] {
    PagerRecord r = pager({});
    EXPECT_FALSE(ledger->reserve(batch, r, setOf));
    ledger->finishAttempt(r.id, PagerResult::Verified);
    return r;
  };
  const PagerRecord set0 = reserve();
  const PagerRecord set1 = reserve();
  ASSERT_EQ(refusal(set1.id, Settlement::PutAside), "");
  ASSERT_EQ(refusal(set0.id, Settlement::Returned), "");
  const PagerRecord again = reserve();
  EXPECT_EQ(again.setIndex, 0) << "the returned set is handed out again";
  EXPECT_EQ(again.addresses, setOf(0));
  EXPECT_EQ(reserve().setIndex, 2) << "a set put aside is not";
  EXPECT_EQ(ledger->record(set0.id).setIndex, 0) << "the returned record keeps its history";
}

INSTANTIATE_TEST_SUITE_P(Backends, SettlementTest, ::testing::ValuesIn(test::ledgerBackends()),
                         test::ledgerBackendName);

}  // namespace
}  // namespace capcode
