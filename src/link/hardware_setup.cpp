#include "link/hardware_setup.hpp"

#include "link/simulated_faults.hpp"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "core/file_io.hpp"
#include "link/hidapi_backend.hpp"
#include "link/ppdev_port.hpp"

namespace capcode {

namespace {

// A path that names nothing yet in a folder that exists: the image file is made at the end.
bool namesNewFileInExistingFolder(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::status(path, error).type() != fs::file_type::not_found) return false;
  fs::path folder = fs::path(path).parent_path();
  if (folder.empty()) folder = ".";
  return fs::is_directory(folder, error);
}

template <typename Memory>
void loadImage(const std::string& path, Memory& memory, const std::function<Image()>& freshPager) {
  memory.fill(0xFF);
  if (freshPager && namesNewFileInExistingFolder(path)) {
    // A pager straight from the factory, as a programmer box would find it.
    const Image fresh = freshPager();
    std::copy(fresh.begin(), fresh.begin() + std::min(fresh.size(), memory.size()), memory.begin());
    return;
  }
  const auto bytes = readFilePrefix(path, memory.size());
  if (!bytes) throw std::runtime_error("cannot read the simulated image " + path);
  std::copy(bytes->begin(), bytes->end(), memory.begin());
}

template <typename Memory>
std::string saveImage(const std::string& path, const Memory& memory) {
  const std::string error = writeFileAtomically(path, {memory.begin(), memory.end()});
  return error.empty() ? error : "cannot write the simulated image " + path + ": " + error;
}

}  // namespace

std::vector<std::string> HardwareOptions::usbImages() const {
  std::vector<std::string> images;
  if (simUsbImage) images.push_back(*simUsbImage);
  images.insert(images.end(), simUsbImages.begin(), simUsbImages.end());
  return images;
}

HardwareOptions boxHardware(const HardwareOptions& all, int number, const std::string& path) {
  HardwareOptions box = all;
  box.parallelPort = false;
  box.simLptImage.reset();
  const std::vector<std::string> images = all.usbImages();
  const auto index = static_cast<std::size_t>(number - all.firstSimBox);
  if (!all.simulated() || index >= images.size()) {
    box.onlyDevice = path;
    return box;
  }
  box.simUsbImage.reset();
  box.simUsbImages = {images[index]};
  box.firstSimBox = number;
  box.faults.clear();
  for (const std::string& fault : all.faults) {
    const BoxFault split = splitBoxFault(fault);
    // The parallel port's faults stay behind with the port.
    const SimulatedFaultKind* kind = simulatedFaultKind(split.fault);
    if (kind != nullptr && kind->hits == FaultPart::Port) continue;
    if (split.box == 0 || split.box == number) box.faults.push_back(split.fault);
  }
  return box;
}

namespace {

// A HID layer that shows one device of those another one finds.
class OneDeviceBackend final : public HidBackend {
 public:
  OneDeviceBackend(std::unique_ptr<HidBackend> all, std::string path)
      : all_(std::move(all)), path_(std::move(path)) {}
  std::vector<HidDeviceInfo> enumerate() override {
    std::vector<HidDeviceInfo> present = all_->enumerate();
    std::erase_if(present, [this](const HidDeviceInfo& info) { return info.path != path_; });
    return present;
  }
  std::unique_ptr<HidDevice> open(const HidDeviceInfo& info) override {
    return info.path == path_ ? all_->open(info) : nullptr;
  }
  std::string takeProblem() override { return all_->takeProblem(); }

