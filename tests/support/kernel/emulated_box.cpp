#include "support/kernel/emulated_box.hpp"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <stdexcept>

#include "link/usb_protocol.hpp"

namespace capcode::kernel {

namespace {

// Vendor-defined usage; 64 bytes in, 64 bytes out, no report ID.
constexpr unsigned char kReportDescriptor[] = {
    0x06, 0x00, 0xFF,  // Usage Page (vendor 0xFF00)
    0x09, 0x01,        // Usage 1
    0xA1, 0x01,        // Collection (Application)
    0x15, 0x00,        //   Logical Minimum 0
    0x26, 0xFF, 0x00,  //   Logical Maximum 255
    0x75, 0x08,        //   Report Size 8
    0x95, 0x40,        //   Report Count 64
    0x09, 0x01,        //   Usage 1
    0x81, 0x02,        //   Input (Data, Variable, Absolute)
    0x95, 0x40,        //   Report Count 64
    0x09, 0x01,        //   Usage 1
    0x91, 0x02,        //   Output (Data, Variable, Absolute)
    0xC0,              // End Collection
};

constexpr unsigned kHidrawMajor = 243;
constexpr std::uint8_t kStatusDone = 'E';

using Client = UMockdevIoctlClient;

void complete(Client* client, long result, int error) {
  umockdev_ioctl_client_complete(client, result, error);
}

// Copies `bytes` into the memory the ioctl's pointer argument names.
bool answerPointer(Client* client, const void* bytes, std::size_t length) {
  return ioctlPointee(client, nullptr, bytes, length);
}

std::string text(const char* format, int value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

}  // namespace

EmulatedBox::EmulatedBox(Testbed& testbed, int number, std::string product)
    : testbed_(testbed),
      nodeName_(text("hidraw%d", number - 1)),
      serial_(text("KB%04d", number)) {
  eeprom_.fill(0xFF);
  // The node first, a terminal in raw mode whose other end this box holds, with the firmware
  // behind it: the testbed announces each sysfs device as it is added, and a program that
  // hears of the hidraw device may open its node at once.
  char name[128];
  if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
    throw std::runtime_error("no pseudo-terminal for the emulated hidraw node");
  slaveName_ = name;
  termios raw{};
  ::tcgetattr(slave_, &raw);
  ::cfmakeraw(&raw);
  ::tcsetattr(slave_, TCSANOW, &raw);
  ::fcntl(master_, F_SETFD, FD_CLOEXEC);
  ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
  ::mkdir((testbed.root() + "/dev").c_str(), 0755);
  if (::symlink(slaveName_.c_str(), (testbed.root() + "/dev/" + nodeName_).c_str()) != 0)
    throw std::runtime_error("cannot make the emulated node " + nodeName_);
  handler_ = umockdev_ioctl_base_new();
  g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(onIoctl), this);
  g_signal_connect(handler_, "handle-read", G_CALLBACK(onRead), this);
  g_signal_connect(handler_, "handle-write", G_CALLBACK(onWrite), this);
  g_signal_connect(handler_, "client-connected", G_CALLBACK(onConnect), this);
  testbed.attach(nodeName_, handler_);

  const std::string port = text("1-%d", number);
  usbDevice_ = testbed.addDevice(
      "usb", "pci0000:00/0000:00:14.0/usb1/" + port, "",
      {"idVendor", "04d8", "idProduct", "1000", "bcdDevice", "0100", "manufacturer",
       "Microchip Technology Inc.", "product", product.c_str(), "serial", serial_.c_str(),
       "busnum", "1", "devnum", text("%d", number + 1).c_str()},
      {"DEVTYPE", "usb_device", "PRODUCT", "4d8/1000/100", "BUSNUM", "001"});
  const std::string interface =
      testbed.addDevice("usb", port + ":1.0", usbDevice_,
                        {"bInterfaceNumber", "00", "bInterfaceClass", "03"},
                        {"DEVTYPE", "usb_interface", "INTERFACE", "3/0/0"});
  const std::string hidName = text("0003:04D8:1000.%04X", number);
  const std::string hid = testbed.addDevice(
      "hid", hidName, interface, {},
      {"HID_ID", "0003:000004D8:00001000", "HID_NAME", product.c_str(), "HID_PHYS",
       ("usb-0000:00:14.0-" + std::to_string(number) + "/input0").c_str(), "HID_UNIQ",
       serial_.c_str()});
  testbed.setBinaryAttribute(hid, "report_descriptor", kReportDescriptor,
                             sizeof kReportDescriptor);
  // Last the hidraw device, whose "add" tells a program the box is there.
  const std::string dev = text("%u:", kHidrawMajor) + std::to_string(number - 1);
  hidraw_ = testbed.addDevice("hidraw", "hidraw/" + nodeName_, hid, {"dev", dev.c_str()},
                              {"DEVNAME", ("/dev/" + nodeName_).c_str(), "MAJOR",
                               text("%u", kHidrawMajor).c_str(), "MINOR",
                               std::to_string(number - 1).c_str()});
  testbed.setLink(hidraw_, "device", "../../../" + hidName);
}

EmulatedBox::~EmulatedBox() {
  if (delayedUnplug_.joinable()) delayedUnplug_.join();
  // Detached first: no program's call reaches this box any more (a box plugged in later may
  // take the node).
  testbed_.detach(nodeName_);
  g_signal_handlers_disconnect_by_data(handler_, this);
  g_object_unref(handler_);
  if (master_ >= 0) ::close(master_);
  if (slave_ >= 0) ::close(slave_);
}

void EmulatedBox::setEeprom(const std::vector<std::uint8_t>& image) {
  const std::lock_guard<std::mutex> lock(mutex_);
  std::copy_n(image.begin(), std::min(image.size(), eeprom_.size()), eeprom_.begin());
}

std::vector<std::uint8_t> EmulatedBox::eeprom() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return {eeprom_.begin(), eeprom_.end()};
}

