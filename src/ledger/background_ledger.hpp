#pragma once
// A ledger whose every call runs on a thread of its own, for the window: a PostgreSQL server
// that does not answer, or an SQLite file another station has locked, holds that thread up to
// the ledger's own time limits (the connection's and the statement's, the busy time), never the
// window's. The caller still waits for each answer (no pager is written before its record is
// made), but while it waits a hook runs every `kWaitSliceMillis`, in which the window keeps
// answering the person and shows what it waits for.
//
// The calls run one after the other in the order they were made, on one connection; a count
// for the status line can be started without waiting for it (`tallyLater`).

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "ledger/ledger.hpp"

namespace capcode {

// One wait for the ledger, as the hook sees it.
struct LedgerWait {
  const char* what = "";  // what the ledger is asked: "checking the capcodes", ...
  std::chrono::steady_clock::duration waited{};  // since the call was made
  bool over = false;  // the last call of a wait that called the hook: the answer is in
};
using LedgerWaitHook = std::function<void(const LedgerWait&)>;

class BackgroundLedger final : public Ledger {
 public:
  // The hook's period while a call is waited for, in ms: well within the 100 ms a window may
  // take to answer a click.
  static constexpr int kWaitSliceMillis = 20;

  // Opens the ledger with `open` on the ledger's thread (connecting to a server may take the
  // connection's time limit); a LedgerError from it is thrown again by every call.
  explicit BackgroundLedger(std::function<std::unique_ptr<Ledger>()> open);
  // Waits for the call in flight (bounded by the ledger's own time limits), then closes it.
  ~BackgroundLedger() override;
  BackgroundLedger(const BackgroundLedger&) = delete;
  BackgroundLedger& operator=(const BackgroundLedger&) = delete;

  // Run on the caller's thread while it waits for an answer (none: the caller just waits).
  void setWaitHook(LedgerWaitHook hook) { hook_ = std::move(hook); }

  // A count of the records since `since`, made on the ledger's thread after the calls before
  // it; the caller does not wait. The future throws LedgerError as `tally` does.
  std::future<LedgerTally> tallyLater(std::string since);

  // True once a call failed with LedgerError and no call has answered since: a server that is
  // down, a file that cannot be read. Counts for the status line pause meanwhile.
  bool unreachable() const { return unreachable_.load(); }

  void finishAttempt(std::int64_t id, PagerResult result) override;
  std::optional<Conflict> reserve(
      const SharedBatch& batch, PagerRecord& record,
      const std::function<std::vector<RecordedAddress>(int)>& setOf) override;
  void recordImage(std::int64_t id, const std::string& imageSha256) override;
  std::optional<PagerRecord> lastVerified(std::string_view configSha256) override;
  std::vector<int> verifiedListLines(std::string_view listSha256) override;
  std::vector<PagerRecord> list(std::string_view since) override;
  std::vector<PagerRecord> recordsWith(const std::vector<std::int32_t>& capcodes,
                                       const std::string& imageSha256) override;
  LedgerTally tally(std::string_view since) override;

 private:
  std::vector<Holding> holdings(std::int32_t capcode) override;
  PagerRecord recordOf(std::int64_t id) override;
  void insert(PagerRecord& record, bool holdCapcodes) override;
  void exclusive(const std::function<void()>& work) override;
  void storeSettlement(std::int64_t id, Settlement settlement, const std::string& at,
                       const std::string& by) override;

  // Runs `work` on the ledger's thread and waits for it, running the hook meanwhile; on the
  // ledger's thread itself (inside `exclusive`) it runs at once.
  void call(const char* what, const std::function<void(Ledger&)>& work);
  // On the ledger's thread: `work` on the open ledger, keeping whether it answered.
  void runOnLedger(const std::function<void(Ledger&)>& work);

  struct Worker;
  struct Waited;
  std::unique_ptr<Worker> worker_;
  Waited* waitedNow_ = nullptr;  // the call the ledger's thread runs now; only it touches this
  // The caller's thread while it runs a step the ledger's thread handed back (and waits for):
  // the ledger's calls it makes then run at once.
  std::atomic<std::thread::id> backCaller_{};
  LedgerWaitHook hook_;
  std::atomic<bool> unreachable_{false};
};

}  // namespace capcode
