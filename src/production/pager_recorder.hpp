#pragma once
// One pager's record in the ledger, the same for `capcode write` and the window: started in
// one durable step just before the write transfer (nothing reaches a pager unless its record
// is on the disk first), completed after it. No ledger failure leaves here as an exception:
// every step answers what happened, so that no caller can forget one.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/image.hpp"
#include "ledger/ledger.hpp"
#include "production/capcode_source.hpp"

namespace capcode {

// The outcome of one ledger step.
struct LedgerStep {
  enum class Kind { Done, Refused, Failed, SetRefused };
  Kind kind = Kind::Done;
  std::optional<Conflict> conflict;  // Refused: the pager already holding a capcode
  std::string error;  // Failed: the ledger's reason, one line; SetRefused: the rules' reason

  bool done() const { return kind == Kind::Done; }
  static LedgerStep failed(std::string why) { return {Kind::Failed, std::nullopt, std::move(why)}; }
  static LedgerStep refused(Conflict c) { return {Kind::Refused, std::move(c), {}}; }
};

// This machine's host name ("unknown" when it has none).
std::string hostName();

class PagerRecorder {
 public:
  // `ledger` must outlive the recorder. `station` empty: the host name.
  PagerRecorder(Ledger& ledger, const std::string& station);

  // Which configuration the next pagers are written from: its absolute path and SHA-256.
  void setConfiguration(std::string path, std::string sha256);
  // A fresh record for the next pager, with the origin last set.
  void newPager();
  // Where the next pager's set comes from (a capcode list's line); kept for the pagers after
  // it until set again. Also given to the record being made.
  void setOrigin(SetOrigin origin);
  const PagerRecord& record() const { return record_; }
  // The rows of a pager whose transfer may never start (its record then says what they were).
  void setAddresses(std::vector<RecordedAddress> addresses) {
    record_.addresses = std::move(addresses);
  }
  bool begun() const { return begun_; }
  // The set of its order the next pager takes (a list's line index, a stepped batch's set);
  // kept with its record so that --resume finds the order's highest set.
  void setSetIndex(int k) { record_.setIndex = k; }

  // The first capcode of `addresses` that a pager holding its capcodes already carries.
  // `ownBatch`: a shared batch whose own pagers are left out (empty for none).
  LedgerStep check(const std::vector<RecordedAddress>& addresses, std::string_view ownBatch = {});
  // Starts the record of a pager about to receive `image` with `addresses`; refused (nothing
  // recorded) when a capcode is held elsewhere, unless `allowReuse`.
  LedgerStep begin(const Image& image, const std::vector<RecordedAddress>& addresses,
                   bool allowReuse);
  // A shared batch: takes the batch's next free set (`setOf(k)` gives set k's capcodes) and
  // starts the record with it. Refused, with nothing recorded and the batch left as it was,
  // when that set clashes with a pager outside the batch; SetRefused when the address rules
  // refuse the set.
  LedgerStep reserve(const SharedBatch& batch,
                     const std::function<std::vector<RecordedAddress>(int)>& setOf);
  // A reserved pager: the digest of the image about to be written.
  LedgerStep addImage(const Image& image);
  // Completes the record with `result`; a pager whose record was never begun (the transfer
  // never started) is recorded as an attempt first.
  LedgerStep complete(PagerResult result);
  // The time the ledger took in the steps since the last reset (the window's status line
  // shows what the ledger adds to a write).
  std::chrono::steady_clock::duration ledgerTime() const { return ledgerTime_; }
  void resetLedgerTime() { ledgerTime_ = {}; }

 private:
  template <typename Work>
  LedgerStep guarded(Work&& work);

  Ledger& ledger_;
  std::string station_;
  std::string host_;
  std::string configPath_;
  std::string configSha_;
  SetOrigin origin_;
  PagerRecord record_;
  bool begun_ = false;
  std::chrono::steady_clock::duration ledgerTime_{};
};

}  // namespace capcode
