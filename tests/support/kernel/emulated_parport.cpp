#include "support/kernel/emulated_parport.hpp"

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace capcode::kernel {

namespace {

constexpr unsigned kPpdevMajor = 99;
constexpr std::uint8_t kScl = 0x02, kSda = 0x04, kSupply = 0x08, kEnableA = 0x80;
constexpr std::uint8_t kEnableB = 0x04;  // control register
constexpr std::uint8_t kSdaIn = 0x40;    // status register
constexpr std::uint8_t kControlWritable = 0x1F;

using Client = UMockdevIoctlClient;

// The byte the ioctl's pointer argument names, read (`value` given) or written back.
bool pointee(Client* client, std::uint8_t* in, const std::uint8_t* out, std::size_t length = 1) {
  return ioctlPointee(client, in, out, length);
}

}  // namespace

EmulatedParallelPort::EmulatedParallelPort(Testbed& testbed) : testbed_(testbed) {
  const std::string port = testbed.addDevice("parport", "pnp0/00:05/parport0", "", {}, {});
  testbed.addDevice("ppdev", "pnp0/00:05/parport0/ppdev/parport0", "",
                    {"dev", (std::to_string(kPpdevMajor) + ":0").c_str()},
                    {"DEVNAME", "/dev/parport0", "MAJOR", "99", "MINOR", "0"});
  (void)port;
  // The node itself: a plain file, every ioctl on it comes here.
  ::mkdir((testbed.root() + "/dev").c_str(), 0755);
  ::close(::open((testbed.root() + "/dev/parport0").c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0660));
  handler_ = umockdev_ioctl_base_new();
  g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(onIoctl), this);
  testbed.attach("parport0", handler_);
}

EmulatedParallelPort::~EmulatedParallelPort() {
  testbed_.detach("parport0");
  g_signal_handlers_disconnect_by_data(handler_, this);
  g_object_unref(handler_);
}

void EmulatedParallelPort::setEeprom(const std::vector<std::uint8_t>& image) {
  const std::lock_guard<std::mutex> lock(mutex_);
  std::copy_n(image.begin(), std::min(image.size(), chip_.memory.size()), chip_.memory.begin());
}

void EmulatedParallelPort::removeChip() {
  const std::lock_guard<std::mutex> lock(mutex_);
  chip_.present = false;
}

std::vector<std::uint8_t> EmulatedParallelPort::eeprom() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return {chip_.memory.begin(), chip_.memory.end()};
}

unsigned EmulatedParallelPort::claims() const { return locked(claims_); }
unsigned EmulatedParallelPort::refusedUnclaimed() const { return locked(refused_); }
bool EmulatedParallelPort::claimed() const { return locked(claimed_); }
unsigned EmulatedParallelPort::ioctls() const { return locked(ioctls_); }

void EmulatedParallelPort::driveChip() {
  const bool enabled = (data_ & kEnableA) != 0 && (control_ & kEnableB) == 0;
  chip_.lines(enabled && (data_ & kSupply) != 0, !enabled || (data_ & kScl) != 0,
              !enabled || (data_ & kSda) != 0);
}

int EmulatedParallelPort::onIoctl(UMockdevIoctlBase*, Client* client,
                                  EmulatedParallelPort* port) {
  const std::lock_guard<std::mutex> lock(port->mutex_);
  port->handle(client);
  return TRUE;
}

void EmulatedParallelPort::handle(Client* client) {
  ++ioctls_;
  const unsigned long request = umockdev_ioctl_client_get_request(client);
  auto done = [client](bool ok) { umockdev_ioctl_client_complete(client, ok ? 0 : -1, ok ? 0 : EFAULT); };
  switch (request) {
    case PPCLAIM:
      if (claimed_) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
      }
      claimed_ = true;
      ++claims_;
      done(true);
      return;
    case PPEXCL:
      done(true);
      return;
    case PPSETMODE: {
      std::uint8_t mode[sizeof(int)];
      const bool ok = pointee(client, mode, nullptr, sizeof mode);
      if (ok) std::copy_n(mode, sizeof mode, reinterpret_cast<std::uint8_t*>(&mode_));
      done(ok);
      return;
    }
    default:
      break;
  }
  if (!claimed_) {  // "claim the port first"
    ++refused_;
    umockdev_ioctl_client_complete(client, -1, EINVAL);
    return;
  }
  std::uint8_t value = 0;
  switch (request) {
    case PPRELEASE:
      claimed_ = false;
      done(true);
      return;
    case PPRDATA:
      done(pointee(client, nullptr, &data_));
      return;
    case PPWDATA:
      if (!pointee(client, &value, nullptr)) return done(false);
      data_ = value;
      driveChip();
      done(true);
      return;
    case PPRSTATUS: {
      const bool enabled = (data_ & kEnableA) != 0 && (control_ & kEnableB) == 0;
      const bool sda = !enabled || chip_.sdaLine();
      const std::uint8_t status = static_cast<std::uint8_t>(0x3F | (sda ? kSdaIn : 0));
      done(pointee(client, nullptr, &status));
      return;
    }
    case PPRCONTROL: {
      const std::uint8_t control = control_ & kControlWritable;
      done(pointee(client, nullptr, &control));
      return;
    }
    case PPWCONTROL:
      if (!pointee(client, &value, nullptr)) return done(false);
      control_ = value & kControlWritable;
      driveChip();
      done(true);
      return;
    default:
      umockdev_ioctl_client_complete(client, -1, ENOTTY);
      return;
  }
}

}  // namespace capcode::kernel
