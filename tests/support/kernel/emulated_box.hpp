#pragma once
// A USB programmer box on an emulated hidraw node, as the kernel shows a real one: the USB
// device (vendor 0x04D8, product 0x1000, its product string and serial number), its HID
// interface with the report descriptor in sysfs (64-byte input and output reports, no report
// ID), and /dev/hidrawN. Its firmware answers the report protocol from a 24C16 model: it
// checks the CRC ('C'), answers 'D' to an unknown command, reads and writes 32-byte blocks.
//
// The node is a pseudo-terminal so that poll() works: umockdev hands read(), write() and
// ioctl() to the box but not poll(), so while a reply waits one byte waits on the terminal,
// and read() then returns one whole report, as hidraw does. Unplugged, the box leaves sysfs
// with its "remove" uevent and the node hangs up: poll() reports the hang-up, write() fails
// with ENODEV, read() with EIO. Thread-safe: the firmware runs on the testbed's thread.

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/kernel/testbed.hpp"

namespace capcode::kernel {

// What the box does with one report instead of answering it.
enum class BoxFault {
  Unplug,              // pulled out as the report arrives: the report never reaches it
  UnplugWhileWaiting,  // takes the report, does not answer, is pulled out 200 ms later
  Silent,              // takes the report and never answers
};

class EmulatedBox {
 public:
  static constexpr std::size_t kReportBytes = 64;  // without the report ID

  // Box `number` (from 1) on /dev/hidraw(number - 1), plugged in: its devices' "add" uevents
  // reach the programs' udev monitors.
  EmulatedBox(Testbed& testbed, int number, std::string product = "P-2 programmer");
  ~EmulatedBox();
  EmulatedBox(const EmulatedBox&) = delete;
  EmulatedBox& operator=(const EmulatedBox&) = delete;

  std::string node() const { return "/dev/" + nodeName_; }
  const std::string& serial() const { return serial_; }

  void setEeprom(const std::vector<std::uint8_t>& image);
  std::vector<std::uint8_t> eeprom() const;
  // The `ordinal`-th report (from 1) of `command` meets `fault`.
  void planFault(std::uint8_t command, unsigned ordinal, BoxFault fault);
  // The stored byte at `offset` reads back inverted (with `onceWritten`, only after the host
  // wrote it: a cell that no longer takes a new value).
  void flipOnRead(std::size_t offset, bool onceWritten = false);
  // Only root may open the node (a box without the udev rule's permissions).
  void restrictNode();
  void unplug();
  bool pluggedIn() const;

  // Reports taken, by command; and every length a write() on the node had.
  unsigned reports(std::uint8_t command) const;
  std::set<std::size_t> writeLengths() const;

 private:
  using Reply = std::array<std::uint8_t, kReportBytes>;
  static int onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, EmulatedBox* box);
  static int onRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, EmulatedBox* box);
  static int onWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, EmulatedBox* box);
  static void onConnect(UMockdevIoctlBase*, UMockdevIoctlClient* client, EmulatedBox* box);
  // The firmware: one output report in; false when the box is gone.
  bool receive(const std::uint8_t* data, std::size_t length);
  void queueReply(const Reply& reply);
  void unplugLocked();

  Testbed& testbed_;
  std::string nodeName_;
  std::string serial_;
  std::string usbDevice_;
  std::string hidraw_;
  std::string slaveName_;
  int master_ = -1;
  int slave_ = -1;
  UMockdevIoctlBase* handler_ = nullptr;
  std::thread delayedUnplug_;

  mutable std::mutex mutex_;
  std::array<std::uint8_t, 2048> eeprom_{};
  std::vector<Reply> replies_;
  std::map<std::pair<std::uint8_t, unsigned>, BoxFault> faults_;
  std::set<std::size_t> flipped_;
  std::set<std::size_t> flippedOnceWritten_;
  std::map<std::uint8_t, unsigned> counts_;
  std::set<std::size_t> writeLengths_;
  bool pluggedIn_ = true;
};

}  // namespace capcode::kernel
