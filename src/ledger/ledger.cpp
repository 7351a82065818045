#include "ledger/ledger.hpp"

#include <algorithm>

namespace capcode {

namespace {

constexpr std::string_view kResultNames[] = {"started",     "verified",  "verify failed",
                                             "not written", "no device", "interrupted"};

constexpr std::string_view kSettlementNames[] = {"", "put aside", "returned"};

bool clashes(AddressRole wanted, AddressRole held) {
  // Two individual capcodes, or a shared one meeting another pager's individual one: either
  // way two pagers would receive each other's pages. Shared with shared is a group address.
  return wanted == AddressRole::Individual || held == AddressRole::Individual;
}

}  // namespace

std::string_view roleName(AddressRole role) {
  return role == AddressRole::Individual ? "individual" : "shared";
}

std::string_view resultName(PagerResult result) {
  return kResultNames[static_cast<int>(result)];
}

bool holdsCapcodes(PagerResult result) {
  return result != PagerResult::NotWritten && result != PagerResult::NoDevice;
}

std::string_view settlementName(Settlement settlement) {
  return kSettlementNames[static_cast<int>(settlement)];
}

std::optional<Settlement> settlementNamed(std::string_view name) {
  for (int i = 0; i < static_cast<int>(std::size(kSettlementNames)); ++i) {
    if (kSettlementNames[i] == name) return static_cast<Settlement>(i);
  }
  return std::nullopt;
}

bool keepsCapcodes(const PagerRecord& record) {
  return holdsCapcodes(record.result) && record.settlement != Settlement::Returned;
}

bool carriedCapcode(const PagerRecord& record, std::int32_t capcode) {
  return holdsCapcodes(record.result) &&
         std::any_of(record.addresses.begin(), record.addresses.end(),
                     [&](const RecordedAddress& a) { return a.enabled && a.capcode == capcode; });
}

std::optional<PagerResult> resultNamed(std::string_view name) {
  for (int i = 0; i < static_cast<int>(std::size(kResultNames)); ++i) {
    if (kResultNames[i] == name) return static_cast<PagerResult>(i);
  }
  return std::nullopt;
}

std::optional<Conflict> Ledger::conflictWith(const std::vector<RecordedAddress>& addresses) {
  return conflictWith(addresses, {});
}

std::optional<Conflict> Ledger::conflictWith(const std::vector<RecordedAddress>& addresses,
                                             std::string_view ownBatch) {
  for (const RecordedAddress& wanted : addresses) {
    if (!wanted.enabled) continue;
    for (const Holding& held : holdings(wanted.capcode)) {
      if (!clashes(wanted.role, held.role)) continue;
      PagerRecord holder = recordOf(held.pagerId);
      if (!ownBatch.empty() && holder.batch == ownBatch) continue;
      return Conflict{wanted, std::move(holder), held.row, held.role};
    }
  }
  return std::nullopt;
}

std::optional<Conflict> Ledger::beginAttempt(PagerRecord& record, bool allowReuse) {
  std::optional<Conflict> conflict;
  if (record.started.empty()) record.started = ledgerTimeNow();
  record.finished.clear();
  record.result = PagerResult::Started;
  exclusive([&] {
    conflict.reset();
    if (!allowReuse) conflict = conflictWith(record.addresses);
    if (!conflict) insert(record, !allowReuse);
  });
  return conflict;
}

void MemoryLedger::recordImage(std::int64_t id, const std::string& imageSha256) {
  find(id).imageSha256 = imageSha256;
}

void MemoryLedger::finishAttempt(std::int64_t id, PagerResult result) {
  PagerRecord& record = find(id);
  record.result = result;
  record.finished = ledgerTimeNow();
}

std::optional<PagerRecord> MemoryLedger::lastVerified(std::string_view configSha256) {
  for (auto it = records_.rbegin(); it != records_.rend(); ++it) {
    if (it->result == PagerResult::Verified && it->configSha256 == configSha256) return *it;
  }
  return std::nullopt;
}

std::vector<int> MemoryLedger::verifiedListLines(std::string_view listSha256) {
  std::vector<int> lines;
  for (const PagerRecord& record : records_) {
    if (record.result == PagerResult::Verified && keepsCapcodes(record) && record.listLine > 0 &&
        record.listSha256 == listSha256)
      lines.push_back(record.listLine);
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::vector<PagerRecord> MemoryLedger::list(std::string_view since) {
  std::vector<PagerRecord> found;
  for (const PagerRecord& record : records_) {
    if (std::string_view(record.started) >= since) found.push_back(record);
  }
  return found;
}

std::vector<Ledger::Holding> MemoryLedger::holdings(std::int32_t capcode) {
  std::vector<Holding> found;
  for (const PagerRecord& record : records_) {
    if (!keepsCapcodes(record)) continue;
    for (const RecordedAddress& address : record.addresses) {
      if (address.enabled && address.capcode == capcode)
        found.push_back({record.id, address.row, address.role});
    }
  }
  return found;
}

std::optional<Conflict> Ledger::reserve(const SharedBatch&, PagerRecord&,
                                        const std::function<std::vector<RecordedAddress>(int)>&) {
  throw LedgerError("a shared batch needs a ledger database (--ledger)");
}

void Ledger::recordImage(std::int64_t, const std::string&) {}

LedgerTally Ledger::tally(std::string_view since) {
  LedgerTally tally;
  for (PagerRecord& record : list(since)) {
    ++tally.byResult[static_cast<std::size_t>(record.result)];
    if (record.result == PagerResult::Verified) tally.lastVerified = std::move(record);
  }
  return tally;
}

std::vector<PagerRecord> Ledger::unfinished() {
  std::vector<PagerRecord> open;
  for (PagerRecord& record : list("")) {
    if (record.result == PagerResult::Started && record.settlement == Settlement::None)
      open.push_back(std::move(record));
  }
  return open;
}

void Ledger::resolve(std::int64_t id, PagerResult result) {
  bool found = false;
  for (const PagerRecord& record : unfinished())
    found = found || record.id == id;
  if (!found) throw LedgerError("record " + std::to_string(id) + " is not an unfinished attempt");
  finishAttempt(id, result);
}

std::vector<PagerRecord> Ledger::recordsWith(const std::vector<std::int32_t>& capcodes,
                                             const std::string& imageSha256) {
  std::vector<PagerRecord> found;
  for (PagerRecord& record : list("")) {
    const bool sameImage = !imageSha256.empty() && record.imageSha256 == imageSha256;
    const bool sameCapcode = std::any_of(
        record.addresses.begin(), record.addresses.end(), [&](const RecordedAddress& a) {
          return a.enabled &&
                 std::find(capcodes.begin(), capcodes.end(), a.capcode) != capcodes.end();
        });
    if (sameImage || sameCapcode) found.push_back(std::move(record));
  }
  std::stable_sort(found.begin(), found.end(), [](const PagerRecord& a, const PagerRecord& b) {
    return a.started != b.started ? a.started > b.started : a.id > b.id;
  });
  return found;
}

std::vector<PagerRecord> Ledger::pagersThatHeld(std::int32_t capcode) {
  std::vector<PagerRecord> held = recordsWith({capcode}, "");
  std::erase_if(held, [&](const PagerRecord& r) { return !carriedCapcode(r, capcode); });
  return held;
}

void Ledger::settle(std::int64_t id, Settlement settlement, const std::string& by) {
  if (settlement == Settlement::None)
    throw LedgerError("record " + std::to_string(id) + ": nothing to settle");
  exclusive([&] {
    const PagerRecord record = recordOf(id);
    const std::string name = "record " + std::to_string(id);
    if (!holdsCapcodes(record.result)) {
      throw LedgerError(name + " ended \"" + std::string(resultName(record.result)) +
                        "\": its pager got nothing and holds no capcodes");
    }
    if (record.settlement == Settlement::Returned || record.settlement == settlement) {
      throw LedgerError(name + " was " + std::string(settlementName(record.settlement)) + " at " +
                        record.settledAt + " by " + record.settledBy + "; nothing changed");
    }
    storeSettlement(id, settlement, ledgerTimeNow(), by);
  });
}

void MemoryLedger::storeSettlement(std::int64_t id, Settlement settlement, const std::string& at,
                                   const std::string& by) {
  PagerRecord& record = find(id);
  record.settlement = settlement;
  record.settledAt = at;
  record.settledBy = by;
}

PagerRecord MemoryLedger::recordOf(std::int64_t id) {
  return find(id);
}

void MemoryLedger::insert(PagerRecord& record, bool) {
  record.id = static_cast<std::int64_t>(records_.size()) + 1;
  records_.push_back(record);
}

PagerRecord& MemoryLedger::find(std::int64_t id) {
  if (id < 1 || id > static_cast<std::int64_t>(records_.size()))
    throw LedgerError("no ledger record " + std::to_string(id));
  return records_[static_cast<std::size_t>(id - 1)];
}

}  // namespace capcode
