#include "link/link_clock.hpp"

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#if defined(__x86_64__)
#include <x86intrin.h>
#endif

namespace capcode {

namespace {
using Clock = std::chrono::steady_clock;

// When the kernel's monotonic clock itself runs on the processor's time-stamp counter, reading
// that counter directly costs a third of a clock call: at one-microsecond bus holds the
// difference is what keeps a transfer close to the time the bus asks for.
struct TimeStampCounter {
  bool usable = false;
  std::uint64_t ticksPerMicroQ16 = 0;  // ticks per microsecond, 16 fraction bits
};

TimeStampCounter calibrate() {
  TimeStampCounter tsc;
#if defined(__x86_64__)
  std::ifstream source("/sys/devices/system/clocksource/clocksource0/current_clocksource");
  std::string name;
  if (!(source >> name) || name != "tsc") return tsc;
  const auto t0 = Clock::now();
  const std::uint64_t c0 = __rdtsc();
  while (Clock::now() - t0 < std::chrono::milliseconds(2)) {
  }
  const std::uint64_t c1 = __rdtsc();
  const double micros = std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
  tsc.ticksPerMicroQ16 = static_cast<std::uint64_t>(static_cast<double>(c1 - c0) / micros * 65536);
  tsc.usable = tsc.ticksPerMicroQ16 > 65536;
#endif
  return tsc;
}

const TimeStampCounter& timeStampCounter() {
  static const TimeStampCounter tsc = calibrate();
  return tsc;
}
}  // namespace

std::uint64_t SteadyLinkClock::nowMicros() {
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch())
          .count());
}

void SteadyLinkClock::busyWaitMicros(std::uint64_t micros) {
#if defined(__x86_64__)
  if (const TimeStampCounter& tsc = timeStampCounter(); tsc.usable) {
    const std::uint64_t target = __rdtsc() + ((micros * tsc.ticksPerMicroQ16) >> 16);
    while (__rdtsc() < target) {
    }
    return;
  }
#endif
  const auto target = Clock::now() + std::chrono::microseconds(micros);
  while (Clock::now() < target) {
  }
}

void SteadyLinkClock::sleepMillis(std::uint32_t millis) {
  std::this_thread::sleep_for(std::chrono::milliseconds(millis));
}

}  // namespace capcode
