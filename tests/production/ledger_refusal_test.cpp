// The ledger's refusal in the window's words: the advice follows the holding record's state, the
// times are local with their offset, and the question's safe answer writes nothing.

#include "production/ledger_refusal.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace capcode {
namespace {

Conflict heldBy(PagerResult result, std::string started) {
  Conflict c;
  c.wanted = {1, 2004000, true, AddressRole::Individual};
  c.holder.id = 7;
  c.holder.started = std::move(started);
  c.holder.station = "bench-7";
  c.holder.result = result;
  c.holderRow = 1;
  c.holderRole = AddressRole::Individual;
  return c;
}

TEST(LedgerRefusal, TheAdviceFollowsTheHoldersState) {
  const std::string old = "2026-12-09T10:01:02.345Z";
  const struct {
    PagerResult result;
    std::string started;
    std::string advice;  // the notice's last line
    std::string cli;     // the end of `capcode write`'s line
  } cases[] = {
      {PagerResult::Verified, old, "Program it again only for a returned pager.",
       "give --allow-reuse to program it again (a returned pager)"},
      {PagerResult::Interrupted, old,
       "That pager may hold these capcodes: program that same pager again (or put it aside), "
       "never another one.",
       "give --allow-reuse to program that same pager again, never another one"},
      {PagerResult::VerifyFailed, old,
       "That pager may hold these capcodes: program that same pager again (or put it aside), "
       "never another one.",
       "give --allow-reuse to program that same pager again, never another one"},
      {PagerResult::Started, old,
       "Nobody knows yet what that pager holds: check that pager, then settle the record with "
       "capcode ledger resolve 7 verified|not-written.",
       "settle the record with capcode ledger resolve 7 verified|not-written"},
      // Another station's write still running: the loser of a race waits a moment.
      {PagerResult::Started, ledgerTimeNow(),
       "Its station (bench-7) may still be writing that pager: try again in a moment. If the "
       "record stays unfinished, check that pager, then settle the record with capcode ledger "
       "resolve 7 verified|not-written.",
       "settle the record with capcode ledger resolve 7 verified|not-written"},
  };
  for (const auto& c : cases) {
    const Conflict conflict = heldBy(c.result, c.started);
    const std::string notice = conflictNotice(conflict);
    EXPECT_EQ(notice.substr(notice.find('\n') + 1), c.advice) << resultName(c.result);
    EXPECT_TRUE(notice.starts_with("The pager was not written: capcode 2004000 of row 1 "));
    EXPECT_NE(notice.find(localTimeText(c.started) + " on station bench-7"), std::string::npos)
        << notice;
    EXPECT_TRUE(conflictText(conflict).ends_with(c.cli)) << conflictText(conflict);
    EXPECT_NE(conflictText(conflict).find(c.started), std::string::npos) << "UTC on the console";
    EXPECT_NE(conflictLogLine(conflict).find(localTimeText(c.started)), std::string::npos);
  }
}

TEST(LedgerRefusal, TheQuestionsSafeAnswerWritesNothing) {
  const Question q = conflictQuestion(heldBy(PagerResult::Verified, "2026-12-09T10:01:02.345Z"));
  EXPECT_EQ(q.answers, (std::vector<std::string>{"Program again", "Cancel"}));
  ASSERT_TRUE(q.safeAnswer);
  EXPECT_EQ(q.answers[*q.safeAnswer], "Cancel");
  EXPECT_NE(*q.safeAnswer, kProgramAgainAnswer);
  EXPECT_EQ(q.tone, QuestionTone::Warning);
}

TEST(LedgerRefusal, LocalTimesCarryTheirOffset) {
  const char* const zone = std::getenv("TZ");
  const std::string saved = zone != nullptr ? zone : "";
  const struct {
    const char* zone;
    const char* utc;
    const char* local;
  } cases[] = {
      {"EET-2", "2026-12-09T22:17:22.458Z", "2026-12-10 00:17:22 +02:00"},
      {"UTC0", "2026-12-09T22:17:22.458Z", "2026-12-09 22:17:22 +00:00"},
      {"<-0530>5:30", "2026-12-09T02:00:00.000Z", "2026-12-08 20:30:00 -05:30"},
      {"EET-2", "not a time", "not a time"},
  };
  for (const auto& c : cases) {
    ::setenv("TZ", c.zone, 1);
    ::tzset();
    EXPECT_EQ(localTimeText(c.utc), c.local) << c.zone;
  }
  if (zone != nullptr) {
    ::setenv("TZ", saved.c_str(), 1);
  } else {
    ::unsetenv("TZ");
  }
  ::tzset();
}

}  // namespace
}  // namespace capcode
