#include "link/simulated_programmer.hpp"

#include "link/simulated_faults.hpp"

#include <algorithm>
#include <chrono>
#include <thread>

#include "link/usb_protocol.hpp"

namespace capcode {

namespace {

constexpr std::uint16_t kVendor = 0x04D8;
constexpr std::uint16_t kProduct = 0x1000;

// A handle on a simulated box; the box outlives it in the simulated HID layer.
class SimulatedHandle final : public HidDevice {
 public:
  explicit SimulatedHandle(SimulatedProgrammer& box) : box_(box) {}
  const HidDeviceInfo& info() const override { return box_.info; }
  std::size_t outputReportLength() const override { return kDeclaredReportLength; }
  std::size_t inputReportLength() const override { return kDeclaredReportLength; }
  bool writeReport(const std::uint8_t* report, std::size_t length) override {
    return box_.receive(report, length);
  }
  HidReadResult readReport(std::uint8_t* report, std::size_t length, int timeoutMillis) override {
    if (!box_.pluggedIn) return HidReadResult::Failed;
    if (box_.replyMillis > 0) {
      // The box's own time to answer; one slower than the host's limit misses it.
      box_.wait(std::min(box_.replyMillis, timeoutMillis));
      if (box_.replyMillis > timeoutMillis) return HidReadResult::TimedOut;
    }
    auto reply = box_.takeReply();
    if (!reply) {
      // A box that does not answer keeps the host waiting for the whole time limit.
      box_.wait(timeoutMillis);
      box_.deliverLateReply();
      return box_.pluggedIn ? HidReadResult::TimedOut : HidReadResult::Failed;
    }
    std::copy_n(reply->begin(), std::min(length, reply->size()), report);
    return HidReadResult::Ok;
  }
  std::string errorText() const override {
    return box_.pluggedIn ? "" : "The device is not connected.";
  }

 private:
  SimulatedProgrammer& box_;
};

// The status a planned status reply sends in place of the real one: StatusA..StatusD are 'A'..'D'.
char statusLetter(PlannedReply reply) {
  static_assert(static_cast<int>(PlannedReply::StatusD) - static_cast<int>(PlannedReply::StatusA) ==
                'D' - 'A');
  return static_cast<char>('A' + (static_cast<int>(reply) - static_cast<int>(PlannedReply::StatusA)));
}

}  // namespace

BoxFault splitBoxFault(const std::string& fault) {
  if (fault.rfind("box", 0) != 0) return {0, fault};
  const std::size_t colon = fault.find(':');
  unsigned long box = 0;
  if (colon == std::string::npos || !parseFaultNumber(fault.substr(3, colon - 3), box) || box == 0 ||
      box > static_cast<unsigned long>(kMaxSimulatedBoxes)) {
    return {-1, fault};
  }
  return {static_cast<int>(box), fault.substr(colon + 1)};
}

std::string parseSimulatedFault(const std::string& given, SimulatedBoxFaults& box,
                                unsigned& nakAtByte) {
  const BoxFault split = splitBoxFault(given);
  if (split.box < 0)
    return "a box prefix needs a box number 1.." + std::to_string(kMaxSimulatedBoxes) + ": " +
           given;
  const std::string& fault = split.fault;
  const SimulatedFaultKind* kind = simulatedFaultKind(fault);
  if (kind == nullptr) return "unknown fault: " + given;
  return kind->parse(fault, given, box, nakAtByte);
}

SimulatedProgrammer::SimulatedProgrammer(std::string productString, std::string path,
                                         std::string serial) {
  eeprom.fill(0xFF);
  info.path = std::move(path);
  info.serialNumber = std::move(serial);
  info.vendorId = kVendor;
  info.productId = kProduct;
  info.productString = std::move(productString);
}

std::unique_ptr<HidDevice> SimulatedProgrammer::open() {
  return std::make_unique<SimulatedHandle>(*this);
}

void SimulatedProgrammer::wait(int millis) {
  if (millis <= 0) return;
  if (clock != nullptr) {
    clock->sleepMillis(static_cast<std::uint32_t>(millis));
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(millis));
  }
}

