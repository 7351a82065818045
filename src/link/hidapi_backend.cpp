#include "link/hidapi_backend.hpp"

#include <libudev.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <mutex>
#include <vector>

#include "link/usb_protocol.hpp"

namespace capcode {

namespace {

// hidapi keeps its start-up state and the text of the last enumerate or open failure in
// globals: several boxes driven from threads of one process take turns there. Reads and writes
// on an opened device keep to that device and need no turn.
std::mutex& hidapiGlobals() {
  static std::mutex globals;
  return globals;
}

std::string narrow(const wchar_t* text) {
  std::string out;
  if (text == nullptr) return out;
  for (; *text != 0; ++text)
    out += *text < 0x100 ? static_cast<char>(*text) : '?';
  return out;
}

// /dev/hidrawN -> its report descriptor in sysfs.
std::vector<unsigned char> readDescriptor(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string node = path.substr(slash == std::string::npos ? 0 : slash + 1);
  std::ifstream file("/sys/class/hidraw/" + node + "/device/report_descriptor", std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class HidapiDevice final : public HidDevice {
 public:
  HidapiDevice(const HidApi& api, hid_device* handle, HidDeviceInfo info, ReportLengths lengths)
      : api_(api), handle_(handle), info_(std::move(info)), lengths_(lengths) {}
  ~HidapiDevice() override { api_.close(handle_); }

  const HidDeviceInfo& info() const override { return info_; }
  std::size_t outputReportLength() const override { return lengths_.output; }
  std::size_t inputReportLength() const override { return lengths_.input; }

  bool writeReport(const std::uint8_t* report, std::size_t length) override {
    // hidapi wants the report ID first; for an unnumbered report it sends the rest.
    return api_.write(handle_, report, length) == static_cast<int>(length);
  }

  HidReadResult readReport(std::uint8_t* report, std::size_t length, int timeoutMillis) override {
    if (length < 2) return HidReadResult::Failed;
    // The report arrives without its ID byte: read it in behind report[0].
    const int got = api_.readTimeout(handle_, report + 1, length - 1, timeoutMillis);
    if (got < 0) return HidReadResult::Failed;
    if (got == 0) return HidReadResult::TimedOut;
    report[0] = 0;
    std::fill(report + 1 + got, report + length, 0);
    return HidReadResult::Ok;
  }

  std::string errorText() const override { return narrow(api_.error(handle_)); }

 private:
  const HidApi& api_;
  hid_device* handle_;
  HidDeviceInfo info_;
  ReportLengths lengths_;
};

}  // namespace

ReportLengths reportLengthsFromDescriptor(const unsigned char* d, std::size_t size) {
  ReportLengths lengths;
  std::size_t reportSize = 0, reportCount = 0;
  std::size_t inputBits = 0, outputBits = 0;
  for (std::size_t i = 0; i < size;) {
    const unsigned char prefix = d[i];
    if (prefix == 0xFE) {  // long item
      if (i + 1 >= size) break;
      i += 3 + d[i + 1];
      continue;
    }
    std::size_t dataSize = prefix & 0x03;
    if (dataSize == 3) dataSize = 4;
    if (i + 1 + dataSize > size) break;
    unsigned long value = 0;
    for (std::size_t k = 0; k < dataSize; ++k)
      value |= static_cast<unsigned long>(d[i + 1 + k]) << (8 * k);
    switch (prefix & 0xFC) {
      case 0x74:
        reportSize = value;
        break;  // Report Size
      case 0x94:
        reportCount = value;
        break;  // Report Count
      case 0x80:
        inputBits += reportSize * reportCount;
        break;  // Input
      case 0x90:
        outputBits += reportSize * reportCount;
        break;  // Output
      default:
        break;
    }
    i += 1 + dataSize;
  }
  // One byte more for the report ID, which the lengths here always include.
  if (inputBits != 0) lengths.input = (inputBits + 7) / 8 + 1;
  if (outputBits != 0) lengths.output = (outputBits + 7) / 8 + 1;
  return lengths;
}

const HidApi& systemHidApi() {
  static const HidApi api{hid_init,      hid_exit,  hid_enumerate, hid_free_enumeration,
                          hid_open_path, hid_close, hid_write,     hid_read_timeout,
                          hid_error};
  return api;
}

HidapiBackend::HidapiBackend(const HidApi& api) : api_(api) {
  const std::lock_guard<std::mutex> turn(hidapiGlobals());
  if (api_.init() != 0) problem_ = "The USB HID layer cannot be started";
}
HidapiBackend::~HidapiBackend() {
  const std::lock_guard<std::mutex> turn(hidapiGlobals());
  api_.exit();
}

std::vector<HidDeviceInfo> HidapiBackend::enumerate() {
  std::vector<HidDeviceInfo> list;
  const std::lock_guard<std::mutex> turn(hidapiGlobals());
  hid_device_info* all = api_.enumerate(0, 0);
  for (hid_device_info* d = all; d != nullptr; d = d->next) {
    HidDeviceInfo info;
    info.path = d->path != nullptr ? d->path : "";
    info.vendorId = d->vendor_id;
    info.productId = d->product_id;
    info.productString = narrow(d->product_string);
    info.serialNumber = narrow(d->serial_number);
    list.push_back(std::move(info));
  }
  if (all != nullptr) api_.freeEnumeration(all);
  return list;
}

std::unique_ptr<HidDevice> HidapiBackend::open(const HidDeviceInfo& info) {
  std::unique_lock<std::mutex> turn(hidapiGlobals());
  errno = 0;
  hid_device* handle = api_.openPath(info.path.c_str());
  const int openError = errno;
  turn.unlock();
  if (handle == nullptr) {
    const int error = openError != 0 ? openError : ENODEV;
    problem_ = "USB programmer " + info.path + " cannot be opened: " + std::strerror(error) +
               (error == EACCES ? " (install the udev rule from the data directory)" : "");
    return nullptr;
  }
  ReportLengths lengths;
  const auto descriptor = readDescriptor(info.path);
  if (!descriptor.empty())
    lengths = reportLengthsFromDescriptor(descriptor.data(), descriptor.size());
  if (lengths.input == 0) lengths.input = kDeclaredReportLength;
  if (lengths.output == 0) lengths.output = kDeclaredReportLength;
  lengths.input = std::min(lengths.input, kReportBufferSize);
  lengths.output = std::min(lengths.output, kReportBufferSize);
  return std::make_unique<HidapiDevice>(api_, handle, info, lengths);
}

std::string HidapiBackend::takeProblem() {
  if (problem_.empty() || problem_ == reported_) return {};
  reported_ = problem_;
  return problem_;
}

struct HidDeviceWatcher::Impl {
  udev* context = nullptr;
  udev_monitor* monitor = nullptr;
};

HidDeviceWatcher::HidDeviceWatcher() : impl_(std::make_unique<Impl>()) {
  impl_->context = udev_new();
  if (impl_->context == nullptr) return;
  impl_->monitor = udev_monitor_new_from_netlink(impl_->context, "udev");
  if (impl_->monitor == nullptr) return;
  udev_monitor_filter_add_match_subsystem_devtype(impl_->monitor, "hidraw", nullptr);
  if (udev_monitor_enable_receiving(impl_->monitor) != 0) {
    udev_monitor_unref(impl_->monitor);
    impl_->monitor = nullptr;
  }
}

HidDeviceWatcher::~HidDeviceWatcher() {
  if (impl_->monitor != nullptr) udev_monitor_unref(impl_->monitor);
  if (impl_->context != nullptr) udev_unref(impl_->context);
}

int HidDeviceWatcher::fd() const {
  return impl_->monitor != nullptr ? udev_monitor_get_fd(impl_->monitor) : -1;
}

bool HidDeviceWatcher::drain() {
  if (impl_->monitor == nullptr) return false;
  bool changed = false;
  while (udev_device* device = udev_monitor_receive_device(impl_->monitor)) {
    const char* action = udev_device_get_action(device);
    if (action != nullptr &&
        (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0)) {
      changed = true;
    }
    udev_device_unref(device);
  }
  return changed;
}

}  // namespace capcode
