#pragma once
// Keeps the list of present HID devices, in discovery order, up to date on every device-change
// notification, and hands devices out to one user at a time.

#include <functional>
#include <memory>
#include <vector>

#include "link/hid_device.hpp"

namespace capcode {

struct HidEntry {
  HidDeviceInfo info;
  bool pluggedIn = true;
  bool checkedOut = false;
  std::unique_ptr<HidDevice> device;  // open while checked out
};

class HidController {
 public:
  explicit HidController(HidBackend& backend) : backend_(backend) {}

  // Rescans the present devices: a listed one that is gone is marked unplugged (and closed
  // unless checked out, when it stays listed until released); new ones are appended. Returns
  // true when the list changed.
  bool rescan();
  // Offers each device not checked out, in list order, to `accept`; the first accepted is
  // opened and checked out. Nothing when none is accepted or it cannot be opened.
  HidEntry* checkOutByCallback(const std::function<bool(const HidDeviceInfo&)>& accept);
  HidEntry* checkOutByIndex(std::size_t index);
  // Gives a checked-out device back; an unplugged one leaves the list.
  void release(HidEntry* entry);

  const std::vector<std::unique_ptr<HidEntry>>& entries() const { return entries_; }
  HidBackend& backend() { return backend_; }

 private:
  HidBackend& backend_;
  std::vector<std::unique_ptr<HidEntry>> entries_;
};

}  // namespace capcode
