#include "production/ledger_refusal.hpp"

#include "core/visible_text.hpp"

namespace capcode {

namespace {

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

std::string whenAndWhere(const Conflict& c) {
  return (heldByUnfinished(c) ? "unfinished since " : "written ") + c.holder.started +
         " on station " + visibleText(c.holder.station);
}

std::string resolveAdvice(const Conflict& c) {
  return "check that pager, then settle the record with capcode ledger resolve " +
         std::to_string(c.holder.id) + " verified|not-written";
}

}  // namespace

bool heldByUnfinished(const Conflict& conflict) {
  // A record put aside was settled by a person: nobody waits on it any more.
  return conflict.holder.result == PagerResult::Started &&
         conflict.holder.settlement == Settlement::None;
}

std::string conflictText(const Conflict& c) {
  std::string text = wanted(c) + " (" + std::string(roleName(c.wanted.role)) + ") " + heldAs(c) +
                     ": " + record(c) + ", " + whenAndWhere(c) + "; ";
  if (heldByUnfinished(c)) return text + resolveAdvice(c);
  return text + "give --allow-reuse to program it again (a returned pager)";
}

std::string conflictText(const Conflict& c, const std::string& configSha,
                         const std::string& listSha) {
  if (configSha.empty() || c.holder.result != PagerResult::Verified ||
      c.holder.configSha256 != configSha || c.holder.listSha256 != listSha)
    return conflictText(c);
  return wanted(c) + " (" + std::string(roleName(c.wanted.role)) + ") " + heldAs(c) + ": " +
         record(c) + ", " + whenAndWhere(c) +
         "; that pager is of this same order: --resume continues after the pagers it already has";
}

std::string conflictLogLine(const Conflict& c) {
  return "Ledger: " + wanted(c) + " " + heldAs(c) + ", " + whenAndWhere(c) + " (record " +
         std::to_string(c.holder.id) + ")";
}

std::string conflictNotice(const Conflict& c) {
  std::string text = "The pager was not written: " + wanted(c) + " " + heldAs(c) + " (record " +
                     std::to_string(c.holder.id) + ", " + whenAndWhere(c) + ").\n";
  if (heldByUnfinished(c)) {
    text += "Nobody knows yet what that pager holds: " + resolveAdvice(c) + ".";
  } else {
    text += "Program it again only for a returned pager.";
  }
  return text;
}

}  // namespace capcode
