#pragma once
// The USB programmer's attach and unplug policy.

#include <string>

#include "link/hid_device.hpp"

namespace capcode {

struct ProgrammerLinks;

// The programmer's USB ids: vendor 0x04D8, product 0x1000.
bool hasProgrammerIds(const HidDeviceInfo& info);

// The programmer: its ids and one of the product strings "P-1 programmer", "P-2 programmer",
// "P-2+programmer", exactly (case and all).
bool isProgrammer(const HidDeviceInfo& info);

// Why a device with the programmer's ids is not attached, for a person; empty when it is.
std::string whyNotAttached(const HidDeviceInfo& info);

// A device-change notification: rescan, then release an unplugged programmer (back to the
// parallel port) and attach a newly found one (greeting it with the attach report); the device
// list (link/box_list.hpp) shows the boxes then present.
void hidDeviceChange(ProgrammerLinks& links);

// The device list row of a device: its product string, or "Device VID=%04X PID=%04X".
std::string deviceListText(const HidDeviceInfo& info);

}  // namespace capcode
