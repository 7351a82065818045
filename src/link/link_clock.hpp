#pragma once
// Time for the parallel-port link: microsecond bus holds are busy waits on the monotonic clock
// (a sleep would overshoot by far), the longer waits are sleeps. A simulated chip keeps its own
// time by the same clock, so a virtual clock makes a simulated transfer instant.

#include <cstdint>

namespace capcode {

class LinkClock {
 public:
  virtual ~LinkClock() = default;
  virtual std::uint64_t nowMicros() = 0;
  // Returns once `micros` microseconds have passed, without yielding.
  virtual void busyWaitMicros(std::uint64_t micros) = 0;
  // Yields for at least `millis` milliseconds.
  virtual void sleepMillis(std::uint32_t millis) = 0;
};

// The real monotonic clock.
class SteadyLinkClock final : public LinkClock {
 public:
  std::uint64_t nowMicros() override;
  void busyWaitMicros(std::uint64_t micros) override;
  void sleepMillis(std::uint32_t millis) override;
};

// Time that passes only when the link waits: simulated transfers take no real time.
class VirtualLinkClock final : public LinkClock {
 public:
  std::uint64_t nowMicros() override { return now_; }
  void busyWaitMicros(std::uint64_t micros) override { now_ += micros; }
  void sleepMillis(std::uint32_t millis) override { now_ += 1000ull * millis; }

 private:
  std::uint64_t now_ = 0;
};

}  // namespace capcode
