#include "production/round_gate.hpp"

namespace capcode {

RoundGate::RoundGate(int boxes)
    : waiting_(static_cast<std::size_t>(boxes), 0), ends_(static_cast<std::size_t>(boxes)) {}

bool RoundGate::await(int box, int round) {
  std::unique_lock<std::mutex> lock(mutex_);
  waiting_[static_cast<std::size_t>(box)] = round;
  changed_.notify_all();
  changed_.wait(lock, [&] { return stopped_ || opened_ >= round; });
  waiting_[static_cast<std::size_t>(box)] = 0;
  // An opened round goes ahead even when the stop came before this thread woke up.
  return opened_ >= round;
}

void RoundGate::ended(int box, BatchEnd end) {
  const std::lock_guard<std::mutex> lock(mutex_);
  ends_[static_cast<std::size_t>(box)] = end;
  changed_.notify_all();
}

std::vector<int> RoundGate::gather(int round) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] {
    for (std::size_t k = 0; k < ends_.size(); ++k) {
      if (!ends_[k] && waiting_[k] != round) return false;
    }
    return true;
  });
  std::vector<int> failed;
  for (std::size_t k = 0; k < ends_.size(); ++k) {
    if (ends_[k] && *ends_[k] != BatchEnd::Done) failed.push_back(static_cast<int>(k));
  }
  return failed;
}

void RoundGate::open(int round) {
  const std::lock_guard<std::mutex> lock(mutex_);
  opened_ = round;
  changed_.notify_all();
}

void RoundGate::stop() {
  const std::lock_guard<std::mutex> lock(mutex_);
  stopped_ = true;
  changed_.notify_all();
}

std::vector<std::optional<BatchEnd>> RoundGate::ends() {
  const std::lock_guard<std::mutex> lock(mutex_);
  return ends_;
}

}  // namespace capcode
