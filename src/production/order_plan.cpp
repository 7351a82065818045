#include "production/order_plan.hpp"

#include <algorithm>
#include <map>

#include "production/production_road.hpp"

namespace capcode {

namespace {

// A record whose pager may carry its capcodes: not one whose pager got nothing, nor one that
// came back and was wiped; a pager put aside keeps them.
bool keeps(const PagerRecord& record) {
  return keepsCapcodes(record);
}

struct Placed {
  int pager = 0;
  AddressRole role = AddressRole::Shared;
};

std::string rowsText(const std::vector<RecordedAddress>& addresses, const CapcodeList& list) {
  std::string text;
  for (const RecordedAddress& a : addresses) {
    if (!list.named[static_cast<std::size_t>(a.row)]) continue;
    text += (text.empty() ? "" : " ") + std::to_string(a.row) + "=" + std::to_string(a.capcode);
  }
  return text;
}

std::string lineText(const CapcodeListLine& line, const CapcodeList& list) {
  std::string text;
  for (int row = 1; row <= kAddressRows; ++row) {
    if (!list.named[static_cast<std::size_t>(row)]) continue;
    text += (text.empty() ? "" : " ") + std::to_string(row) + "=" +
            std::to_string(line.capcodes[static_cast<std::size_t>(row)]);
  }
  return text;
}

bool sameEnabledCapcodes(const std::vector<RecordedAddress>& a,
                         const std::vector<RecordedAddress>& b) {
  for (const RecordedAddress& x : a) {
    if (!x.enabled) continue;
    const auto y = std::find_if(b.begin(), b.end(), [&](const auto& r) { return r.row == x.row; });
    if (y == b.end() || y->capcode != x.capcode) return false;
  }
  return true;
}

void keepNewest(std::map<int, PagerRecord>& held, int set, const PagerRecord& record) {
  auto [at, fresh] = held.emplace(set, record);
  if (!fresh && record.id > at->second.id) at->second = record;
}

OrderHistory historyOf(const std::map<int, PagerRecord>& held) {
  OrderHistory history;
  for (const auto& [set, record] : held)
    history.held.push_back({set, record});
  return history;
}

// The set of a stepped order an older record (kept without its set index) was given: found
// from a row that steps, then checked against the whole set.
std::optional<int> locateSet(const PagerRecord& record, CapcodeSets& sets,
                             const std::vector<RecordedAddress>& first) {
  constexpr int kFurthest = 200000;  // further than any order this program plays
  for (const RecordedAddress& base : first) {
    const int step = base.row <= 4 ? sets.step(base.row) : 0;
    if (!base.enabled || step <= 0) continue;
    const auto at = std::find_if(record.addresses.begin(), record.addresses.end(),
                                 [&](const auto& a) { return a.row == base.row; });
    if (at == record.addresses.end() || !at->enabled) return std::nullopt;
    const std::int64_t moved = std::int64_t{at->capcode} - base.capcode;
    if (moved < 0 || moved % step != 0 || moved / step > kFurthest) return std::nullopt;
    const int k = static_cast<int>(moved / step);
    try {
      if (sameEnabledCapcodes(sets.set(k), record.addresses)) return k;
    } catch (const BatchSetRefused&) {
    }
    return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

std::optional<PlanFault> checkPlanRules(ProgramState& state, CapcodeSource& source,
                                        const std::vector<int>& sets,
                                        std::vector<PlannedSet>& planned) {
  planned.clear();
  std::map<std::int32_t, Placed> placed;  // capcode -> the first pager given it
  for (std::size_t i = 0; i < sets.size(); ++i) {
    const int pager = static_cast<int>(i) + 1;
    const int k = sets[i];
    std::vector<RecordedAddress> set;
    try {
      set = source.set(k);
    } catch (const BatchSetRefused& e) {
      return PlanFault{pager, k, e.refusal.row, e.refusal.reason, std::nullopt};
    }
    if (auto refusal = enterSet(state, set, pager))
      return PlanFault{pager, k, refusal->row, refusal->reason, std::nullopt};
    for (const RecordedAddress& a : set) {
      if (!a.enabled) continue;
      auto [at, fresh] = placed.emplace(a.capcode, Placed{pager, a.role});
      if (fresh || at->second.pager == pager) continue;
      if (a.role == AddressRole::Shared && at->second.role == AddressRole::Shared) continue;
      return PlanFault{pager, k, a.row,
                       "capcode " + std::to_string(a.capcode) +
                           " would be given to an earlier pager of this batch",
                       std::nullopt};
    }
    planned.push_back({k, std::move(set)});
  }
  return std::nullopt;
}

std::optional<PlanFault> checkPlanLedger(PagerRecorder& recorder,
                                         const std::vector<PlannedSet>& planned,
                                         const std::string& ownBatch) {
  for (std::size_t i = 0; i < planned.size(); ++i) {
    LedgerStep step = recorder.check(planned[i].addresses, ownBatch);
    if (step.done()) continue;
    const int row = step.conflict ? step.conflict->wanted.row : 0;
    return PlanFault{static_cast<int>(i) + 1, planned[i].set, row, step.error, std::move(step)};
  }
  return std::nullopt;
}

bool OrderHistory::holds(int set) const {
  return std::any_of(held.begin(), held.end(), [&](const Held& h) { return h.set == set; });
}

int OrderHistory::verified() const {
  return static_cast<int>(std::count_if(held.begin(), held.end(), [](const Held& h) {
    return h.record.result == PagerResult::Verified;
  }));
}

OrderHistory steppedHistory(const std::vector<PagerRecord>& records, const std::string& configSha,
                            CapcodeSets& sets) {
  std::vector<const PagerRecord*> mine;
  for (const PagerRecord& r : records) {
    if (keeps(r) && r.configSha256 == configSha && r.batch.empty() && r.listSha256.empty())
      mine.push_back(&r);
  }
  std::map<int, PagerRecord> held;
  if (mine.empty()) return {};
  std::vector<RecordedAddress> first;
  try {
    first = sets.set(0);
  } catch (const BatchSetRefused&) {
    return {};
  }
  // Rising set indexes cost one advance each on the scratch program.
  std::sort(mine.begin(), mine.end(),
            [](const PagerRecord* a, const PagerRecord* b) { return a->setIndex < b->setIndex; });
  for (const PagerRecord* r : mine) {
    std::optional<int> k;
    if (r->setIndex >= 0) {
      try {
        if (sameEnabledCapcodes(sets.set(r->setIndex), r->addresses)) k = r->setIndex;
      } catch (const BatchSetRefused&) {
      }
    }
    if (!k) k = locateSet(*r, sets, first);
    if (k) keepNewest(held, *k, *r);
  }
  return historyOf(held);
}

OrderHistory listHistory(const std::vector<PagerRecord>& records, const std::string& configSha,
                         const CapcodeList& list) {
  // The lines by their first named capcode, for records of an earlier version of the list.
  int firstRow = 0;
  for (int row = 1; row <= kAddressRows && firstRow == 0; ++row)
    firstRow = list.named[static_cast<std::size_t>(row)] ? row : 0;
  std::multimap<std::int32_t, int> byCapcode;
  for (std::size_t k = 0; k < list.lines.size(); ++k)
    byCapcode.emplace(list.lines[k].capcodes[static_cast<std::size_t>(firstRow)],
                      static_cast<int>(k));
  const auto lineMatches = [&](int k, const PagerRecord& r) {
    const CapcodeListLine& line = list.lines[static_cast<std::size_t>(k)];
    for (int row = 1; row <= kAddressRows; ++row) {
      if (!list.named[static_cast<std::size_t>(row)]) continue;
      const auto a = std::find_if(r.addresses.begin(), r.addresses.end(),
                                  [&](const auto& x) { return x.row == row; });
      if (a == r.addresses.end() || a->capcode != line.capcodes[static_cast<std::size_t>(row)])
        return false;
    }
    return true;
  };
  std::map<int, PagerRecord> held;
  std::map<int, std::string> changed;
  for (const PagerRecord& r : records) {
    if (!keeps(r) || r.listSha256.empty()) continue;
    if (r.listSha256 != list.sha256 && r.configSha256 != configSha) continue;
    std::optional<int> k;
    const int byLine = r.listLine - 2;
    if (byLine >= 0 && byLine < static_cast<int>(list.lines.size()) && lineMatches(byLine, r))
      k = byLine;
    const auto addr = std::find_if(r.addresses.begin(), r.addresses.end(),
                                   [&](const auto& x) { return x.row == firstRow; });
    if (!k && addr != r.addresses.end()) {
      for (auto [it, end] = byCapcode.equal_range(addr->capcode); it != end && !k; ++it) {
        if (lineMatches(it->second, r)) k = it->second;
      }
    }
    if (k) {
      keepNewest(held, *k, r);
    } else if (byLine >= 0 && byLine < static_cast<int>(list.lines.size())) {
      const CapcodeListLine& line = list.lines[static_cast<std::size_t>(byLine)];
      changed[byLine] = "line " + std::to_string(line.line) + " reads " + lineText(line, list) +
                        " now; record " + std::to_string(r.id) + " was written from it with " +
                        rowsText(r.addresses, list);
    }
  }
  OrderHistory history = historyOf(held);
  for (const auto& [k, text] : changed) {
    if (!history.holds(k)) history.changed.push_back(text);
  }
  return history;
}

std::vector<int> resumeSets(const OrderHistory& history, int available, int count) {
  std::vector<int> sets;
  const auto full = [&] { return count > 0 && static_cast<int>(sets.size()) >= count; };
  const int highest = history.held.empty() ? -1 : history.held.back().set;
  for (int k = 0; k < highest && !full(); ++k) {
    if (!history.holds(k)) sets.push_back(k);
  }
  for (int k = highest + 1; (available < 0 || k < available) && !full(); ++k)
    sets.push_back(k);
  return sets;
}

std::string skippedText(const OrderHistory& history, const std::vector<int>& taken,
                        const CapcodeList* list) {
  std::string text;
  for (const OrderHistory::Held& h : history.held) {
    if (h.record.result == PagerResult::Verified) continue;
    if (std::find(taken.begin(), taken.end(), h.set) != taken.end()) continue;
    const std::string which =
        list ? "line " + std::to_string(list->lines[static_cast<std::size_t>(h.set)].line)
             : "set " + std::to_string(h.set);
    const std::string state = h.record.settlement == Settlement::PutAside
                                  ? "put aside"
                                  : std::string(resultName(h.record.result));
    text += (text.empty() ? "" : ", ") + which + " (" + state + ", record " +
            std::to_string(h.record.id) + ")";
  }
  return text;
}

}  // namespace capcode
