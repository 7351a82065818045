#pragma once
// The programmer hardware a run uses: the real parallel port and HID layer, or simulated ones
// (a 24C16 behind a virtual parallel port, a programmer box on a simulated HID layer) whose
// EEPROMs are loaded from and saved back to image files.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/image.hpp"
#include "link/hid_device.hpp"
#include "link/link_clock.hpp"
#include "link/port_io.hpp"
#include "link/simulated_eeprom.hpp"
#include "link/simulated_programmer.hpp"

namespace capcode {

struct HardwareOptions {
  std::optional<std::string> simUsbImage;  // a simulated programmer box holding this image
  std::optional<std::string> simLptImage;  // a simulated 24C16 behind the parallel port
  std::vector<std::string> faults;         // --sim-fault spellings
  std::optional<std::string> simProduct;   // the simulated box's product string
  // The simulated parallel port keeps real time (for training) or virtual time (for tests).
  bool realTimeSimulation = false;
  // No programmer at all (a tool that only reads and writes files): an empty simulated port.
  bool offline = false;
  // What a simulated image that does not exist yet starts as: a factory-fresh pager. Called
  // only for such an image; without it a missing image is an error.
  std::function<Image()> factoryFreshPager;
  bool simulated() const {
    return offline || simUsbImage || simLptImage || !faults.empty() || simProduct;
  }
};

class HardwareSetup {
 public:
  // Builds the back ends; throws std::runtime_error with a message on a bad option or image.
  // A simulated image path that names nothing yet, in a folder that exists, starts as
  // options.factoryFreshPager(); a missing folder or a folder as the image is an error.
  explicit HardwareSetup(const HardwareOptions& options);
  ~HardwareSetup();

  PortIo& port() { return *port_; }
  LinkClock& clock() { return *clock_; }
  HidBackend& hid() { return *hid_; }
  SimulatedProgrammer* simulatedBox() { return box_; }
  SimulatedParallelPort* simulatedPort() { return simPort_; }
  SimulatedHidBackend* simulatedHid() { return simHid_; }

  // Writes the simulated EEPROMs back to their image files; returns an error text or empty.
  std::string saveSimulatedImages();

 private:
  HardwareOptions options_;
  std::unique_ptr<LinkClock> clock_;
  std::unique_ptr<PortIo> port_;
  std::unique_ptr<HidBackend> hid_;
  SimulatedProgrammer* box_ = nullptr;
  SimulatedParallelPort* simPort_ = nullptr;
  SimulatedHidBackend* simHid_ = nullptr;
};

}  // namespace capcode
