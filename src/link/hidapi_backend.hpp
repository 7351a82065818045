#pragma once
// The HID layer on Linux over hidapi's hidraw back end. hidraw passes reports without their
// report-ID byte when the device numbers no reports: a write carries the leading 0 (hidapi
// strips it), and a read arrives without it, so it is put back in front to keep report[0] the
// ID on both sides. hidapi 0.13 does not report report lengths: they are taken from the
// device's report descriptor in sysfs where it is there, else the programmer's declared 65.

#include <memory>
#include <string>

#include "link/hid_device.hpp"

namespace capcode {

class HidapiBackend final : public HidBackend {
 public:
  HidapiBackend();
  ~HidapiBackend() override;
  std::vector<HidDeviceInfo> enumerate() override;
  std::unique_ptr<HidDevice> open(const HidDeviceInfo& info) override;
  std::string takeProblem() override;

 private:
  std::string problem_;
  std::string reported_;
};

// Input and output report lengths (report ID included) from a HID report descriptor: the
// largest report of each kind; nothing of a kind gives 0.
struct ReportLengths {
  std::size_t input = 0;
  std::size_t output = 0;
};
ReportLengths reportLengthsFromDescriptor(const unsigned char* descriptor, std::size_t size);

// Watches the system for HID devices coming and going (libudev's monitor on hidraw). Poll
// `fd()` for readability, then call `drain()`: true when a device was added or removed.
class HidDeviceWatcher {
 public:
  HidDeviceWatcher();
  ~HidDeviceWatcher();
  HidDeviceWatcher(const HidDeviceWatcher&) = delete;
  HidDeviceWatcher& operator=(const HidDeviceWatcher&) = delete;
  int fd() const;  // -1 when the monitor is unavailable: rescan periodically instead
  bool drain();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace capcode
