#include "production/pager_recorder.hpp"

#include <unistd.h>

#include <climits>

#include "ledger/sha256.hpp"
#include "production/batch_plan.hpp"

namespace capcode {

namespace {

// Thrown from inside the reservation's transaction when the set clashes: the transaction
// rolls back, so a refused first reservation does not leave the batch bound.
struct SetClashes {
  Conflict conflict;
};

// Thrown likewise when there is no set to take (the rules refuse it, a list has no line left):
// not a std::exception, so that the ledger does not take it for one of its own failures.
struct NoSet {
  std::string why;
};

}  // namespace

std::string hostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return "unknown";
  return name;
}

PagerRecorder::PagerRecorder(Ledger& ledger, const std::string& station)
    : ledger_(ledger), host_(hostName()) {
  station_ = station.empty() ? host_ : station;
}

void PagerRecorder::setConfiguration(std::string path, std::string sha256) {
  configPath_ = std::move(path);
  configSha_ = std::move(sha256);
}

void PagerRecorder::newPager() {
  record_ = PagerRecord{};
  record_.host = host_;
  record_.station = station_;
  record_.configPath = configPath_;
  record_.configSha256 = configSha_;
  setOrigin(origin_);
  begun_ = false;
}

void PagerRecorder::setOrigin(SetOrigin origin) {
  origin_ = std::move(origin);
  record_.listSha256 = origin_.listSha256;
  record_.listLine = origin_.listLine;
  record_.reference = origin_.reference;
}

template <typename Work>
LedgerStep PagerRecorder::guarded(Work&& work) {
  const auto start = std::chrono::steady_clock::now();
  struct Timed {
    std::chrono::steady_clock::duration& total;
    std::chrono::steady_clock::time_point start;
    ~Timed() { total += std::chrono::steady_clock::now() - start; }
  } timed{ledgerTime_, start};
  try {
    return work();
  } catch (const LedgerError& e) {
    return LedgerStep::failed(e.what());
  } catch (const std::exception& e) {
    // A driver's own failure (a malformed answer, no memory): still the ledger's.
    return LedgerStep::failed(std::string("the ledger failed: ") + e.what());
  }
}

LedgerStep PagerRecorder::check(const std::vector<RecordedAddress>& addresses,
                                std::string_view ownBatch) {
  return guarded([&] {
    if (auto conflict = ledger_.conflictWith(addresses, ownBatch))
      return LedgerStep::refused(*conflict);
    return LedgerStep{};
  });
}

LedgerStep PagerRecorder::begin(const Image& image, const std::vector<RecordedAddress>& addresses,
                                bool allowReuse) {
  record_.imageSha256 = sha256Hex(image);
  record_.addresses = addresses;
  return guarded([&] {
    if (auto conflict = ledger_.beginAttempt(record_, allowReuse))
      return LedgerStep::refused(*conflict);
    begun_ = true;
    return LedgerStep{};
  });
}

LedgerStep PagerRecorder::reserve(const SharedBatch& batch,
                                  const std::function<std::vector<RecordedAddress>(int)>& setOf) {
  return guarded([&] {
    try {
      // The clash is looked for inside the reservation, so that the whole step rolls back.
      ledger_.reserve(batch, record_, [&](int k) {
        std::vector<RecordedAddress> set;
        try {
          set = setOf(k);
        } catch (const BatchSetRefused& e) {
          throw NoSet{e.what()};
        }
        if (auto conflict = ledger_.conflictWith(set)) throw SetClashes{*conflict};
        return set;
      });
    } catch (const SetClashes& clash) {
      return LedgerStep::refused(clash.conflict);
    } catch (const NoSet& none) {
      return LedgerStep{LedgerStep::Kind::SetRefused, std::nullopt, none.why};
    }
    begun_ = true;
    return LedgerStep{};
  });
}

LedgerStep PagerRecorder::addImage(const Image& image) {
  record_.imageSha256 = sha256Hex(image);
  return guarded([&] {
    ledger_.recordImage(record_.id, record_.imageSha256);
    return LedgerStep{};
  });
}

LedgerStep PagerRecorder::complete(PagerResult result) {
  return guarded([&] {
    if (!begun_) {
      // An attempt that wrote nothing: recorded for the history, holding nothing.
      ledger_.beginAttempt(record_, true);
      begun_ = true;
    }
    ledger_.finishAttempt(record_.id, result);
    record_.result = result;
    return LedgerStep{};
  });
}

}  // namespace capcode
