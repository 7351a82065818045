#include "production/pager_identity.hpp"

#include <algorithm>
#include <ctime>
#include <filesystem>

#include "app/program.hpp"
#include "core/visible_text.hpp"
#include "ledger/sha256.hpp"
#include "link/programmer_links.hpp"
#include "production/batch_plan.hpp"

namespace capcode {

namespace {

bool onPager(const std::vector<RecordedAddress>& pager, std::int32_t capcode) {
  return std::any_of(pager.begin(), pager.end(),
                     [&](const RecordedAddress& a) { return a.enabled && a.capcode == capcode; });
}

// The record put one of the pager's capcodes on a pager of its own as an individual capcode.
bool wroteAnIndividualOf(const PagerRecord& record, const std::vector<RecordedAddress>& pager) {
  return std::any_of(
      record.addresses.begin(), record.addresses.end(), [&](const RecordedAddress& a) {
        return a.enabled && a.role == AddressRole::Individual && onPager(pager, a.capcode);
      });
}

// The same capcodes in the same rows, enabled rows only.
bool sameRows(const PagerRecord& record, const std::vector<RecordedAddress>& pager) {
  const auto enabled = [](const std::vector<RecordedAddress>& rows) {
    std::vector<std::pair<int, std::int32_t>> kept;
    for (const RecordedAddress& a : rows) {
      if (a.enabled) kept.emplace_back(a.row, a.capcode);
    }
    return kept;
  };
  return enabled(record.addresses) == enabled(pager);
}

bool recordedAfter(const PagerRecord& later, const PagerRecord& earlier) {
  return later.started != earlier.started ? later.started > earlier.started : later.id > earlier.id;
}

std::optional<std::size_t> firstWhere(const std::vector<PagerRecord>& records,
                                      const std::function<bool(const PagerRecord&)>& test) {
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (holdsCapcodes(records[i].result) && test(records[i])) return i;
  }
  return std::nullopt;
}

}  // namespace

bool PagerIdentity::clean() const {
  return identified() && unchanged && later.empty() &&
         writtenRecord().settlement != Settlement::Returned;
}

PagerIdentity identifyPager(Ledger& ledger, const std::vector<RecordedAddress>& addresses,
                            const std::string& imageSha256) {
  PagerIdentity identity;
  identity.addresses = addresses;
  identity.imageSha256 = imageSha256;
  std::vector<std::int32_t> capcodes;
  for (const RecordedAddress& a : addresses) {
    if (a.enabled) capcodes.push_back(a.capcode);
  }
  // A shared capcode alone names the whole order, not this pager.
  for (PagerRecord& record : ledger.recordsWith(capcodes, imageSha256)) {
    const bool sameImage = !imageSha256.empty() && record.imageSha256 == imageSha256;
    if (sameImage || wroteAnIndividualOf(record, addresses))
      identity.records.push_back(std::move(record));
  }
  const auto& records = identity.records;
  identity.written = firstWhere(records, [&](const PagerRecord& r) {
    return !imageSha256.empty() && r.imageSha256 == imageSha256;
  });
  if (!identity.written) {
    identity.written =
        firstWhere(records, [&](const PagerRecord& r) { return sameRows(r, addresses); });
  }
  if (!identity.written)
    identity.written = firstWhere(records, [](const PagerRecord&) { return true; });
  if (!identity.written) return identity;

  const PagerRecord& mine = identity.writtenRecord();
  identity.unchanged = !imageSha256.empty() && mine.imageSha256 == imageSha256;
  // A row's role is what its record wrote it as: a pager read back shows only its steps.
  std::vector<RecordedAddress> held = addresses;
  for (RecordedAddress& a : held) {
    for (const RecordedAddress& w : mine.addresses) {
      if (w.enabled && w.capcode == a.capcode) a.role = w.role;
    }
  }
  for (const PagerRecord& other : records) {
    if (other.id == mine.id || !keepsCapcodes(other) || !recordedAfter(other, mine)) continue;
    for (const RecordedAddress& theirs : other.addresses) {
      if (!theirs.enabled) continue;
      for (const RecordedAddress& a : held) {
        // Two pagers answering each other's pages: an individual capcode on either side.
        const bool clash =
            a.role == AddressRole::Individual || theirs.role == AddressRole::Individual;
        if (a.enabled && a.capcode == theirs.capcode && clash)
          identity.later.push_back({a, other, theirs.row});
      }
    }
  }
  return identity;
}

