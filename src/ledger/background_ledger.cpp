#include "ledger/background_ledger.hpp"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace capcode {

struct BackgroundLedger::Worker {
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<std::function<void()>> queue;
  bool stopping = false;
  std::unique_ptr<Ledger> ledger;
  std::string openError;  // why the ledger could not be opened, or empty
  std::thread thread;

  void run() {
    for (;;) {
      std::function<void()> job;
      {
        std::unique_lock<std::mutex> lock(mutex);
        wake.wait(lock, [this] { return stopping || !queue.empty(); });
        if (queue.empty()) return;  // stopping, and nothing left to do
        job = std::move(queue.front());
        queue.pop_front();
      }
      job();
    }
  }

  void push(std::function<void()> job) {
    {
      const std::lock_guard<std::mutex> lock(mutex);
      queue.push_back(std::move(job));
    }
    wake.notify_one();
  }

  bool onThread() const { return std::this_thread::get_id() == thread.get_id(); }
};

BackgroundLedger::BackgroundLedger(std::function<std::unique_ptr<Ledger>()> open)
    : worker_(std::make_unique<Worker>()) {
  Worker& w = *worker_;
  w.queue.push_back([&w, open = std::move(open)] {
    try {
      w.ledger = open();
    } catch (const LedgerError& e) {
      w.openError = e.what();
    } catch (const std::exception& e) {
      w.openError = e.what();
    }
    if (!w.ledger && w.openError.empty()) w.openError = "the ledger could not be opened";
  });
  w.thread = std::thread([&w] { w.run(); });
}

BackgroundLedger::~BackgroundLedger() {
  {
    const std::lock_guard<std::mutex> lock(worker_->mutex);
    worker_->stopping = true;
  }
  worker_->wake.notify_one();
  worker_->thread.join();
}

void BackgroundLedger::runOnLedger(const std::function<void(Ledger&)>& work) {
  Worker& w = *worker_;
  try {
    if (!w.ledger) throw LedgerError(w.openError);
    work(*w.ledger);
  } catch (const LedgerError&) {
    unreachable_ = true;
    throw;
  }
  unreachable_ = false;
}

// One call waited for: its end, and the steps the ledger hands back to the caller's thread
// meanwhile (a shared batch's set is made by the window's rules, which live on that thread).
struct BackgroundLedger::Waited {
  std::mutex mutex;
  std::condition_variable changed;
  bool finished = false;
  std::deque<std::function<void()>> back;

  // On the ledger's thread: runs `step` on the waiting caller's thread and waits for it.
  void runBack(const std::function<void()>& step) {
    std::promise<void> ran;
    std::future<void> done = ran.get_future();
    {
      const std::lock_guard<std::mutex> lock(mutex);
      back.push_back([&] {
        try {
          step();
          ran.set_value();
        } catch (...) {
          ran.set_exception(std::current_exception());
        }
      });
    }
    changed.notify_all();
    done.get();
  }
};

void BackgroundLedger::call(const char* what, const std::function<void(Ledger&)>& work) {
  if (worker_->onThread() || backCaller_.load() == std::this_thread::get_id()) {
    // Inside `exclusive` or `reserve` (the ledger's thread runs the transaction, or waits for
    // the caller's step in it): the transaction's own steps, at once.
    if (!worker_->ledger) throw LedgerError(worker_->openError);
    return work(*worker_->ledger);
  }
  auto waited = std::make_shared<Waited>();
  auto task = std::make_shared<std::packaged_task<void()>>([this, waited, &work] {
    waitedNow_ = waited.get();
    struct End {
      BackgroundLedger& self;
      Waited& waited;
      ~End() {
        self.waitedNow_ = nullptr;
        {
          const std::lock_guard<std::mutex> lock(waited.mutex);
          waited.finished = true;
        }
        waited.changed.notify_all();
      }
    } end{*this, *waited};
    runOnLedger(work);
  });
  std::future<void> done = task->get_future();
  worker_->push([task] { (*task)(); });
  const auto start = std::chrono::steady_clock::now();
  bool hooked = false;
  // The call goes on using `work` on the ledger's thread: whatever the hook throws waits for
  // its end.
  std::exception_ptr hookFailed;
  const auto runHook = [&](const LedgerWait& wait) {
    if (hookFailed) return;
    try {
      hook_(wait);
    } catch (...) {
      hookFailed = std::current_exception();
    }
  };
  for (;;) {
    std::unique_lock<std::mutex> lock(waited->mutex);
    const auto ready = [&] { return waited->finished || !waited->back.empty(); };
    if (hook_) {
      waited->changed.wait_for(lock, std::chrono::milliseconds(kWaitSliceMillis), ready);
    } else {
      waited->changed.wait(lock, ready);
    }
    if (!waited->back.empty()) {
      const std::function<void()> step = std::move(waited->back.front());
      waited->back.pop_front();
      lock.unlock();
      backCaller_ = std::this_thread::get_id();
      step();
      backCaller_ = std::thread::id{};
      continue;
    }
    if (waited->finished) break;
    lock.unlock();
    hooked = true;
    runHook(LedgerWait{what, std::chrono::steady_clock::now() - start, false});
  }
  if (hooked) runHook(LedgerWait{what, std::chrono::steady_clock::now() - start, true});
  if (hookFailed) std::rethrow_exception(hookFailed);
  done.get();
}

