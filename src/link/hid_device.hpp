#pragma once
// The HID layer under the USB programmer: a list of present HID interfaces and, per opened
// device, one blocking output-report write and one input-report read with a time limit.
// Reports here always start with their report-ID byte: report[0] is 0 for this programmer,
// whether or not the platform passes that byte over the wire.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace capcode {

struct HidDeviceInfo {
  std::string path;  // opens the interface; unique while it is present
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::string productString;
  std::string serialNumber;  // as the device reports it; empty when it reports none
};

enum class HidReadResult { Ok, TimedOut, Failed };

class HidDevice {
 public:
  virtual ~HidDevice() = default;
  virtual const HidDeviceInfo& info() const = 0;
  // Report lengths in bytes, the report-ID byte included.
  virtual std::size_t outputReportLength() const = 0;
  virtual std::size_t inputReportLength() const = 0;
  // Sends report[0 .. length); false when the device is gone or failing.
  virtual bool writeReport(const std::uint8_t* report, std::size_t length) = 0;
  // Fills report[0 .. length) with the next input report (report[0] = its ID); waits at most
  // `timeoutMillis` milliseconds for it.
  virtual HidReadResult readReport(std::uint8_t* report, std::size_t length, int timeoutMillis) = 0;
  // The system's text for the last failure.
  virtual std::string errorText() const { return {}; }
};

class HidBackend {
 public:
  virtual ~HidBackend() = default;
  // The present HID interfaces in discovery order.
  virtual std::vector<HidDeviceInfo> enumerate() = 0;
  // Opens one for reading and writing; nothing when it cannot be opened (see takeProblem).
  virtual std::unique_ptr<HidDevice> open(const HidDeviceInfo& info) = 0;
  // Why the last device could not be opened, once; empty otherwise.
  virtual std::string takeProblem() { return {}; }
};

}  // namespace capcode