bool SimulatedProgrammer::receive(const std::uint8_t* report, std::size_t length) {
  if (!pluggedIn || length < 2) return false;
  const std::uint8_t command = report[1];
  const unsigned ordinal = ++counts[command];
  const bool taken = handle(command, ordinal, report, length);
  if (afterReport) afterReport(command, ordinal);
  return taken;
}

bool SimulatedProgrammer::handle(std::uint8_t command, unsigned ordinal,
                                 const std::uint8_t* report, std::size_t length) {
  std::array<std::uint8_t, 65> reply{};
  reply[1] = 'E';  // the firmware's "done"

  auto planned = faults.planned.find({command, ordinal});
  bool late = false;
  if (planned != faults.planned.end() && planned->second == PlannedReply::Late) {
    late = true;
  } else if (planned != faults.planned.end()) {
    if (planned->second == PlannedReply::Unplug) {
      pluggedIn = false;
      return false;
    }
    if (planned->second == PlannedReply::Silent) return true;
    reply[1] = statusLetter(planned->second);
    queue(reply);
    return true;
  }

  const std::size_t address =
      (static_cast<std::size_t>(report[3]) << 8 | report[4]) % eeprom.size();
  if (crc8(report + 1, length - 2) != report[length - 1]) {
    reply[1] = 'C';
  } else if (command == kCommandAttach) {
    // greeted; nothing to do
  } else if (command != kCommandReadBlock && command != kCommandWriteBlock) {
    reply[1] = 'D';
  } else if (faults.noChip) {
    reply[1] = 'A';
  } else if (command == kCommandReadBlock) {
    for (std::size_t i = 0; i < kBlockBytes; ++i) {
      const std::size_t at = (address + i) % eeprom.size();
      const bool flipped = std::find(faults.flippedOffsets.begin(), faults.flippedOffsets.end(),
                                     at) != faults.flippedOffsets.end();
      reply[3 + i] = flipped ? static_cast<std::uint8_t>(~eeprom[at]) : eeprom[at];
    }
  } else {
    for (std::size_t i = 0; i < kBlockBytes; ++i)
      eeprom[(address + i) % eeprom.size()] = report[5 + i];
  }
  if (late) {
    late_ = reply;
  } else {
    queue(reply);
  }
  return true;
}

void SimulatedProgrammer::queue(const Reply& reply) {
  if (queued_ == replies_.size()) {  // a full queue drops its oldest report, as hidraw does
    first_ = (first_ + 1) % replies_.size();
    --queued_;
  }
  replies_[(first_ + queued_) % replies_.size()] = reply;
  ++queued_;
}

void SimulatedProgrammer::deliverLateReply() {
  if (!late_) return;
  queue(*late_);
  late_.reset();
}

std::optional<std::array<std::uint8_t, 65>> SimulatedProgrammer::takeReply() {
  if (queued_ == 0) return std::nullopt;
  const Reply reply = replies_[first_];
  first_ = (first_ + 1) % replies_.size();
  --queued_;
  return reply;
}

SimulatedProgrammer& SimulatedHidBackend::add(std::unique_ptr<SimulatedProgrammer> box) {
  boxes_.push_back(std::move(box));
  return *boxes_.back();
}

std::vector<HidDeviceInfo> SimulatedHidBackend::enumerate() {
  std::vector<HidDeviceInfo> present;
  for (const auto& box : boxes_) {
    if (box->pluggedIn) present.push_back(box->info);
  }
  return present;
}

std::unique_ptr<HidDevice> SimulatedHidBackend::open(const HidDeviceInfo& info) {
  for (const auto& box : boxes_) {
    if (box->pluggedIn && box->info.path == info.path) return box->open();
  }
  return nullptr;
}

}  // namespace capcode