std::string recordOrigin(const PagerRecord& record) {
  std::string origin = record.batch.empty()
                           ? std::filesystem::path(record.configPath).filename().string()
                           : record.batch;
  if (record.listLine > 0) {
    origin += " line " + std::to_string(record.listLine);
    if (!record.reference.empty()) origin += " (ref " + visibleText(record.reference) + ")";
  } else if (!record.batch.empty() && record.setIndex >= 0) {
    origin += " set " + std::to_string(record.setIndex);
  }
  return origin;
}

std::string identityLogLine(const PagerIdentity& identity) {
  if (!identity.identified()) {
    return "Ledger: this pager is not in the ledger (" + describeCapcodes(identity.addresses) + ")";
  }
  const PagerRecord& r = identity.writtenRecord();
  std::string line = "Ledger: written " + localTimeText(r.started) + " on station " +
                     visibleText(r.station) + ", " + recordOrigin(r) + "; " +
                     (identity.unchanged ? "unchanged since" : "changed since");
  if (r.settlement == Settlement::Returned) {
    line += "; recorded as returned " + localTimeText(r.settledAt) + ", yet not wiped";
  } else if (r.settlement == Settlement::PutAside) {
    line += "; put aside " + localTimeText(r.settledAt);
  }
  if (!identity.later.empty()) {
    const LaterHolder& first = identity.later.front();
    line += "; capcode " + std::to_string(first.mine.capcode) + " is also on record " +
            std::to_string(first.holder.id) + ", a later pager";
  }
  return line;
}

std::vector<std::string> identityAdvice(const PagerIdentity& identity) {
  if (!identity.identified()) {
    return {
        "The ledger has no record of this pager: it was programmed elsewhere, or before the "
        "ledger. Its capcodes are not held for any order; program it as a new pager."};
  }
  const PagerRecord& r = identity.writtenRecord();
  const std::string id = std::to_string(r.id);
  std::vector<std::string> advice;
  if (!identity.later.empty()) {
    advice.push_back(
        "A later pager answers to a capcode of this one: do not give this pager out as it is; "
        "wipe it or program it with other capcodes.");
  }
  if (r.settlement == Settlement::Returned) {
    advice.push_back("Record " + id +
                     " says this pager was returned and wiped, but it still answers to its "
                     "capcodes: wipe it before it leaves the desk.");
    return advice;
  }
  if (r.settlement != Settlement::PutAside) {
    advice.push_back("To keep it off the line with its capcodes held: capcode ledger resolve " +
                     id + " put-aside");
  }
  advice.push_back(
      "Once it is wiped, to give its capcodes back to the order: capcode ledger resolve " + id +
      " returned");
  if (!identity.unchanged) {
    advice.push_back("Its bytes differ from what record " + id +
                     " wrote: check it before it goes back to a subscriber.");
  }
  return advice;
}

ReadIdentityLine::ReadIdentityLine(Program& program, std::function<Ledger*()> ledger)
    : program_(program), read_(program.state().form.handler("ReadFromPagerClick")) {
  program.state().form.defineHandler(
      "ReadFromPagerClick", [this, read = read_, ledger = std::move(ledger)] {
        if (read) read();
        Ledger* book = ledger();
        if (book == nullptr || program_.links().lastRead.what != PagerOutcome::ReadCompleted)
          return;
        ProgramState& state = program_.state();
        try {
          state.log(identityLogLine(
              identifyPager(*book, currentAddresses(state), sha256Hex(state.PagerReadBuffer))));
        } catch (const LedgerError& e) {
          state.log("Ledger: cannot tell which pager this is (" + std::string(e.what()) + ")");
        }
      });
}

ReadIdentityLine::~ReadIdentityLine() {
  program_.state().form.defineHandler("ReadFromPagerClick", read_);
}

}  // namespace capcode
