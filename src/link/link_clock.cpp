#include "link/link_clock.hpp"

#include <chrono>
#include <thread>

namespace capcode {

namespace {
using Clock = std::chrono::steady_clock;
}

std::uint64_t SteadyLinkClock::nowMicros() {
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch())
          .count());
}

void SteadyLinkClock::busyWaitMicros(std::uint64_t micros) {
  const auto target = Clock::now() + std::chrono::microseconds(micros);
  while (Clock::now() < target) {
  }
}

void SteadyLinkClock::sleepMillis(std::uint32_t millis) {
  std::this_thread::sleep_for(std::chrono::milliseconds(millis));
}

}  // namespace capcode
