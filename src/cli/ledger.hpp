#pragma once
// The pager ledger: one record for every pager that `capcode write` tries to program, written
// durably before the transfer starts and completed after it. It is what keeps a capcode from
// reaching two pagers: an individual capcode (a row that advances from pager to pager) must
// never be found on an earlier verified pager, and a shared capcode (a row with step 0, a group
// address all pagers of an order answer to) must never be an earlier pager's individual one.
//
// Back ends sit behind `Ledger`: SQLite on the station's disk, and a memory ledger for a run
// told to keep no record (the batch still refuses to repeat its own capcodes).

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace capcode {

enum class AddressRole { Individual, Shared };
std::string_view roleName(AddressRole role);  // "individual", "shared"

enum class PagerResult { Started, Verified, VerifyFailed, NotWritten, NoDevice, Interrupted };
// "started", "verified", "verify failed", "not written", "no device", "interrupted"
std::string_view resultName(PagerResult result);
std::optional<PagerResult> resultNamed(std::string_view name);

// One address row of a pager as it was written.
struct RecordedAddress {
  int row = 0;  // 1..8
  std::int32_t capcode = 0;
  bool enabled = false;
  AddressRole role = AddressRole::Shared;
};

struct PagerRecord {
  std::int64_t id = 0;    // given by the ledger
  std::string started;    // UTC, "2026-12-09T10:01:02.345Z"
  std::string finished;   // empty while the attempt is unfinished
  std::string host;
  std::string station;
  std::string configPath;
  std::string configSha256;  // of the configuration file, lower-case hex
  std::string imageSha256;   // of the 2048 bytes sent to the pager
  std::vector<RecordedAddress> addresses;  // rows 1..8 in order
  PagerResult result = PagerResult::Started;
};

// A capcode of the next pager that an earlier verified pager already carries.
struct Conflict {
  RecordedAddress wanted;  // the next pager's row
  PagerRecord holder;      // the earlier pager
  int holderRow = 0;
  AddressRole holderRole = AddressRole::Shared;
};

// The reason a ledger cannot be used; the batch must not program unrecorded.
class LedgerError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Ledger {
 public:
  virtual ~Ledger() = default;

  // The first of `addresses` (enabled rows only) that clashes with a verified pager.
  std::optional<Conflict> conflictWith(const std::vector<RecordedAddress>& addresses);

  // In one exclusive, durable step: unless `allowReuse`, looks for a conflict and, finding one,
  // records nothing and returns it; otherwise records the attempt as started and sets its id
  // (and its start time when empty). Throws LedgerError when the record cannot be made.
  std::optional<Conflict> beginAttempt(PagerRecord& record, bool allowReuse);

  // Completes a started attempt durably. Throws LedgerError.
  virtual void finishAttempt(std::int64_t id, PagerResult result) = 0;

  // The most recently started verified pager written from this configuration.
  virtual std::optional<PagerRecord> lastVerified(std::string_view configSha256) = 0;

  // Every record started at or after `since` (any prefix of the time form; empty for all),
  // oldest first.
  virtual std::vector<PagerRecord> list(std::string_view since) = 0;

 protected:
  // Where a capcode sits on verified pagers: enabled rows only.
  struct Holding {
    std::int64_t pagerId = 0;
    int row = 0;
    AddressRole role = AddressRole::Shared;
  };
  virtual std::vector<Holding> verifiedHoldings(std::int32_t capcode) = 0;
  virtual PagerRecord recordOf(std::int64_t id) = 0;
  virtual void insert(PagerRecord& record) = 0;
  // Runs `work` as one transaction that no other writer interleaves with; commits durably.
  virtual void exclusive(const std::function<void()>& work) = 0;
};

// A ledger that lives as long as the run: for --no-ledger, and for tests.
class MemoryLedger final : public Ledger {
 public:
  void finishAttempt(std::int64_t id, PagerResult result) override;
  std::optional<PagerRecord> lastVerified(std::string_view configSha256) override;
  std::vector<PagerRecord> list(std::string_view since) override;

 private:
  std::vector<Holding> verifiedHoldings(std::int32_t capcode) override;
  PagerRecord recordOf(std::int64_t id) override;
  void insert(PagerRecord& record) override;
  void exclusive(const std::function<void()>& work) override { work(); }
  PagerRecord& find(std::int64_t id);

  std::vector<PagerRecord> records_;
};

// The current time in the ledger's form: UTC with milliseconds.
std::string ledgerTimeNow();

// True for "YYYY-MM-DD" optionally followed by "THH:MM[:SS]", the forms --since takes.
bool isLedgerTimePrefix(std::string_view text);

}  // namespace capcode
