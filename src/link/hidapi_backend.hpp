#pragma once
// The HID layer on Linux over hidapi's hidraw back end. hidraw passes reports without their
// report-ID byte when the device numbers no reports: a write carries the leading 0 (hidapi
// strips it), and a read arrives without it, so it is put back in front to keep report[0] the
// ID on both sides. hidapi 0.13 does not report report lengths: they are taken from the
// device's report descriptor in sysfs where it is there, else the programmer's declared 65.

#include <hidapi/hidapi.h>

#include <memory>
#include <string>

#include "link/hid_device.hpp"

namespace capcode {

// The hidapi functions the back end calls, as one table, so that tests can put fakes in their
// place and make them fail (no device, no permission, a box unplugged mid-report).
struct HidApi {
  int (*init)();
  int (*exit)();
  hid_device_info* (*enumerate)(unsigned short vendor, unsigned short product);
  void (*freeEnumeration)(hid_device_info* devices);
  hid_device* (*openPath)(const char* path);  // sets errno when it fails
  void (*close)(hid_device* device);
  int (*write)(hid_device* device, const unsigned char* data, size_t length);
  int (*readTimeout)(hid_device* device, unsigned char* data, size_t length, int millis);
  const wchar_t* (*error)(hid_device* device);
};

// hidapi's own functions.
const HidApi& systemHidApi();

class HidapiBackend final : public HidBackend {
 public:
  // `api` must outlive the back end and every device it opened.
  explicit HidapiBackend(const HidApi& api = systemHidApi());
  ~HidapiBackend() override;
  std::vector<HidDeviceInfo> enumerate() override;
  std::unique_ptr<HidDevice> open(const HidDeviceInfo& info) override;
  std::string takeProblem() override;

 private:
  const HidApi& api_;
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
