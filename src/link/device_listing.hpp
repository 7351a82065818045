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
  std::string product;       // "P-2 programmer", as the device reports it (Latin-1 bytes)
  // Why the program does not attach this device although it has the programmer's ids (an
  // unknown product string); empty for a box it uses.
  std::string notUsed;
};

// The programmer boxes among the HID devices, in discovery order.
std::vector<ProgrammerBox> programmerBoxes(HidBackend& hid);

// Every HID device with the programmer's vendor and product ids, in discovery order: the boxes
// the program uses and, with `notUsed` saying why, those it does not attach.
std::vector<ProgrammerBox> devicesWithProgrammerIds(HidBackend& hid);

struct ParallelPortState {
  std::string path;  // "/dev/parport0"
  bool usable = false;
  // Why it cannot be opened; empty when usable. Without permission: "add yourself to the lp
  // group" when the node's group is lp, else the node's owner, group and mode.
  std::string reason;
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

}  // namespace capcode