void EmulatedBox::planFault(std::uint8_t command, unsigned ordinal, BoxFault fault) {
  const std::lock_guard<std::mutex> lock(mutex_);
  faults_[{command, ordinal}] = fault;
}

void EmulatedBox::flipOnRead(std::size_t offset, bool onceWritten) {
  const std::lock_guard<std::mutex> lock(mutex_);
  (onceWritten ? flippedOnceWritten_ : flipped_).insert(offset);
}

void EmulatedBox::restrictNode() {
  // By descriptor: the preload would take a path under /dev for one in the testbed.
  ::fchmod(slave_, 0600);
  // The preload connects to the box's socket whether or not the open succeeds: anyone may.
  ::chmod((testbed_.root() + "/ioctl/dev/" + nodeName_).c_str(), 0666);
  if (::fchown(slave_, 0, 0) != 0) {
    // not root: the owner is this user, whom the mode shuts out as well
  }
}

bool EmulatedBox::pluggedIn() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return pluggedIn_;
}

unsigned EmulatedBox::reports(std::uint8_t command) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  const auto found = counts_.find(command);
  return found == counts_.end() ? 0 : found->second;
}

std::set<std::size_t> EmulatedBox::writeLengths() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return writeLengths_;
}

void EmulatedBox::unplug() {
  const std::lock_guard<std::mutex> lock(mutex_);
  unplugLocked();
}

void EmulatedBox::unplugLocked() {
  if (!pluggedIn_) return;
  pluggedIn_ = false;
  replies_.clear();
  // The kernel announces the removal while the device is still in sysfs, then takes it away.
  testbed_.uevent(hidraw_, "remove");
  testbed_.removeDevice(usbDevice_);
  ::unlink((testbed_.root() + "/dev/" + nodeName_).c_str());
  ::unlink((testbed_.root() + "/dev/.node/" + nodeName_).c_str());
  // Hang up: the terminal's other end goes (the descriptor number stays taken until the end,
  // by an empty pipe: under the preload, /dev/null would be the testbed's).
  int nothing[2];
  if (::pipe2(nothing, O_CLOEXEC) == 0) {
    ::dup3(nothing[0], master_, O_CLOEXEC);
    ::close(nothing[0]);
    ::close(nothing[1]);
  }
}

void EmulatedBox::queueReply(const Reply& reply) {
  if (replies_.empty()) {
    const unsigned char ready = 0;
    if (::write(master_, &ready, 1) != 1) return;  // poll() on the node now says "readable"
  }
  replies_.push_back(reply);
}

