#include "production/ledger_refusal.hpp"

#include <chrono>

#include "core/visible_text.hpp"

namespace capcode {

namespace {

// A station may still be writing a pager whose record it started less than this long ago.
constexpr auto kStillWriting = std::chrono::minutes(1);

std::string wanted(const Conflict& c) {
  return "capcode " + std::to_string(c.wanted.capcode) + " of row " + std::to_string(c.wanted.row);
}

std::string record(const Conflict& c) {
  return "ledger record " + std::to_string(c.holder.id) + ", row " + std::to_string(c.holderRow) +
         " (" + std::string(roleName(c.holderRole)) + ")";
}

// "is already on a verified pager" and the like, by the holder's state.
std::string heldAs(const Conflict& c) {
  if (c.holder.settlement == Settlement::PutAside) return "is held by a pager put aside";
  switch (c.holder.result) {
    case PagerResult::Verified:
      return "is already on a verified pager";
    case PagerResult::Started:
      return "is held by an unfinished record";
    default:
      return "is already on a pager whose write ended \"" +
             std::string(resultName(c.holder.result)) + "\"";
  }
}

// `time` is the holder's start as the reader is to see it.
std::string whenAndWhere(const Conflict& c, const std::string& time) {
  return (heldByUnfinished(c) ? "unfinished since " : "written ") + time + " on station " +
         visibleText(c.holder.station);
}

std::string resolveAdvice(const Conflict& c) {
  return "check that pager, then settle the record with capcode ledger resolve " +
         std::to_string(c.holder.id) + " verified|not-written";
}

// An unfinished record started moments ago: its station is most likely writing that pager now.
bool stillBeingWritten(const Conflict& c) {
  const auto started = ledgerTimePoint(c.holder.started);
  return started && std::chrono::system_clock::now() - *started < kStillWriting;
}

// A write that reached the pager and ended badly: that pager may hold the capcodes.
bool heldByBrokenWrite(const Conflict& c) {
  return c.holder.result == PagerResult::Interrupted ||
         c.holder.result == PagerResult::VerifyFailed;
}

// What the person at the window may do about the holder, in its state.
std::string windowAdvice(const Conflict& c) {
  if (heldByUnfinished(c) && stillBeingWritten(c)) {
    return "Its station (" + c.holder.station +
           ") may still be writing that pager: try again in a moment. If the record stays "
           "unfinished, " +
           resolveAdvice(c) + ".";
  }
  if (heldByUnfinished(c))
    return "Nobody knows yet what that pager holds: " + resolveAdvice(c) + ".";
  if (heldByBrokenWrite(c)) {
    return "That pager may hold these capcodes: program that same pager again (or put it "
           "aside), never another one.";
  }
  return "Program it again only for a returned pager.";
}

}  // namespace

bool heldByUnfinished(const Conflict& conflict) {
  // A record put aside was settled by a person: nobody waits on it any more.
  return conflict.holder.result == PagerResult::Started &&
         conflict.holder.settlement == Settlement::None;
}

std::string conflictText(const Conflict& c) {
  std::string text = wanted(c) + " (" + std::string(roleName(c.wanted.role)) + ") " + heldAs(c) +
                     ": " + record(c) + ", " + whenAndWhere(c, c.holder.started) + "; ";
  if (heldByUnfinished(c)) return text + resolveAdvice(c);
  if (heldByBrokenWrite(c))
    return text + "give --allow-reuse to program that same pager again, never another one";
  return text + "give --allow-reuse to program it again (a returned pager)";
}

std::string conflictText(const Conflict& c, const std::string& configSha,
                         const std::string& listSha, bool resumed) {
  const bool sameOrder =
      !configSha.empty() && c.holder.configSha256 == configSha && c.holder.listSha256 == listSha;
  const std::string facts = wanted(c) + " (" + std::string(roleName(c.wanted.role)) + ") " +
                            heldAs(c) + ": " + record(c) + ", " + whenAndWhere(c, c.holder.started);
  // Resumed, the order's own held sets were stepped over: a set taken now that meets one
  // holds a capcode the order gives twice (a step that brings a row back to it).
  if (sameOrder && resumed)
    return facts + "; that pager is of this same order, whose sets give this capcode again";
  if (!sameOrder || c.holder.result != PagerResult::Verified) return conflictText(c);
  return facts +
         "; that pager is of this same order: --resume continues after the pagers it already has";
}

std::string conflictLogLine(const Conflict& c) {
  return "Ledger: " + wanted(c) + " " + heldAs(c) + ", " +
         whenAndWhere(c, localTimeText(c.holder.started)) + " (record " +
         std::to_string(c.holder.id) + ")";
}

std::string conflictNotice(const Conflict& c) {
  return "The pager was not written: " + wanted(c) + " " + heldAs(c) + " (record " +
         std::to_string(c.holder.id) + ", " + whenAndWhere(c, localTimeText(c.holder.started)) +
         ").\n" + windowAdvice(c);
}

Question conflictQuestion(const Conflict& c) {
  return Question{conflictNotice(c), {"Program again", "Cancel"}, 1, QuestionTone::Warning};
}

}  // namespace capcode
