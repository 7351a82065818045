#pragma once
// What `capcode devices` finds and how it prints it, and the boxes a write is told to use.

#include <ostream>
#include <string>
#include <vector>

#include "link/device_listing.hpp"
#include "link/hardware_setup.hpp"
#include "production/gang_batch.hpp"

namespace capcode {

struct PresentDevices {
  std::vector<ProgrammerBox> boxes;
  std::vector<ParallelPortState> ports;
};

// The boxes and ports `hardware` shows: the simulated ones when it is simulated ("sim:lpt"
// for a simulated port), else those of the system, each port tried through `ppdev` from the
// nodes in `deviceFolder`. Throws std::runtime_error as HardwareSetup does.
PresentDevices presentDevices(const HardwareOptions& hardware, PpdevSystem& ppdev,
                              const std::string& deviceFolder = "/dev");

// The programmer boxes `hardware` shows (simulated images are only named, not read).
std::vector<ProgrammerBox> presentBoxes(const HardwareOptions& hardware);

// The listing as text lines, or as one JSON object:
// {"usb":[{"path":..,"serial":..,"product":..}],"parallel":[{"path":..,"usable":..,"reason":..}]}
std::string deviceReport(const PresentDevices& present, bool json);

// The boxes `wanted` names (--device, each a path or a serial number), in that order, each
// with its own hardware; none when nothing is named and at most one box is present (the write
// then looks for its programmer as the window does). Refusals go to `err`, prefixed with
// `command` ("capcode write") and ": ": more than one box present and none named, a name that
// matches no box or a box named twice. Returns the exit status: 0, or 2.
int chooseBoxes(const HardwareOptions& hardware, const std::vector<std::string>& wanted,
                const std::vector<ProgrammerBox>& present, std::vector<GangBox>& chosen,
                const std::string& command, std::ostream& err);

// chooseBoxes among the boxes `hardware` shows now. Hardware that cannot even be listed chooses
// none: the command meets the same hardware and says what is wrong with it.
int choosePresentBoxes(const HardwareOptions& hardware, const std::vector<std::string>& wanted,
                       std::vector<GangBox>& chosen, const std::string& command, std::ostream& err);

}  // namespace capcode
