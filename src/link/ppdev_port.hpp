#pragma once
// The parallel port on Linux, through the ppdev driver: LPT1 (base 0x378) is /dev/parport0 and
// LPT2 (0x278) is /dev/parport1. The port is claimed on first use and released at exit and when
// a USB programmer attaches. The user needs read-write access to the device node (the lp group
// on Debian).

#include <string>

#include "link/port_io.hpp"

namespace capcode {

class PpdevPort final : public PortIo {
 public:
  PpdevPort() = default;
  ~PpdevPort() override;
  PpdevPort(const PpdevPort&) = delete;
  PpdevPort& operator=(const PpdevPort&) = delete;

  std::uint8_t read(std::uint16_t port) override;
  void write(std::uint16_t port, std::uint8_t value) override;
  void release() override;
  std::string takeProblem() override;

 private:
  // Claims the port behind `base`; false (and a problem noted once) when it cannot.
  bool claim(std::uint16_t base);

  int fd_ = -1;
  std::uint16_t base_ = 0;
  std::string problem_;
  std::string reported_;
};

}  // namespace capcode
