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
  // The counter readings bracket the clock readings: a preemption in between can only make the
  // rate come out high (waits longer than asked, never shorter). The lowest of three is kept.
  double ticksPerMicro = 0;
  for (int round = 0; round < 3; ++round) {
    const std::uint64_t c0 = __rdtsc();
    const auto t0 = Clock::now();
    auto t1 = t0;
    while (t1 - t0 < std::chrono::milliseconds(2))
      t1 = Clock::now();
    const std::uint64_t c1 = __rdtsc();
    const double rate =
        static_cast<double>(c1 - c0) / std::chrono::duration<double, std::micro>(t1 - t0).count();
    if (round == 0 || rate < ticksPerMicro) ticksPerMicro = rate;
  }
  tsc.ticksPerMicroQ16 = static_cast<std::uint64_t>(ticksPerMicro * 65536);
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