std::future<LedgerTally> BackgroundLedger::tallyLater(std::string since) {
  auto counted = std::make_shared<std::promise<LedgerTally>>();
  std::future<LedgerTally> answer = counted->get_future();
  worker_->push([this, counted, since = std::move(since)] {
    try {
      runOnLedger([&](Ledger& ledger) { counted->set_value(ledger.tally(since)); });
    } catch (...) {
      counted->set_exception(std::current_exception());
    }
  });
  return answer;
}

// Every call below is the ledger's own, made on its thread.

void BackgroundLedger::finishAttempt(std::int64_t id, PagerResult result) {
  call("completing the pager's record", [&](Ledger& l) { l.finishAttempt(id, result); });
}

std::optional<Conflict> BackgroundLedger::reserve(
    const SharedBatch& batch, PagerRecord& record,
    const std::function<std::vector<RecordedAddress>(int)>& setOf) {
  std::optional<Conflict> conflict;
  call("taking the batch's next set", [&](Ledger& l) {
    // The sets are made by the caller's rules, on the caller's thread.
    Waited* waited = waitedNow_;
    conflict = l.reserve(batch, record, [&](int k) {
      std::vector<RecordedAddress> set;
      waited->runBack([&] { set = setOf(k); });
      return set;
    });
  });
  return conflict;
}

void BackgroundLedger::recordImage(std::int64_t id, const std::string& imageSha256) {
  call("recording the image", [&](Ledger& l) { l.recordImage(id, imageSha256); });
}

std::optional<PagerRecord> BackgroundLedger::lastVerified(std::string_view configSha256) {
  std::optional<PagerRecord> found;
  call("reading the last pager", [&](Ledger& l) { found = l.lastVerified(configSha256); });
  return found;
}

std::vector<int> BackgroundLedger::verifiedListLines(std::string_view listSha256) {
  std::vector<int> lines;
  call("reading the list's lines", [&](Ledger& l) { lines = l.verifiedListLines(listSha256); });
  return lines;
}

std::vector<PagerRecord> BackgroundLedger::list(std::string_view since) {
  std::vector<PagerRecord> records;
  call("reading the records", [&](Ledger& l) { records = l.list(since); });
  return records;
}

std::vector<PagerRecord> BackgroundLedger::recordsWith(const std::vector<std::int32_t>& capcodes,
                                                       const std::string& imageSha256) {
  std::vector<PagerRecord> records;
  call("looking for the pager",
       [&](Ledger& l) { records = l.recordsWith(capcodes, imageSha256); });
  return records;
}

LedgerTally BackgroundLedger::tally(std::string_view since) {
  LedgerTally counted;
  call("counting today's pagers", [&](Ledger& l) { counted = l.tally(since); });
  return counted;
}

std::vector<Ledger::Holding> BackgroundLedger::holdings(std::int32_t capcode) {
  std::vector<Holding> held;
  call("checking the capcodes", [&](Ledger& l) { held = l.holdings(capcode); });
  return held;
}

PagerRecord BackgroundLedger::recordOf(std::int64_t id) {
  PagerRecord record;
  call("reading a record", [&](Ledger& l) { record = l.recordOf(id); });
  return record;
}

void BackgroundLedger::insert(PagerRecord& record, bool holdCapcodes) {
  call("recording the pager", [&](Ledger& l) { l.insert(record, holdCapcodes); });
}

void BackgroundLedger::exclusive(const std::function<void()>& work) {
  // `work` calls this object's steps again; on the ledger's thread they run at once.
  call("recording the pager", [&](Ledger& l) { l.exclusive(work); });
}

void BackgroundLedger::storeSettlement(std::int64_t id, Settlement settlement,
                                       const std::string& at, const std::string& by) {
  call("settling the record",
       [&](Ledger& l) { l.storeSettlement(id, settlement, at, by); });
}

}  // namespace capcode
