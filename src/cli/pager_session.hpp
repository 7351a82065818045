#pragma once
// One run of the programmer for a pager command of the command-line tool: the hardware (real
// or simulated), the programmer links and the window model brought up as the window starts.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/feedback.hpp"
#include "core/program_state.hpp"
#include "core/startup.hpp"
#include "link/hardware_setup.hpp"
#include "link/programmer_links.hpp"

namespace capcode {

struct SessionOptions {
  std::optional<std::string> dataDirectory;  // the language libraries, if not the defaults
  HardwareOptions hardware;
};

// The start-up options of a run: the system's decimal mark and the data directories.
StartupOptions startupOptionsFor(const std::optional<std::string>& dataDirectory);

class PagerSession {
 public:
  // Throws std::runtime_error when the hardware options cannot be met.
  PagerSession(Feedback& feedback, const SessionOptions& options);
  ~PagerSession();

  // The window's start-up and the HID controller's first scan. False when the start-up failed.
  bool start();
  // A menu command or a click as one window event; returns the status-log lines it added.
  std::vector<std::string> click(std::string_view item);
  // File > Exit, then the simulated EEPROMs saved back. Returns an error text or empty.
  std::string finish();

  ProgramState& state() { return state_; }
  ProgrammerLinks& links() { return *links_; }
  const StartupOptions& startup() const { return startup_; }

 private:
  ProgramState state_;
  std::unique_ptr<HardwareSetup> hardware_;
  std::unique_ptr<ProgrammerLinks> links_;
  StartupOptions startup_;
};

}  // namespace capcode