bool EmulatedBox::receive(const std::uint8_t* data, std::size_t length) {
  if (!pluggedIn_) return false;
  writeLengths_.insert(length);
  // hidraw sends an unnumbered report without its leading report ID byte.
  const std::uint8_t* packet = data + 1;
  const std::size_t packetLength = length - 1;
  const std::uint8_t command = packetLength > 0 ? packet[0] : 0;
  const unsigned ordinal = ++counts_[command];
  if (const auto fault = faults_.find({command, ordinal}); fault != faults_.end()) {
    switch (fault->second) {
      case BoxFault::Unplug:
        unplugLocked();
        return false;
      case BoxFault::UnplugWhileWaiting:
        if (delayedUnplug_.joinable()) delayedUnplug_.join();
        delayedUnplug_ = std::thread([this] {
          std::this_thread::sleep_for(std::chrono::milliseconds(200));
          unplug();
        });
        return true;
      case BoxFault::Silent:
        return true;
    }
  }

  Reply reply{};
  reply[0] = kStatusDone;
  // The firmware's packet is exactly 64 bytes with its CRC last; anything else fails the check.
  const bool whole = packetLength == kReportBytes;
  const std::size_t address = whole ? ((packet[2] << 8) | packet[3]) & 0x7FF : 0;
  if (!whole || crc8(packet, kReportBytes - 1) != packet[kReportBytes - 1]) {
    reply[0] = 'C';
  } else if (command == kCommandAttach) {
    // greeted
  } else if (command == kCommandReadBlock) {
    for (std::size_t i = 0; i < kBlockBytes; ++i) {
      const std::size_t at = (address + i) & 0x7FF;
      reply[2 + i] = flipped_.count(at) != 0 ? static_cast<std::uint8_t>(~eeprom_[at]) : eeprom_[at];
    }
  } else if (command == kCommandWriteBlock) {
    for (std::size_t i = 0; i < kBlockBytes; ++i) {
      const std::size_t at = (address + i) & 0x7FF;
      eeprom_[at] = packet[4 + i];
      if (flippedOnceWritten_.count(at) != 0) flipped_.insert(at);
    }
  } else {
    reply[0] = 'D';
  }
  queueReply(reply);
  return true;
}

void EmulatedBox::onConnect(UMockdevIoctlBase*, Client*, EmulatedBox* box) {
  // Each open of a hidraw node has its own input queue: nothing waits for a new one.
  const std::lock_guard<std::mutex> lock(box->mutex_);
  box->replies_.clear();
  if (box->pluggedIn_) ::tcflush(box->slave_, TCIFLUSH);
}

int EmulatedBox::onIoctl(UMockdevIoctlBase*, Client* client, EmulatedBox* box) {
  const unsigned long request = umockdev_ioctl_client_get_request(client);
  const std::lock_guard<std::mutex> lock(box->mutex_);
  if (!box->pluggedIn_) {
    complete(client, -1, ENODEV);
  } else if (request == HIDIOCGRDESCSIZE) {
    const int size = sizeof kReportDescriptor;
    complete(client, answerPointer(client, &size, sizeof size) ? 0 : -1, EFAULT);
  } else if (request == HIDIOCGRDESC) {
    hidraw_report_descriptor descriptor{};
    descriptor.size = sizeof kReportDescriptor;
    std::copy(std::begin(kReportDescriptor), std::end(kReportDescriptor), descriptor.value);
    complete(client, answerPointer(client, &descriptor, sizeof descriptor) ? 0 : -1, EFAULT);
  } else if (request == HIDIOCGRAWINFO) {
    const hidraw_devinfo info{3, static_cast<__s16>(0x04D8), static_cast<__s16>(0x1000)};
    complete(client, answerPointer(client, &info, sizeof info) ? 0 : -1, EFAULT);
  } else {
    complete(client, -1, EINVAL);
  }
  return TRUE;
}

int EmulatedBox::onWrite(UMockdevIoctlBase*, Client* client, EmulatedBox* box) {
  UMockdevIoctlData* data = umockdev_ioctl_client_get_arg(client);
  const std::lock_guard<std::mutex> lock(box->mutex_);
  const std::size_t length = static_cast<std::size_t>(data->data_len);
  if (length == 0 || !box->receive(data->data, length)) {
    complete(client, -1, length == 0 ? EINVAL : ENODEV);
  } else {
    complete(client, static_cast<long>(length), 0);
  }
  return TRUE;
}

int EmulatedBox::onRead(UMockdevIoctlBase*, Client* client, EmulatedBox* box) {
  UMockdevIoctlData* data = umockdev_ioctl_client_get_arg(client);
  const std::lock_guard<std::mutex> lock(box->mutex_);
  if (!box->pluggedIn_) {
    complete(client, -1, EIO);
    return TRUE;
  }
  if (box->replies_.empty()) {
    complete(client, -1, EAGAIN);
    return TRUE;
  }
  Reply reply = box->replies_.front();
  box->replies_.erase(box->replies_.begin());
  if (box->replies_.empty()) ::tcflush(box->slave_, TCIFLUSH);  // nothing more to read
  const std::size_t length = std::min<std::size_t>(reply.size(), data->data_len);
  umockdev_ioctl_data_update(data, 0, reply.data(), static_cast<gint>(length));
  complete(client, static_cast<long>(length), 0);
  return TRUE;
}

}  // namespace capcode::kernel
