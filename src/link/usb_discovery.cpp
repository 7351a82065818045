#include "link/usb_discovery.hpp"

#include <cstdio>

#include "link/box_list.hpp"
#include "link/programmer_links.hpp"

namespace capcode {

namespace {

constexpr const char* kProgrammerProducts[] = {"P-1 programmer", "P-2 programmer",
                                               "P-2+programmer"};

}  // namespace

bool hasProgrammerIds(const HidDeviceInfo& info) {
  return info.vendorId == 0x04D8 && info.productId == 0x1000;
}

bool isProgrammer(const HidDeviceInfo& info) {
  if (!hasProgrammerIds(info)) return false;
  for (const char* product : kProgrammerProducts) {
    if (info.productString == product) return true;
  }
  return false;
}

std::string whyNotAttached(const HidDeviceInfo& info) {
  if (isProgrammer(info)) return {};
  if (!hasProgrammerIds(info)) return "not the programmer's vendor and product ids";
  std::string names;
  for (const char* product : kProgrammerProducts)
    names += std::string(names.empty() ? "" : ", ") + "\"" + product + "\"";
  return "the product string is none of those the program attaches (" + names + ")";
}

std::string deviceListText(const HidDeviceInfo& info) {
  if (!info.productString.empty()) return info.productString;
  char text[32];
  std::snprintf(text, sizeof text, "Device VID=%04X PID=%04X", info.vendorId, info.productId);
  return text;
}

namespace {

// Releases an unplugged programmer and attaches the first one found when none is in use.
void attachOrRelease(ProgrammerLinks& links) {
  ProgramState& state = links.state;
  FormModel& form = state.form;
  links.hid.rescan();

  if (links.programmerDevice != nullptr && !links.programmerDevice->pluggedIn) {
    links.hid.release(links.programmerDevice);
    links.programmerDevice = nullptr;
    state.LptPortBase = 0x378;
    state.UsbMode = false;
    form.setVisible("rw_speed", true);
    state.log("USB port unplug.");
    form.setEnabled("WriteToPager", false);
    form.setEnabled("ReadFromPager", false);
  }

  if (links.programmerDevice == nullptr) {
    HidEntry* found = links.hid.checkOutByCallback(isProgrammer);
    if (found == nullptr) {
      // A programmer that is there but cannot be opened (permissions) is worth one line.
      if (const std::string problem = links.hid.backend().takeProblem(); !problem.empty()) {
        state.log(problem);
      }
      return;
    }
    links.programmerDevice = found;
    state.log("USB port is ready.");
    links.port.release();
    state.UsbMode = true;
    form.setEnabled("ParallelPort1", false);
    form.setVisible("rw_speed", false);
    form.setEnabled("WriteToPager", true);
    form.setEnabled("ReadFromPager", true);
    form.setEnabled("switch_model", false);
    links.engine.sendAttach(*found->device);  // the reply is not looked at
  }
}

}  // namespace

void hidDeviceChange(ProgrammerLinks& links) {
  attachOrRelease(links);
  showProgrammerBoxes(links);
}

}  // namespace capcode
