#pragma once
// The passive parallel-port programmer: the PC drives the EEPROM's two-wire bus by toggling
// port bits. Line map (data register unless said otherwise):
//   bit 1 SCL (set = high)          bit 2 SDA out (set = released/high)
//   bit 3 supply to pager (set = on) bit 7 enable A (set while a transfer runs)
//   control bit 2 enable B (cleared while a transfer runs)
//   status bit 6 SDA in (set = line high)
// Every line change is a read-modify-write of one register followed by its hold time.

#include <cstdint>
#include <functional>

#include "core/program_state.hpp"
#include "link/eeprom_geometry.hpp"
#include "link/link_clock.hpp"
#include "link/port_io.hpp"

namespace capcode {

class ParallelPortLink {
 public:
  // `base` and `timings` are read at every access, so menu and slider changes take effect on
  // the next primitive. `onByte` is called once per byte sent or received (progress).
  ParallelPortLink(PortIo& port, LinkClock& clock, const std::uint16_t& base,
                   const LinkTimings& timings, std::function<void()> onByte);

  void setGeometry(const EepromGeometry& geometry) { geometry_ = geometry; }
  const EepromGeometry& geometry() const { return geometry_; }

  void programmerEnable();
  void programmerDisable();
  void powerOn();   // supply on, settle, STOP
  void powerOff();  // STOP, supply off
  void sdaLow();
  void sclLow();

  void busStart();
  void busStop();
  void sendByte(std::uint8_t byte);
  std::uint8_t receiveByte();
  bool checkAck();  // true when the EEPROM pulled SDA low
  void masterAck();
  void masterNoAck();

  bool addressPhase(std::uint8_t select, std::uint16_t address);
  // Reads the whole chip (geometry size) into `buffer`.
  bool readAll(std::uint8_t select, std::uint8_t* buffer);
  // Writes one page from data[index ..] at `address`; false at the first missing acknowledge.
  bool writePage(std::uint8_t select, std::uint16_t address, const std::uint8_t* data,
                 std::uint32_t index);
  bool writeAll(std::uint8_t select, const std::uint8_t* data);
  // Data bytes the chip acknowledged since the last writeAll started (address bytes not
  // counted): above 0, part of the new image may be in the chip.
  std::uint32_t acknowledgedDataBytes() const { return acknowledgedDataBytes_; }

 private:
  std::uint16_t dataPort() const { return base_; }
  std::uint16_t statusPort() const { return static_cast<std::uint16_t>(base_ + 1); }
  std::uint16_t controlPort() const { return static_cast<std::uint16_t>(base_ + 2); }
  void setBit(std::uint16_t port, std::uint8_t mask, bool on);
  // A line of the data port (SCL or SDA out) set high or low, then held `holdMicros` (us).
  void driveLine(std::uint8_t mask, bool high, std::uint32_t holdMicros);
  void sclHigh();
  void sdaHigh();
  bool sampleSda();

  PortIo& port_;
  LinkClock& clock_;
  const std::uint16_t& base_;
  const LinkTimings& timings_;
  std::function<void()> onByte_;
  EepromGeometry geometry_;
  std::uint32_t acknowledgedDataBytes_ = 0;
};

}  // namespace capcode
