#pragma once
// Byte access to the registers of a PC parallel port: data = base, status = base + 1,
// control = base + 2. Values are the raw register bytes, as the port hardware holds them (the
// hardware itself inverts status bit 7 and control bits 0, 1 and 3; the programmer's lines do
// not use those bits).

#include <cstdint>
#include <string>

namespace capcode {

class PortIo {
 public:
  virtual ~PortIo() = default;
  // The register's current value; for the data register the last value written.
  virtual std::uint8_t read(std::uint16_t port) = 0;
  virtual void write(std::uint16_t port, std::uint8_t value) = 0;
  // Gives the port back to the system (at exit and when a USB programmer attaches); the next
  // access claims it again.
  virtual void release() = 0;
  // Why the port could not be reached, once, for the status log; empty when it can.
  virtual std::string takeProblem() { return {}; }
  // True when an access failed (the port could not be reached or stopped answering) since the
  // last call: the transfer must count as failed, whatever the lines seemed to say.
  virtual bool takeFailure() { return false; }
};

}  // namespace capcode
