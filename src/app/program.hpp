#pragma once
// One running programmer, brought up the same way by the window, the automation and the
// command-line tools: the hardware (real, or simulated from image files), the programmer links
// on it, and the window model with its rules; then the start-up order and the HID
// controller's first scan.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/startup.hpp"
#include "app/window_program.hpp"
#include "link/hardware_setup.hpp"
#include "link/programmer_links.hpp"

namespace capcode {

struct ProgramOptions {
  StartupOptions startup;
  HardwareOptions hardware;
};

// The start-up options of a run: the system's decimal mark (or `mark`), and the language
// libraries in `dataDirectory` or else the program's own data directories.
StartupOptions startupOptionsFor(const std::optional<std::string>& dataDirectory,
                                 std::optional<char> mark = std::nullopt);

class Program {
 public:
  // `feedback` must outlive the program. Throws std::runtime_error when the hardware options
  // cannot be met (a fault no simulation shows, an unreadable simulated image).
  Program(Feedback& feedback, const ProgramOptions& options);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The window's start-up order. False when it failed (the window would not open).
  bool startUp();
  // The HID controller's first scan, as its first device-change notification brings it.
  void scanDevices();
  // Both, for a tool that does not wait for an event loop.
  bool start() { return startUp() && (scanDevices(), true); }
  // File > Exit, then the simulated EEPROMs saved back. Returns an error text or empty.
  std::string finish();

  // How many programs this process has brought up (constructed) so far: a tool's tests hold a
  // command to the programs it may start.
  static std::size_t broughtUp();

  WindowProgram& state() { return state_; }
  ProgrammerLinks& links() { return *links_; }
  HardwareSetup& hardware() { return *hardware_; }
  const StartupOptions& startup() const { return startup_; }

 private:
  WindowProgram state_;
  std::unique_ptr<HardwareSetup> hardware_;
  std::unique_ptr<ProgrammerLinks> links_;
  StartupOptions startup_;
};

}  // namespace capcode
