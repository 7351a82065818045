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
  // Simulated programmer boxes, one per image, numbered from `firstSimBox` in this order: box N
  // has the path "sim:usb:N" and the serial number "SIM-N". `simUsbImage`, when also given,
  // comes first.
  std::vector<std::string> simUsbImages;
  int firstSimBox = 1;
  // Each simulated box's time to answer one report, in milliseconds of real time: boxes given
  // one keep real time (their time limits too), as boxes do under realTimeSimulation; other
  // simulated boxes wait on the virtual clock, and a silent one costs no real time.
  int simReportMillis = 0;
  // The HID layer shows only the device with this path (one box of several on this PC).
  std::optional<std::string> onlyDevice;
  // False: no parallel port at all, real or simulated chip (nothing answers there), so that
  // boxes driven side by side never contend for the one port.
  bool parallelPort = true;
  std::optional<std::string> simLptImage;  // a simulated 24C16 behind the parallel port
  std::vector<std::string> faults;         // --sim-fault spellings
  std::optional<std::string> simProduct;   // the simulated box's product string
  // The simulated parallel port and boxes keep real time (for training) or virtual time (for
  // tests: a silent box's time limit then passes at once).
  bool realTimeSimulation = false;
  // Called with each simulated box once it holds its image, before anything talks to it (a
  // test's hook to watch or swap the pager in it). The box lives as long as the HardwareSetup.
  std::function<void(SimulatedProgrammer& box)> onSimulatedBox;
  // Called with each simulated box just before it goes with its HardwareSetup.
  std::function<void(SimulatedProgrammer& box)> onSimulatedBoxGone;
  // No programmer at all (a tool that only reads and writes files): an empty simulated port.
  bool offline = false;
  // What a simulated image that does not exist yet starts as: a factory-fresh pager. Called
  // only for such an image; without it a missing image is an error.
  std::function<Image()> factoryFreshPager;
  bool simulated() const {
    return offline || simUsbImage || !simUsbImages.empty() || simLptImage || !faults.empty() ||
           simProduct;
  }
  // The simulated boxes' images in box order.
  std::vector<std::string> usbImages() const;
};

// The hardware of box `number` (1-based) of those `all` shows, at `path`, for a run that drives
// it alongside the others: only its HID device (its own simulated box, image and faults when
// simulated), and no parallel port.
HardwareOptions boxHardware(const HardwareOptions& all, int number, const std::string& path);

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
  // The first simulated box, or none.
  SimulatedProgrammer* simulatedBox() {
    return simHid_ != nullptr && !simHid_->boxes().empty() ? simHid_->boxes().front().get()
                                                           : nullptr;
  }
  SimulatedParallelPort* simulatedPort() { return simPort_; }
  SimulatedHidBackend* simulatedHid() { return simHid_; }

  // Writes the simulated EEPROMs back to their image files; returns an error text or empty.
  std::string saveSimulatedImages();

 private:
  HardwareOptions options_;
  std::unique_ptr<LinkClock> clock_;
  std::unique_ptr<LinkClock> boxClock_;  // the simulated boxes' real time, when not clock_
  std::unique_ptr<PortIo> port_;
  std::unique_ptr<HidBackend> hid_;
  std::vector<std::string> usbImages_;  // the image of each simulated box, in box order
  SimulatedParallelPort* simPort_ = nullptr;
  SimulatedHidBackend* simHid_ = nullptr;
};

}  // namespace capcode
