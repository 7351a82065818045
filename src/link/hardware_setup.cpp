#include "link/hardware_setup.hpp"

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

HardwareSetup::HardwareSetup(const HardwareOptions& options) : options_(options) {
  if (!options.simulated()) {
    clock_ = std::make_unique<SteadyLinkClock>();
    port_ = std::make_unique<PpdevPort>();
    hid_ = std::make_unique<HidapiBackend>();
    return;
  }
  SimulatedBoxFaults faults;
  unsigned nakAtByte = 0;
  for (const std::string& spec : options.faults) {
    const std::string error = parseSimulatedFault(spec, faults, nakAtByte);
    if (!error.empty()) throw std::runtime_error(error);
    // A fault that no simulated part would show makes a test that tests nothing.
    const bool boxFault = spec.rfind("nak:", 0) != 0 && spec != "nochip";
    if (boxFault && !options.simUsbImage)
      throw std::runtime_error("--sim-fault " + spec + " needs a simulated box (--sim-usb)");
    if (!boxFault && spec != "nochip" && !options.simLptImage)
      throw std::runtime_error("--sim-fault " + spec + " needs a simulated port (--sim-lpt)");
    if (spec == "nochip" && !options.simUsbImage && !options.simLptImage)
      throw std::runtime_error("--sim-fault nochip needs --sim-usb or --sim-lpt");
  }
  if (options.realTimeSimulation) {
    clock_ = std::make_unique<SteadyLinkClock>();
  } else {
    clock_ = std::make_unique<VirtualLinkClock>();
  }
  auto port = std::make_unique<SimulatedParallelPort>(*clock_);
  simPort_ = port.get();
  simPort_->chip.present = options.simLptImage.has_value() && !faults.noChip;
  simPort_->chip.nakAtByte = nakAtByte;
  if (options.simLptImage)
    loadImage(*options.simLptImage, simPort_->chip.memory, options.factoryFreshPager);
  port_ = std::move(port);

  auto hid = std::make_unique<SimulatedHidBackend>();
  simHid_ = hid.get();
  if (options.simUsbImage) {
    box_ = &simHid_->add(
        std::make_unique<SimulatedProgrammer>(options.simProduct.value_or("P-2 programmer")));
    box_->faults = faults;
    loadImage(*options.simUsbImage, box_->eeprom, options.factoryFreshPager);
  }
  hid_ = std::move(hid);
}

HardwareSetup::~HardwareSetup() = default;

std::string HardwareSetup::saveSimulatedImages() {
  if (box_ != nullptr && options_.simUsbImage) {
    if (auto error = saveImage(*options_.simUsbImage, box_->eeprom); !error.empty()) return error;
  }
  if (simPort_ != nullptr && options_.simLptImage) {
    return saveImage(*options_.simLptImage, simPort_->chip.memory);
  }
  return {};
}

}  // namespace capcode
