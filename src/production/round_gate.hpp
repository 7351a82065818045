#pragma once
// Where the boxes of a gang wait between rounds: each box's thread waits at the gate before its
// next pager, the thread that talks to the person waits until every box is at the gate (or has
// ended) and then opens the next round or stops the batch. No wait here has a time limit of
// its own: each box's wait ends when the person answers, and every box's transfer has its own
// hardware time limits, so every box reaches the gate or ends.

#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

#include "production/batch_options.hpp"

namespace capcode {

class RoundGate {
 public:
  explicit RoundGate(int boxes);

  // --- a box's thread (box index from 0) ---
  // Waits before the box's pager of `round` (from 2); false when the batch stops instead.
  bool await(int box, int round);
  // The box's batch ended with `end`.
  void ended(int box, BatchEnd end);

  // --- the person's thread ---
  // Waits until every box waits for `round` or has ended; then the boxes that ended other
  // than Done, by index.
  std::vector<int> gather(int round);
  void open(int round);
  void stop();
  // How each box ended; unset for a box still running.
  std::vector<std::optional<BatchEnd>> ends();

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<int> waiting_;  // the round each box waits for; 0 while it works
  std::vector<std::optional<BatchEnd>> ends_;
  int opened_ = 1;
  bool stopped_ = false;
};

}  // namespace capcode
