#pragma once
// The programmer hardware present on this PC: the USB programmer boxes the HID layer finds
// and the parallel ports whose device nodes exist, each with whether this user can open it.

#include <optional>
#include <string>
#include <vector>

#include "link/hid_device.hpp"
#include "link/ppdev_system.hpp"

namespace capcode {

struct ProgrammerBox {
  std::string path;          // opens the box; unique while it is plugged in
  std::string serialNumber;  // empty when the box reports none
  std::string product;       // "P-2 programmer"
};

// The programmer boxes among the HID devices, in discovery order.
std::vector<ProgrammerBox> programmerBoxes(HidBackend& hid);

struct ParallelPortState {
  std::string path;  // "/dev/parport0"
  bool usable = false;
  std::string reason;  // why it cannot be opened; empty when usable
};

// The parallel-port device nodes in `folder` ("/dev"): parport followed by digits, in number
// order.
std::vector<std::string> parallelPortNodes(const std::string& folder = "/dev");

// Opens and claims each port briefly (at most kPortClaimMillis each) and lets it go again.
std::vector<ParallelPortState> parallelPorts(PpdevSystem& system,
                                             const std::vector<std::string>& nodes);

// The box `wanted` names: its path or its serial number, exactly. Nothing when none matches
// or when the serial number is shared by several boxes (the path then tells them apart).
std::optional<std::size_t> findBox(const std::vector<ProgrammerBox>& boxes,
                                   const std::string& wanted);

// "sim:usb:2  serial SIM-2  P-2 programmer": one line for a list of boxes.
std::string boxLine(const ProgrammerBox& box);

}  // namespace capcode
