#pragma once
// The pager ledger: one record for every pager that `capcode write` tries to program, written
// durably before the transfer starts and completed after it. It is what keeps a capcode from
// reaching two pagers: an individual capcode (a row that advances from pager to pager) is held
// by the pager that got it, and a shared capcode (a row with step 0, a group address all pagers
// of an order answer to) must never be another pager's individual one. A pager holds its
// capcodes from the moment its record is started (the write may reach it) unless its attempt
// ended before anything was written (not written, no device).
//
// Back ends sit behind `Ledger`: SQL databases (SQLite on the station's disk, PostgreSQL for
// several stations), and a memory ledger for a run told to keep no record (the batch still
// refuses to repeat its own capcodes).

#include <array>
#include <chrono>
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
// Started, verified, verify failed and interrupted pagers may carry their capcodes; a pager
// that ended before anything was written does not.
bool holdsCapcodes(PagerResult result);

// What a person settled about a pager after its attempt ended, kept beside its result (the result
// is history and never changes): put aside, the pager was taken off the line and keeps its
// capcodes held, so no other pager ever gets them; returned, the pager came back and was wiped,
// so its capcodes are free again (its individual ones for the order's next pager, a shared
// batch's set for the batch's next reservation).
enum class Settlement { None, PutAside, Returned };
// "", "put aside", "returned"
std::string_view settlementName(Settlement settlement);
std::optional<Settlement> settlementNamed(std::string_view name);

// One address row of a pager as it was written.
struct RecordedAddress {
  int row = 0;  // 1..8
  std::int32_t capcode = 0;
  bool enabled = false;
  AddressRole role = AddressRole::Shared;
  bool operator==(const RecordedAddress&) const = default;
};

struct PagerRecord {
  std::int64_t id = 0;   // given by the ledger
  std::string started;   // UTC, "2026-12-09T10:01:02.345Z"
  std::string finished;  // empty while the attempt is unfinished
  std::string host;
  std::string station;
  std::string configPath;
  std::string configSha256;                // of the configuration file, lower-case hex
  std::string imageSha256;                 // of the 2048 bytes sent to the pager
  std::vector<RecordedAddress> addresses;  // rows 1..8 in order
  PagerResult result = PagerResult::Started;
  std::string batch;       // the shared batch it belongs to, if any
  int setIndex = -1;       // its capcode set within the batch: 0 is the configuration's own
  std::string listSha256;  // the capcode list its capcodes came from (lower-case hex), if any
  int listLine = 0;        // the list's line it took (the header is line 1); 0 for none
  std::string reference;   // the list line's other columns, "subscriber=Ann; order=17"
  Settlement settlement = Settlement::None;
  std::string settledAt;  // UTC in the ledger's time form; empty while not settled
  std::string settledBy;  // who settled it, "user on station (host)"; empty while not settled
};

// Whether the record's pager holds its capcodes now: its result may have put them on it, and it
// was not returned and wiped since.
bool keepsCapcodes(const PagerRecord& record);

// Whether the record's pager carried `capcode` in an enabled row: its result may have put it on
// the pager (returned since or not).
bool carriedCapcode(const PagerRecord& record, std::int32_t capcode);

// A batch that several stations program together: every pager gets the next free capcode set.
struct SharedBatch {
  std::string name;
  std::string configSha256;
  std::string steps;       // the steps of rows 1..8, "1,1,0,0,0,0,0,0"
  std::string listSha256;  // the capcode list whose lines are its sets; empty for steps
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

// What the records started since a moment come to, for a status at a glance.
struct LedgerTally {
  std::array<int, 6> byResult{};  // how many ended with each result, indexed by PagerResult
  std::optional<PagerRecord> lastVerified;  // the most recently started verified pager
  int count(PagerResult result) const { return byResult[static_cast<std::size_t>(result)]; }
};

class Ledger {
 public:
  virtual ~Ledger() = default;

  // The first of `addresses` (enabled rows only) that clashes with a pager holding its
  // capcodes.
  std::optional<Conflict> conflictWith(const std::vector<RecordedAddress>& addresses);
  // The same, leaving out the pagers of the shared batch `ownBatch` (its own sets are the
  // batch's to hand out); empty leaves out none.
  std::optional<Conflict> conflictWith(const std::vector<RecordedAddress>& addresses,
                                       std::string_view ownBatch);

  // In one exclusive, durable step: unless `allowReuse`, looks for a conflict and, finding one,
  // records nothing and returns it; otherwise records the attempt as started and sets its id
  // (and its start time when empty). Throws LedgerError when the record cannot be made.
  std::optional<Conflict> beginAttempt(PagerRecord& record, bool allowReuse);

  // Completes a started attempt durably; a pager that got nothing gives its capcodes back.
  // Throws LedgerError.
  virtual void finishAttempt(std::int64_t id, PagerResult result) = 0;

  // In one exclusive, durable step: the next free capcode set of the batch (the lowest set no
  // pager holds; a set given back by a pager that got nothing is handed out again), recorded
  // as `record`'s started attempt with its set index and addresses, `setOf(k)` giving set k's
  // capcodes. The batch is created on first use; a station with other steps or another
  // configuration is refused with LedgerError, as is a ledger without batches. Returns the
  // conflict when the set clashes with a pager outside the batch (nothing recorded).
  virtual std::optional<Conflict> reserve(
      const SharedBatch& batch, PagerRecord& record,
      const std::function<std::vector<RecordedAddress>(int)>& setOf);

