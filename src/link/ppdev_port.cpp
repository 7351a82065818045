#include "link/ppdev_port.hpp"

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace capcode {

namespace {

// The register a port address names: 0 data, 1 status, 2 control.
int registerOf(std::uint16_t port, std::uint16_t base) {
  return port - base;
}

std::uint16_t baseOf(std::uint16_t port) {
  return static_cast<std::uint16_t>(port >= 0x378 && port <= 0x37A ? 0x378 : 0x278);
}

const char* deviceFor(std::uint16_t base) {
  return base == 0x378 ? "/dev/parport0" : "/dev/parport1";
}

}  // namespace

PpdevPort::~PpdevPort() {
  release();
}

bool PpdevPort::claim(std::uint16_t base) {
  if (fd_ >= 0 && base_ == base) return true;
  release();
  const char* device = deviceFor(base);
  const int fd = ::open(device, O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    problem_ = std::string("Parallel port ") + device + ": " + std::strerror(errno) +
               (errno == EACCES ? " (the user must be in the lp group)" : "");
    return false;
  }
  if (::ioctl(fd, PPCLAIM) != 0) {
    problem_ =
        std::string("Parallel port ") + device + " cannot be claimed: " + std::strerror(errno);
    ::close(fd);
    return false;
  }
  int mode = IEEE1284_MODE_COMPAT;
  ::ioctl(fd, PPSETMODE, &mode);
  fd_ = fd;
  base_ = base;
  return true;
}

std::uint8_t PpdevPort::read(std::uint16_t port) {
  if (!claim(baseOf(port))) return 0xFF;  // nothing answers: SDA reads high
  unsigned char value = 0xFF;
  switch (registerOf(port, base_)) {
    case 0:
      ::ioctl(fd_, PPRDATA, &value);
      break;
    case 1:
      ::ioctl(fd_, PPRSTATUS, &value);
      break;
    case 2:
      ::ioctl(fd_, PPRCONTROL, &value);
      break;
    default:
      break;
  }
  return value;
}

void PpdevPort::write(std::uint16_t port, std::uint8_t value) {
  if (!claim(baseOf(port))) return;
  unsigned char byte = value;
  switch (registerOf(port, base_)) {
    case 0:
      ::ioctl(fd_, PPWDATA, &byte);
      break;
    case 2:
      ::ioctl(fd_, PPWCONTROL, &byte);
      break;
    default:
      break;
  }
}

void PpdevPort::release() {
  if (fd_ < 0) return;
  ::ioctl(fd_, PPRELEASE);
  ::close(fd_);
  fd_ = -1;
}

std::string PpdevPort::takeProblem() {
  // Said once per distinct problem, not at every transfer.
  if (problem_.empty() || problem_ == reported_) return {};
  reported_ = problem_;
  return problem_;
}

}  // namespace capcode
