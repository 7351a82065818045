// The ledger on a thread of its own, as the window uses it: every call made there, the caller
// kept answering while it waits, a count that is not waited for, a ledger that cannot be
// opened or stops answering, and a shared batch's sets made by the caller's rules.

#include "ledger/background_ledger.hpp"

#include <gtest/gtest.h>

#include <thread>

#include "ledger/sqlite_ledger.hpp"
#include "support/gated_ledger.hpp"
#include "support/temp_folder.hpp"

namespace capcode {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::unique_ptr<BackgroundLedger> over(std::unique_ptr<Ledger> ledger) {
  auto given = std::make_shared<std::unique_ptr<Ledger>>(std::move(ledger));
  return std::make_unique<BackgroundLedger>([given] { return std::move(*given); });
}

PagerRecord pagerWith(std::int32_t capcode) {
  PagerRecord record;
  record.station = "bench-1";
  record.addresses = {{1, capcode, true, AddressRole::Individual}};
  return record;
}

TEST(BackgroundLedger, EveryCallIsMadeOnTheLedgersThreadWhileTheCallerKeepsAnswering) {
  auto owned = std::make_unique<test::GatedLedger>();
  test::GatedLedger& gated = *owned;
  auto ledger = over(std::move(owned));
  std::vector<Clock::time_point> beats;
  std::vector<std::string> said;
  bool over = false;
  ledger->setWaitHook([&](const LedgerWait& wait) {
    beats.push_back(Clock::now());
    if (said.empty() || said.back() != wait.what) said.emplace_back(wait.what);
    over = wait.over;
  });
  std::thread server([&] {
    std::this_thread::sleep_for(400ms);
    gated.open();
  });
  const auto start = Clock::now();
  EXPECT_FALSE(ledger->conflictWith(pagerWith(2004000).addresses));
  server.join();
  EXPECT_GE(Clock::now() - start, 350ms);
  EXPECT_NE(gated.lastThread(), std::this_thread::get_id());
  EXPECT_EQ(said, std::vector<std::string>{"checking the capcodes"});
  EXPECT_TRUE(over) << "the hook hears that the answer is in";
  ASSERT_GE(beats.size(), 10u);
  Clock::duration longest{};
  for (std::size_t i = 1; i < beats.size(); ++i) longest = std::max(longest, beats[i] - beats[i - 1]);
  EXPECT_LT(longest, 100ms);
}

TEST(BackgroundLedger, ACountIsNotWaitedFor) {
  auto owned = std::make_unique<test::GatedLedger>();
  test::GatedLedger& gated = *owned;
  auto ledger = over(std::move(owned));
  const auto start = Clock::now();
  std::future<LedgerTally> counted = ledger->tallyLater("");
  EXPECT_LT(Clock::now() - start, 100ms);
  EXPECT_EQ(counted.wait_for(200ms), std::future_status::timeout);
  gated.open();
  EXPECT_EQ(counted.get().count(PagerResult::Verified), 0);
}

// A ledger that stops answering and starts again, as a server does.
class FlakyLedger final : public MemoryLedger {
 public:
  std::atomic<bool> down = false;
  std::vector<PagerRecord> list(std::string_view since) override {
    if (down) throw LedgerError("the connection to the server was lost");
    return MemoryLedger::list(since);
  }
};

TEST(BackgroundLedger, ItIsKnownUnreachableFromAFailureUntilACallAnswers) {
  auto owned = std::make_unique<FlakyLedger>();
  FlakyLedger& flaky = *owned;
  auto ledger = over(std::move(owned));
  EXPECT_TRUE(ledger->list("").empty());
  EXPECT_FALSE(ledger->unreachable());
  flaky.down = true;
  EXPECT_THROW(ledger->list(""), LedgerError);
  EXPECT_TRUE(ledger->unreachable());
  EXPECT_THROW(ledger->tallyLater("").get(), LedgerError);
  flaky.down = false;
  EXPECT_TRUE(ledger->list("").empty());
  EXPECT_FALSE(ledger->unreachable());
}

TEST(BackgroundLedger, ALedgerThatCannotBeOpenedGivesItsReasonToEveryCall) {
  BackgroundLedger ledger([]() -> std::unique_ptr<Ledger> {
    throw LedgerError("the ledger /x/ledger.sqlite3 cannot be opened: no such folder");
  });
  for (int i = 0; i < 2; ++i) {
    try {
      ledger.list("");
      ADD_FAILURE() << "no LedgerError";
    } catch (const LedgerError& e) {
      EXPECT_STREQ(e.what(), "the ledger /x/ledger.sqlite3 cannot be opened: no such folder");
    }
  }
  EXPECT_THROW(ledger.tallyLater("").get(), LedgerError);
  EXPECT_TRUE(ledger.unreachable());
}

// A shared batch's sets come from the window's rules, which live on the caller's thread: the
// ledger's thread hands the step back, and the caller's lookups inside it do not wait on the
// transaction that waits for them.
TEST(BackgroundLedger, ABatchsSetsAreMadeOnTheCallersThread) {
  test::TempFolder folder;
  auto ledger = over(openSqliteLedger(folder / "ledger.sqlite3"));
  ledger->setWaitHook([](const LedgerWait&) {});
  PagerRecord held = pagerWith(2005000);
  ASSERT_FALSE(ledger->beginAttempt(held, false));
  ledger->finishAttempt(held.id, PagerResult::Verified);

  std::vector<std::thread::id> madeOn;
  PagerRecord next = pagerWith(0);
  const SharedBatch batch{"order-17", std::string(64, 'a'), "1,0,0,0,0,0,0,0", ""};
  const auto conflict = ledger->reserve(batch, next, [&](int k) {
    madeOn.push_back(std::this_thread::get_id());
    EXPECT_FALSE(ledger->conflictWith(pagerWith(2004000 + k).addresses)) << k;
    EXPECT_TRUE(ledger->conflictWith(held.addresses)) << k;
    return pagerWith(2004000 + k).addresses;
  });
  ASSERT_FALSE(conflict);
  ASSERT_FALSE(madeOn.empty());
  for (const std::thread::id& id : madeOn) EXPECT_EQ(id, std::this_thread::get_id());
  EXPECT_GT(next.id, 0);
}

}  // namespace
}  // namespace capcode
