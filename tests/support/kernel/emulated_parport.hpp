#pragma once
// /dev/parport0 on an emulated ppdev driver, with the passive programmer adapter and a
// bit-level 24C16 behind it. The driver keeps the kernel's rules: the port's registers may be
// touched only between PPCLAIM and PPRELEASE (EINVAL otherwise, as ppdev answers), a second
// PPCLAIM is refused, PPSETMODE is taken at any time, unknown requests get ENOTTY. The adapter
// passes the data register's SCL (bit 1), SDA (bit 2) and supply (bit 3) lines to the chip only
// while it is enabled (data bit 7 set and control bit 2 cleared); the chip's SDA comes back on
// status bit 6. Every register access is one ioctl handed to this process, so a whole-chip
// read is some 160,000 of them. Thread-safe: the driver runs on the testbed's thread.

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "link/link_clock.hpp"
#include "link/simulated_eeprom.hpp"
#include "support/kernel/testbed.hpp"

namespace capcode::kernel {

class EmulatedParallelPort {
 public:
  explicit EmulatedParallelPort(Testbed& testbed);
  ~EmulatedParallelPort();
  EmulatedParallelPort(const EmulatedParallelPort&) = delete;
  EmulatedParallelPort& operator=(const EmulatedParallelPort&) = delete;

  void setEeprom(const std::vector<std::uint8_t>& image);
  // No pager in the adapter: nothing acknowledges on the bus.
  void removeChip();
  std::vector<std::uint8_t> eeprom() const;

  // What the driver saw: claims granted, register accesses refused for want of a claim, opens
  // that ended (the next open came, or the test looked) with the port still claimed, and
  // whether it is claimed now.
  unsigned claims() const;
  unsigned refusedUnclaimed() const;
  bool claimed() const;
  unsigned ioctls() const;

 private:
  static int onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client,
                     EmulatedParallelPort* port);
  void handle(UMockdevIoctlClient* client);
  void driveChip();
  // A count or state the testbed's thread keeps, read under the lock from the test's.
  template <typename T>
  T locked(const T& member) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return member;
  }

  Testbed& testbed_;
  UMockdevIoctlBase* handler_ = nullptr;

  mutable std::mutex mutex_;
  SteadyLinkClock clock_;
  SimulatedEeprom chip_{clock_};
  bool claimed_ = false;
  int mode_ = 0;
  std::uint8_t data_ = 0;
  std::uint8_t control_ = 0x0C;  // as the BIOS leaves it: /INIT high, /SELECT-IN high
  unsigned claims_ = 0;
  unsigned refused_ = 0;
  unsigned ioctls_ = 0;
};

}  // namespace capcode::kernel
