#pragma once
// The parallel port on Linux, through the ppdev driver: LPT1 (base 0x378) is /dev/parport0 and
// LPT2 (0x278) is /dev/parport1. The port is claimed on first use (waiting at most
// kPortClaimMillis for another program to let go of it) and released at exit and when a USB
// programmer attaches. The user needs read-write access to the device node (the lp group on
// Debian). Every call is checked: a port that fails (an adapter pulled out) reads as nothing
// answering for the rest of the transfer, and the system's reason is reported once.

#include <string>

#include "link/port_io.hpp"
#include "link/ppdev_system.hpp"

namespace capcode {

inline constexpr int kPortClaimMillis = 500;

class PpdevPort final : public PortIo {
 public:
  // `system` must outlive the port.
  explicit PpdevPort(PpdevSystem& system = systemPpdev()) : system_(system) {}
  ~PpdevPort() override;
  PpdevPort(const PpdevPort&) = delete;
  PpdevPort& operator=(const PpdevPort&) = delete;

  std::uint8_t read(std::uint16_t port) override;
  void write(std::uint16_t port, std::uint8_t value) override;
  void release() override;
  std::string takeProblem() override;
  bool takeFailure() override;

 private:
  // Claims the port behind `base`; false (and the problem noted) when it cannot.
  bool claim(std::uint16_t base);
  bool control(unsigned long request, unsigned char* value, const char* what);
  void fail(const std::string& problem);

  PpdevSystem& system_;
  int fd_ = -1;
  std::uint16_t base_ = 0;
  bool failed_ = false;  // an access failed since the last takeFailure()
  std::string problem_;
  std::string reported_;
};

}  // namespace capcode
