#include "link/ppdev_port.hpp"

#include <fcntl.h>
#include <grp.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <pwd.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

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

void wakeUp(int) {}

class RealPpdev final : public PpdevSystem {
 public:
  int open(const char* path, int flags) override { return ::open(path, flags); }
  int ioctl(int fd, unsigned long request, void* argument) override {
    return ::ioctl(fd, request, argument);
  }
  int close(int fd) override { return ::close(fd); }

  // PPCLAIM sleeps while another program holds the port; an alarm without SA_RESTART ends the
  // wait with EINTR.
  int claim(int fd, int timeoutMillis) override {
    struct sigaction alarm {};
    struct sigaction previous {};
    alarm.sa_handler = wakeUp;
    sigemptyset(&alarm.sa_mask);
    ::sigaction(SIGALRM, &alarm, &previous);
    itimerval limit{};
    limit.it_value.tv_sec = timeoutMillis / 1000;
    limit.it_value.tv_usec = (timeoutMillis % 1000) * 1000;
    ::setitimer(ITIMER_REAL, &limit, nullptr);
    const int rc = ::ioctl(fd, PPCLAIM);
    const int error = errno;
    const itimerval off{};
    ::setitimer(ITIMER_REAL, &off, nullptr);
    ::sigaction(SIGALRM, &previous, nullptr);
    errno = rc != 0 && error == EINTR ? EBUSY : error;
    return rc;
  }

  std::optional<NodeOwnership> ownership(const char* path) override {
    struct stat node {};
    if (::stat(path, &node) != 0) return std::nullopt;
    NodeOwnership found{std::to_string(node.st_uid), std::to_string(node.st_gid),
                        static_cast<unsigned>(node.st_mode & 07777)};
    std::vector<char> buffer(16384);
    passwd user{};
    passwd* userFound = nullptr;
    if (::getpwuid_r(node.st_uid, &user, buffer.data(), buffer.size(), &userFound) == 0 &&
        userFound != nullptr) {
      found.owner = user.pw_name;
    }
    group owners{};
    group* groupFound = nullptr;
    if (::getgrgid_r(node.st_gid, &owners, buffer.data(), buffer.size(), &groupFound) == 0 &&
        groupFound != nullptr) {
      found.group = owners.gr_name;
    }
    return found;
  }
};

}  // namespace

PpdevSystem& systemPpdev() {
  static RealPpdev real;
  return real;
}

PpdevPort::~PpdevPort() {
  release();
}

void PpdevPort::fail(const std::string& problem) {
  failed_ = true;
  if (problem_.empty()) problem_ = problem;
  if (fd_ >= 0) {
    system_.ioctl(fd_, PPRELEASE, nullptr);  // the port may be gone: nothing more to do
    system_.close(fd_);
    fd_ = -1;
  }
}

bool PpdevPort::claim(std::uint16_t base) {
  if (failed_) return false;  // not again within this transfer
  if (fd_ >= 0 && base_ == base) return true;
  release();
  const std::string device = deviceFor(base);
  const int fd = system_.open(device.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    fail("Parallel port " + device + ": " + std::strerror(error) +
         (error == EACCES ? " (the user must be in the lp group)" : ""));
    return false;
  }
  fd_ = fd;
  base_ = base;
  if (system_.claim(fd, kPortClaimMillis) != 0) {
    const int error = errno;
    fd_ = -1;
    system_.close(fd);
    fail(error == EBUSY
             ? "Parallel port " + device + " is in use by another program"
             : "Parallel port " + device + " cannot be claimed: " + std::strerror(error));
    return false;
  }
  int mode = IEEE1284_MODE_COMPAT;
  if (system_.ioctl(fd_, PPSETMODE, &mode) != 0) {
    fail("Parallel port " + device + ": cannot set the mode: " + std::strerror(errno));
    return false;
  }
  reported_.clear();  // the port works again: a later failure is news
  return true;
}

bool PpdevPort::control(unsigned long request, unsigned char* value, const char* what) {
  if (system_.ioctl(fd_, request, value) == 0) return true;
  fail(std::string("Parallel port ") + deviceFor(base_) + ": " + what +
       " failed: " + std::strerror(errno));
  return false;
}

std::uint8_t PpdevPort::read(std::uint16_t port) {
  if (!claim(baseOf(port))) return 0xFF;  // nothing answers: SDA reads high
  unsigned char value = 0xFF;
  bool ok = true;
  switch (registerOf(port, base_)) {
    case 0:
      ok = control(PPRDATA, &value, "reading the data lines");
      break;
    case 1:
      ok = control(PPRSTATUS, &value, "reading the status lines");
      break;
    case 2:
      ok = control(PPRCONTROL, &value, "reading the control lines");
      break;
    default:
      break;
  }
  return ok ? value : 0xFF;
}

void PpdevPort::write(std::uint16_t port, std::uint8_t value) {
  if (!claim(baseOf(port))) return;
  unsigned char byte = value;
  switch (registerOf(port, base_)) {
    case 0:
      control(PPWDATA, &byte, "setting the data lines");
      break;
    case 2:
      control(PPWCONTROL, &byte, "setting the control lines");
      break;
    default:
      break;
  }
}

void PpdevPort::release() {
  if (fd_ < 0) return;
  system_.ioctl(fd_, PPRELEASE, nullptr);
  system_.close(fd_);
  fd_ = -1;
}

std::string PpdevPort::takeProblem() {
  // Said once per distinct problem, not at every transfer.
  std::string problem;
  problem.swap(problem_);
  if (problem.empty() || problem == reported_) return {};
  reported_ = problem;
  return problem;
}

bool PpdevPort::takeFailure() {
  const bool failed = failed_;
  failed_ = false;
  return failed;
}

}  // namespace capcode
