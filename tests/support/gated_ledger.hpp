#pragma once
// A memory ledger that holds its callers at a gate: a server that does not answer, a file
// another station has locked. Until `open()` (or its time limit) every capcode lookup, count
// and listing waits; each notes the thread it ran on.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "ledger/ledger.hpp"

namespace capcode::test {

class GatedLedger : public MemoryLedger {
 public:
  explicit GatedLedger(std::chrono::milliseconds limit = std::chrono::seconds(30))
      : limit_(limit) {}

  void open() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      open_ = true;
    }
    opened_.notify_all();
  }
  // Calls that reached the gate.
  int arrivals() const { return arrivals_.load(); }
  std::thread::id lastThread() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return lastThread_;
  }

  std::vector<PagerRecord> list(std::string_view since) override {
    pass();
    return MemoryLedger::list(since);
  }
  LedgerTally tally(std::string_view since) override {
    pass();
    return MemoryLedger::tally(since);
  }

 protected:
  std::vector<Holding> holdings(std::int32_t capcode) override {
    pass();
    return MemoryLedger::holdings(capcode);
  }

 private:
  void pass() {
    ++arrivals_;
    std::unique_lock<std::mutex> lock(mutex_);
    lastThread_ = std::this_thread::get_id();
    opened_.wait_for(lock, limit_, [this] { return open_; });
  }

  std::chrono::milliseconds limit_;
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
  std::atomic<int> arrivals_{0};
  std::thread::id lastThread_;
};

}  // namespace capcode::test
