#include "link/simulated_eeprom.hpp"

namespace capcode {

void SimulatedEeprom::lines(bool powered, bool scl, bool hostSda) {
  if (!powered || !present) {
    // Unpowered, the chip forgets its bus state and lets go of the line.
    powered_ = powered;
    phase_ = Phase::Idle;
    chipSda_ = true;
    scl_ = scl;
    hostSda_ = hostSda;
    return;
  }
  if (!powered_) {
    powered_ = true;
    phase_ = Phase::Idle;
  }
  const bool oldLine = sdaLine();
  const bool oldScl = scl_;
  hostSda_ = hostSda;
  scl_ = scl;
  const bool line = sdaLine();
  if (oldScl && scl) {
    if (oldLine && !line) onStart();
    if (!oldLine && line) onStop();
  } else if (!oldScl && scl) {
    onClockRise(line);
  } else if (oldScl && !scl) {
    onClockFall();
  }
}

void SimulatedEeprom::onStart() {
  phase_ = Phase::Receiving;
  expect_ = Expect::Control;
  bits_ = 0;
  shift_ = 0;
  ackClock_ = false;
  chipSda_ = true;
}

void SimulatedEeprom::onStop() {
  if (pagePending_) {
    for (unsigned i = 0; i < kPage; ++i) {
      if (pageWritten_[i]) memory[pageBase_ + i] = page_[i];
    }
    pagePending_ = false;
    busyUntil_ = clock_.nowMicros() + kWriteCycleMicros;
  }
  phase_ = Phase::Idle;
  chipSda_ = true;
}

void SimulatedEeprom::onClockRise(bool sda) {
  if (phase_ == Phase::Receiving && !ackClock_ && bits_ < 8) {
    shift_ = static_cast<std::uint8_t>((shift_ << 1) | (sda ? 1 : 0));
    ++bits_;
  } else if (phase_ == Phase::Transmitting && txBit_ == 8) {
    masterAcked_ = !sda;
  }
}

void SimulatedEeprom::onClockFall() {
  if (phase_ == Phase::Receiving) {
    if (ackClock_) {  // the acknowledge clock is over
      ackClock_ = false;
      chipSda_ = true;
      bits_ = 0;
      shift_ = 0;
      if (readAfterAck_) {
        readAfterAck_ = false;
        phase_ = Phase::Transmitting;
        txBit_ = 0;
        driveNextBit();
      }
    } else if (bits_ == 8) {
      if (acceptByte(shift_)) {
        ackClock_ = true;
        chipSda_ = false;
      } else {
        phase_ = Phase::Idle;  // ignore the bus until the next START
      }
    }
    return;
  }
  if (phase_ == Phase::Transmitting) {
    ++txBit_;
    if (txBit_ < 8) {
      driveNextBit();
    } else if (txBit_ == 8) {
      chipSda_ = true;  // the master acknowledges on the next clock
    } else if (masterAcked_) {
      address_ = static_cast<std::uint16_t>((address_ + 1) % kSize);
      txBit_ = 0;
      driveNextBit();
    } else {
      phase_ = Phase::Idle;
      chipSda_ = true;
    }
  }
}

void SimulatedEeprom::driveNextBit() {
  chipSda_ = ((memory[address_] >> (7 - txBit_)) & 1) != 0;
}

bool SimulatedEeprom::acceptByte(std::uint8_t byte) {
  ++bytesReceived;
  if (nakAtByte != 0 && bytesReceived == nakAtByte) return false;
  switch (expect_) {
    case Expect::Control:
      if ((byte & 0xF0) != 0xA0) return false;
      if (clock_.nowMicros() < busyUntil_) return false;  // still in its write cycle
      block_ = (byte >> 1) & 7;
      if (byte & 1) {
        readAfterAck_ = true;  // sequential read from the current address
      } else {
        expect_ = Expect::WordAddress;
      }
      return true;
    case Expect::WordAddress:
      address_ = static_cast<std::uint16_t>((block_ << 8) | byte);
      pageBase_ = static_cast<std::uint16_t>(address_ & ~(kPage - 1));
      pageOffset_ = address_ & (kPage - 1);
      pageWritten_.fill(false);
      expect_ = Expect::Data;
      return true;
    case Expect::Data:
      page_[pageOffset_] = byte;
      pageWritten_[pageOffset_] = true;
      pageOffset_ = (pageOffset_ + 1) % kPage;  // a page write wraps within its page
      pagePending_ = true;
      return true;
  }
  return false;
}

std::uint8_t SimulatedParallelPort::read(std::uint16_t port) {
  if (port == base_) return data_;
  if (port == base_ + 1) return static_cast<std::uint8_t>(0x80 | (chip.sdaLine() ? 0x40 : 0x00));
  if (port == base_ + 2) return control_;
  return 0xFF;  // nothing at that address
}

void SimulatedParallelPort::write(std::uint16_t port, std::uint8_t value) {
  if (port == base_ + 2) {
    control_ = value;
    return;
  }
  if (port != base_) return;
  data_ = value;
  chip.lines((value & 0x08) != 0, (value & 0x02) != 0, (value & 0x04) != 0);
}

}  // namespace capcode
