#include "link/parallel_port_link.hpp"

namespace capcode {

namespace {
constexpr std::uint8_t kScl = 0x02;
constexpr std::uint8_t kSdaOut = 0x04;
constexpr std::uint8_t kSupply = 0x08;
constexpr std::uint8_t kEnableA = 0x80;
constexpr std::uint8_t kEnableB = 0x04;  // control register
constexpr std::uint8_t kSdaIn = 0x40;    // status register
constexpr std::uint32_t kPowerSettleMillis = 500;
constexpr std::uint32_t kAfterWriteAllMillis = 10;
}  // namespace

ParallelPortLink::ParallelPortLink(PortIo& port, LinkClock& clock, const std::uint16_t& base,
                                   const LinkTimings& timings, std::function<void()> onByte)
    : port_(port),
      clock_(clock),
      base_(base),
      timings_(timings),
      onByte_(std::move(onByte)),
      geometry_(*eepromGeometry(kPagerEepromType)) {}

void ParallelPortLink::setBit(std::uint16_t port, std::uint8_t mask, bool on) {
  const std::uint8_t value = port_.read(port);
  port_.write(port, on ? static_cast<std::uint8_t>(value | mask)
                       : static_cast<std::uint8_t>(value & ~mask));
}

void ParallelPortLink::driveLine(std::uint8_t mask, bool high, std::uint32_t holdMicros) {
  setBit(dataPort(), mask, high);
  clock_.busyWaitMicros(holdMicros);
}

void ParallelPortLink::sclHigh() { driveLine(kScl, true, timings_.sclHighMicros); }
void ParallelPortLink::sclLow() { driveLine(kScl, false, timings_.sclLowMicros); }
void ParallelPortLink::sdaHigh() { driveLine(kSdaOut, true, timings_.sdaHoldMicros); }
void ParallelPortLink::sdaLow() { driveLine(kSdaOut, false, timings_.sdaHoldMicros); }

bool ParallelPortLink::sampleSda() {
  sdaHigh();  // release the line so the EEPROM can drive it
  return (port_.read(statusPort()) & kSdaIn) != 0;
}

void ParallelPortLink::programmerEnable() {
  setBit(controlPort(), kEnableB, false);
  setBit(dataPort(), kEnableA, true);
}

void ParallelPortLink::programmerDisable() {
  setBit(dataPort(), kEnableA, false);
  setBit(controlPort(), kEnableB, true);
}

void ParallelPortLink::powerOn() {
  setBit(dataPort(), kSupply, true);
  clock_.sleepMillis(timings_.powerSettle * kPowerSettleMillis);
  busStop();
}

void ParallelPortLink::powerOff() {
  busStop();
  setBit(dataPort(), kSupply, false);
}

void ParallelPortLink::busStart() {
  sdaHigh();
  sclHigh();
  sdaLow();
  sclLow();
}

void ParallelPortLink::busStop() {
  sclLow();
  sdaLow();
  sclHigh();
  sdaHigh();
}

void ParallelPortLink::sendByte(std::uint8_t byte) {
  for (std::uint8_t bit = 0x80; bit != 0; bit >>= 1) {
    if (byte & bit) {
      sdaHigh();
    } else {
      sdaLow();
    }
    sclHigh();
    sclLow();
  }
  onByte_();
}

std::uint8_t ParallelPortLink::receiveByte() {
  std::uint8_t value = 0;
  for (int i = 0; i < 8; ++i) {
    sdaHigh();
    sclHigh();
    value = static_cast<std::uint8_t>((value << 1) | (sampleSda() ? 1 : 0));
    sclLow();
  }
  onByte_();
  return value;
}

bool ParallelPortLink::checkAck() {
  sclHigh();
  const bool high = sampleSda();
  sclLow();
  return !high;
}

void ParallelPortLink::masterAck() {
  sdaLow();
  sclHigh();
  sclLow();
  sdaHigh();
}

void ParallelPortLink::masterNoAck() {
  sclHigh();
  sclLow();
}

bool ParallelPortLink::addressPhase(std::uint8_t select, std::uint16_t address) {
  std::uint8_t bytes[3];
  const int count = addressPhaseBytes(geometry_, select, address, bytes);
  busStart();
  bool acked = false;
  for (int i = 0; i < count; ++i) {
    sendByte(bytes[i]);
    acked = checkAck();
  }
  return acked;
}

bool ParallelPortLink::readAll(std::uint8_t select, std::uint8_t* buffer) {
  if (!addressPhase(select, 0)) return false;
  busStart();
  sendByte(static_cast<std::uint8_t>(0xA1 | ((select << 1) & 0x0E)));
  if (!checkAck()) return false;
  for (std::uint32_t i = 0; i < geometry_.size; ++i) {
    buffer[i] = receiveByte();
    if (i + 1 < geometry_.size) {
      masterAck();
    } else {
      masterNoAck();
    }
  }
  busStop();
  clock_.sleepMillis(timings_.busFreeMillis);
  return true;
}

bool ParallelPortLink::writePage(std::uint8_t select, std::uint16_t address,
                                 const std::uint8_t* data, std::uint32_t index) {
  if (!addressPhase(select, address)) return false;
  for (std::uint32_t i = 0; i < geometry_.pageSize; ++i) {
    sendByte(data[index + i]);
    if (!checkAck()) return false;  // the caller's power-off sends the STOP
    ++acknowledgedDataBytes_;
  }
  busStop();
  clock_.sleepMillis(timings_.busFreeMillis);
  return true;
}

bool ParallelPortLink::writeAll(std::uint8_t select, const std::uint8_t* data) {
  acknowledgedDataBytes_ = 0;
  const std::uint32_t pages = geometry_.size / geometry_.pageSize;
  for (std::uint32_t p = 0; p < pages; ++p) {
    const std::uint32_t at = p * geometry_.pageSize;
    if (!writePage(select, static_cast<std::uint16_t>(at), data, at)) return false;
  }
  clock_.sleepMillis(kAfterWriteAllMillis);
  return true;
}

}  // namespace capcode
