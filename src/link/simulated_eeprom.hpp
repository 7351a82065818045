#pragma once
// A 24C16 serial EEPROM on a virtual parallel port, simulated at the bit level for tests and
// for training without a pager. The simulated port sees the host's register writes; the chip
// follows SCL and SDA (open drain: the line is low when either side pulls it low), recognises
// START and STOP, its control byte with the block bits, the word address, sequential reads
// across the whole chip and 16-byte page writes that wrap within their page. It answers only
// while the supply line is on and is busy for its write cycle after each page.

#include <array>
#include <cstdint>

#include "link/link_clock.hpp"
#include "link/port_io.hpp"

namespace capcode {

class SimulatedEeprom {
 public:
  static constexpr std::size_t kSize = 2048;
  static constexpr std::size_t kPage = 16;
  static constexpr std::uint64_t kWriteCycleMicros = 5000;

  explicit SimulatedEeprom(LinkClock& clock) : clock_(clock) { memory.fill(0xFF); }

  // The host's view of the lines changed: supply, SCL and the host's SDA drive.
  void lines(bool powered, bool scl, bool hostSda);
  // The SDA line as the host reads it back.
  bool sdaLine() const { return hostSda_ && chipSda_; }

  std::array<std::uint8_t, kSize> memory;
  // Faults: no chip at all (nothing ever answers); no acknowledge of the Nth byte the chip
  // receives, counted from 1 (0 = never).
  bool present = true;
  unsigned nakAtByte = 0;
  unsigned bytesReceived = 0;

 private:
  enum class Phase { Idle, Receiving, Transmitting };
  enum class Expect { Control, WordAddress, Data };

  void onStart();
  void onStop();
  void onClockRise(bool sda);
  void onClockFall();
  bool acceptByte(std::uint8_t byte);  // false: no acknowledge
  void driveNextBit();

  LinkClock& clock_;
  bool powered_ = false, scl_ = false, hostSda_ = true, chipSda_ = true;
  Phase phase_ = Phase::Idle;
  Expect expect_ = Expect::Control;
  bool ackClock_ = false;      // the chip holds SDA low for the 9th clock
  bool readAfterAck_ = false;  // a read control byte was acknowledged
  int bits_ = 0;
  std::uint8_t shift_ = 0;
  int txBit_ = 0;  // bit on the line while transmitting; 8 = the master's acknowledge clock
  bool masterAcked_ = false;
  std::uint16_t address_ = 0;
  std::uint8_t block_ = 0;
  std::array<std::uint8_t, kPage> page_{};
  std::array<bool, kPage> pageWritten_{};
  std::uint16_t pageBase_ = 0;
  unsigned pageOffset_ = 0;
  bool pagePending_ = false;
  std::uint64_t busyUntil_ = 0;
};

// The virtual port: registers at `base`, base + 1, base + 2, with the chip behind them.
class SimulatedParallelPort final : public PortIo {
 public:
  SimulatedParallelPort(LinkClock& clock, std::uint16_t base = 0x378) : chip(clock), base_(base) {}

  std::uint8_t read(std::uint16_t port) override;
  void write(std::uint16_t port, std::uint8_t value) override;
  void release() override { ++releases; }

  SimulatedEeprom chip;
  unsigned releases = 0;

 private:
  std::uint16_t base_;
  std::uint8_t data_ = 0;
  std::uint8_t control_ = 0x04;
};

}  // namespace capcode