 private:
  std::unique_ptr<HidBackend> all_;
  std::string path_;
};

// The planned faults of each simulated part.
struct PlannedFaults {
  std::vector<SimulatedBoxFaults> boxes;  // by box index
  unsigned nakAtByte = 0;                 // the port's chip leaves this byte unacknowledged
  bool portNoChip = false;
};

// Checks each fault against the simulated parts there are and hands it to its part.
PlannedFaults plannedFaults(const HardwareOptions& options, std::size_t boxes) {
  PlannedFaults planned;
  planned.boxes.resize(boxes);
  unsigned& nakAtByte = planned.nakAtByte;
  for (const std::string& fault : options.faults) {
    SimulatedBoxFaults parsed;
    const std::string error = parseSimulatedFault(fault, parsed, nakAtByte);
    if (!error.empty()) throw std::runtime_error(error);
    const BoxFault split = splitBoxFault(fault);
    // A fault that no simulated part would show makes a test that tests nothing.
    const FaultPart hits = simulatedFaultKind(split.fault)->hits;
    const bool portFault = hits == FaultPart::Port;
    const bool noChip = hits == FaultPart::Either;
    if (!portFault && !noChip && boxes == 0)
      throw std::runtime_error("--sim-fault " + fault + " needs a simulated box (--sim-usb)");
    if (portFault && !options.simLptImage)
      throw std::runtime_error("--sim-fault " + fault + " needs a simulated port (--sim-lpt)");
    if (noChip && boxes == 0 && !options.simLptImage)
      throw std::runtime_error("--sim-fault nochip needs --sim-usb or --sim-lpt");
    const int index = split.box - options.firstSimBox;
    if (split.box > 0 && (index < 0 || static_cast<std::size_t>(index) >= boxes)) {
      throw std::runtime_error("--sim-fault " + fault + " names box " + std::to_string(split.box) +
                               ", which is not simulated here");
    }
    for (std::size_t k = 0; k < boxes; ++k) {
      if (split.box != 0 && static_cast<int>(k) != index) continue;
      parseSimulatedFault(split.fault, planned.boxes[k], nakAtByte);
    }
    if (noChip && split.box == 0) planned.portNoChip = true;
  }
  return planned;
}

}  // namespace

HardwareSetup::HardwareSetup(const HardwareOptions& options) : options_(options) {
  if (!options.simulated()) {
    clock_ = std::make_unique<SteadyLinkClock>();
    if (options.parallelPort) {
      port_ = std::make_unique<PpdevPort>();
    } else {
      port_ = std::make_unique<SimulatedParallelPort>(*clock_);
      static_cast<SimulatedParallelPort&>(*port_).chip.present = false;
    }
    hid_ = std::make_unique<HidapiBackend>();
    if (options.onlyDevice)
      hid_ = std::make_unique<OneDeviceBackend>(std::move(hid_), *options.onlyDevice);
    return;
  }
  usbImages_ = options.usbImages();
  const PlannedFaults faults = plannedFaults(options, usbImages_.size());
  if (options.realTimeSimulation) {
    clock_ = std::make_unique<SteadyLinkClock>();
  } else {
    clock_ = std::make_unique<VirtualLinkClock>();
  }
  auto port = std::make_unique<SimulatedParallelPort>(*clock_);
  simPort_ = port.get();
  simPort_->chip.present = options.simLptImage.has_value() && !faults.portNoChip;
  simPort_->chip.nakAtByte = faults.nakAtByte;
  if (options.simLptImage)
    loadImage(*options.simLptImage, simPort_->chip.memory, options.factoryFreshPager);
  port_ = std::move(port);

  auto hid = std::make_unique<SimulatedHidBackend>();
  simHid_ = hid.get();
  if (options.simReportMillis > 0 && !options.realTimeSimulation)
    boxClock_ = std::make_unique<SteadyLinkClock>();
  LinkClock& boxClock = boxClock_ ? *boxClock_ : *clock_;
  for (std::size_t k = 0; k < usbImages_.size(); ++k) {
    const std::string number = std::to_string(options.firstSimBox + static_cast<int>(k));
    SimulatedProgrammer& box = simHid_->add(std::make_unique<SimulatedProgrammer>(
        options.simProduct.value_or("P-2 programmer"), "sim:usb:" + number, "SIM-" + number));
    box.faults = faults.boxes[k];
    box.replyMillis = options.simReportMillis;
    box.clock = &boxClock;
    loadImage(usbImages_[k], box.eeprom, options.factoryFreshPager);
    if (options.onSimulatedBox) options.onSimulatedBox(box);
  }
  hid_ = std::move(hid);
  if (options.onlyDevice)
    hid_ = std::make_unique<OneDeviceBackend>(std::move(hid_), *options.onlyDevice);
}

HardwareSetup::~HardwareSetup() {
  if (!options_.onSimulatedBoxGone || simHid_ == nullptr) return;
  for (const auto& box : simHid_->boxes())
    options_.onSimulatedBoxGone(*box);
}

std::string HardwareSetup::saveSimulatedImages() {
  for (std::size_t k = 0; simHid_ != nullptr && k < usbImages_.size(); ++k) {
    const std::string error = saveImage(usbImages_[k], simHid_->boxes()[k]->eeprom);
    if (!error.empty()) return error;
  }
  if (simPort_ != nullptr && options_.simLptImage) {
    return saveImage(*options_.simLptImage, simPort_->chip.memory);
  }
  return {};
}

}  // namespace capcode