  // The digest of the bytes about to be written, once known. Throws LedgerError.
  virtual void recordImage(std::int64_t id, const std::string& imageSha256);

  // Started attempts that were never completed (a station that died mid-write) and that no
  // person has settled since, oldest first.
  std::vector<PagerRecord> unfinished();

  // Settles an unfinished attempt after a person checked the pager. Throws LedgerError when
  // the record does not exist or is not unfinished.
  void resolve(std::int64_t id, PagerResult result);

  // Settles a record in one exclusive, durable step, with the time and `by` (who settled it),
  // its result unchanged. PutAside: a record whose pager holds its capcodes (started,
  // verified, verify failed, interrupted) keeps holding them. Returned: the same records, and
  // those put aside, give their capcodes back. Throws LedgerError for no such record, for
  // Settlement::None, a pager that holds no capcodes (not written, no device), a record
  // returned already and one put aside twice; nothing is changed then.
  void settle(std::int64_t id, Settlement settlement, const std::string& by);

  // The most recently started verified pager written from this configuration.
  virtual std::optional<PagerRecord> lastVerified(std::string_view configSha256) = 0;

  // The lines of the capcode list with this SHA-256 that a verified pager took and was not
  // returned since, rising.
  virtual std::vector<int> verifiedListLines(std::string_view listSha256) = 0;

  // Every record started at or after `since` (any prefix of the time form; empty for all),
  // oldest first.
  virtual std::vector<PagerRecord> list(std::string_view since) = 0;

  // The record with this id. Throws LedgerError when there is none.
  PagerRecord record(std::int64_t id) { return recordOf(id); }

  // Every record with one of `capcodes` in an enabled row, or (when not empty) whose image had
  // the SHA-256 `imageSha256`, whatever its result and settlement: newest first (by start time,
  // then id). A database answers it with one query. Throws LedgerError.
  virtual std::vector<PagerRecord> recordsWith(const std::vector<std::int32_t>& capcodes,
                                               const std::string& imageSha256);

  // The pagers that carried `capcode` in an enabled row (their result may have put it on them;
  // those returned since included), newest first. Throws LedgerError.
  std::vector<PagerRecord> pagersThatHeld(std::int32_t capcode);

  // The tally of the records started at or after `since` (as for `list`). A database answers
  // it with a count and one record rather than a listing: a server may be a round trip away.
  // Throws LedgerError.
  virtual LedgerTally tally(std::string_view since);

 protected:
  // Forwards these steps to the ledger it runs on a thread of its own.
  friend class BackgroundLedger;

  struct Holding {
    std::int64_t pagerId = 0;
    int row = 0;
    AddressRole role = AddressRole::Shared;
  };
  // Where a capcode sits on pagers holding their capcodes: enabled rows only.
  virtual std::vector<Holding> holdings(std::int32_t capcode) = 0;
  virtual PagerRecord recordOf(std::int64_t id) = 0;
  // Records the attempt; with `holdCapcodes` its individual capcodes are held for it.
  virtual void insert(PagerRecord& record, bool holdCapcodes) = 0;
  // Runs `work` as one transaction that no other writer interleaves with; commits durably.
  virtual void exclusive(const std::function<void()>& work) = 0;
  // Keeps the settlement with its time and person (inside `exclusive`); Returned also gives
  // the record's held capcodes back.
  virtual void storeSettlement(std::int64_t id, Settlement settlement, const std::string& at,
                               const std::string& by) = 0;
};

// A ledger that lives as long as the run: for --no-ledger, and for tests.
class MemoryLedger : public Ledger {
 public:
  void finishAttempt(std::int64_t id, PagerResult result) override;
  void recordImage(std::int64_t id, const std::string& imageSha256) override;
  std::optional<PagerRecord> lastVerified(std::string_view configSha256) override;
  std::vector<int> verifiedListLines(std::string_view listSha256) override;
  std::vector<PagerRecord> list(std::string_view since) override;

 protected:
  // Protected, so that a test's ledger may slow or count them.
  std::vector<Holding> holdings(std::int32_t capcode) override;
  PagerRecord recordOf(std::int64_t id) override;
  void insert(PagerRecord& record, bool holdCapcodes) override;
  void exclusive(const std::function<void()>& work) override { work(); }
  void storeSettlement(std::int64_t id, Settlement settlement, const std::string& at,
                       const std::string& by) override;

 private:
  PagerRecord& find(std::int64_t id);

  std::vector<PagerRecord> records_;
};

// The current time in the ledger's form: UTC with milliseconds.
std::string ledgerTimeNow();

// True for "YYYY-MM-DD" optionally followed by "THH:MM[:SS]", the forms --since takes, naming
// a day and time that exist (months 1-12, the month's days with 29 February in leap years
// only, hours 0-23, minutes and seconds 0-59).
bool isLedgerTimePrefix(std::string_view text);

// The instant a ledger time ("2026-12-09T10:01:02.345Z", or any prefix isLedgerTimePrefix
// takes) names; nothing for other text.
std::optional<std::chrono::system_clock::time_point> ledgerTimePoint(std::string_view text);

// The form people read a time in, in notices, the log and the records view: the local time
// with its offset from UTC, "2026-12-09 12:01:02 +02:00" (the process's time zone). A text that
// is no ledger time is given back as it is. CSV and JSON keep the ledger's UTC form.
std::string localTimeText(std::string_view ledgerTime);
std::string localTimeText(std::chrono::system_clock::time_point when);

}  // namespace capcode
