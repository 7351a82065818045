#include "cli/device_report.hpp"

#include <algorithm>

#include "cli/commands.hpp"
#include "configuration/latin1_text.hpp"
#include "core/json.hpp"

namespace capcode {

namespace {

std::string portLine(const ParallelPortState& port) {
  return port.path + (port.usable ? "  can be opened" : "  cannot be opened: " + port.reason);
}

// "/dev/hidraw3  serial 0001A7  P-2 programmer", and why a device is not used. What the device
// reports is shown as readableText, so that no control byte reaches the terminal.
std::string boxLine(const ProgrammerBox& box) {
  std::string line = box.path + "  serial " +
                     (box.serialNumber.empty() ? "(none)" : readableText(box.serialNumber)) + "  " +
                     readableText(box.product);
  return box.notUsed.empty() ? line : line + "  not used: " + box.notUsed;
}

std::string jsonBox(const ProgrammerBox& box) {
  return "{\"path\":" + jsonString(box.path) + ",\"serial\":" + jsonString(box.serialNumber) +
         ",\"product\":" + jsonString(box.product) +
         ",\"used\":" + (box.notUsed.empty() ? "true" : "false") +
         ",\"not_used_because\":" + jsonString(box.notUsed) + "}";
}

std::string jsonPort(const ParallelPortState& port) {
  return "{\"path\":" + jsonString(port.path) + ",\"usable\":" + (port.usable ? "true" : "false") +
         ",\"reason\":" + jsonString(port.reason) + "}";
}

template <typename Item, typename Render>
std::string jsonArray(const std::vector<Item>& items, Render render) {
  std::string text = "[";
  for (std::size_t k = 0; k < items.size(); ++k)
    text += (k > 0 ? "," : "") + render(items[k]);
  return text + "]";
}

void listBoxes(const std::vector<ProgrammerBox>& present, const std::string& command,
               std::ostream& err) {
  if (present.empty()) err << command << ": no programmer box is present\n";
  for (const ProgrammerBox& box : present)
    err << "  " << boxLine(box) << "\n";
}

// Every device with the programmer's ids that `hardware` shows, used or not.
std::vector<ProgrammerBox> devicesShown(const HardwareOptions& hardware) {
  HardwareOptions listing = hardware;
  // Only the boxes' names are looked at: a missing image is as good as a blank one here.
  listing.factoryFreshPager = [] {
    Image blank;
    blank.fill(0xFF);
    return blank;
  };
  HardwareSetup setup(listing);
  return devicesWithProgrammerIds(setup.hid());
}

}  // namespace

std::vector<ProgrammerBox> presentBoxes(const HardwareOptions& hardware) {
  std::vector<ProgrammerBox> boxes = devicesShown(hardware);
  std::erase_if(boxes, [](const ProgrammerBox& box) { return !box.notUsed.empty(); });
  return boxes;
}

PresentDevices presentDevices(const HardwareOptions& hardware, PpdevSystem& ppdev,
                              const std::string& deviceFolder) {
  PresentDevices present;
  present.boxes = devicesShown(hardware);
  if (!hardware.simulated()) {
    present.ports = parallelPorts(ppdev, parallelPortNodes(deviceFolder));
  } else if (hardware.simLptImage) {
    present.ports.push_back({"sim:lpt", true, {}});
  }
  return present;
}

std::string deviceReport(const PresentDevices& present, bool json) {
  if (json) {
    return "{\"usb\":" + jsonArray(present.boxes, jsonBox) +
           ",\"parallel\":" + jsonArray(present.ports, jsonPort) + "}\n";
  }
  std::string text =
      "USB programmer boxes:" + std::string(present.boxes.empty() ? " none" : "") + "\n";
  for (const ProgrammerBox& box : present.boxes)
    text += "  " + boxLine(box) + "\n";
  text += "Parallel ports:" + std::string(present.ports.empty() ? " none" : "") + "\n";
  for (const ParallelPortState& port : present.ports)
    text += "  " + portLine(port) + "\n";
  return text;
}

int chooseBoxes(const HardwareOptions& hardware, const std::vector<std::string>& wanted,
                const std::vector<ProgrammerBox>& present, std::vector<GangBox>& chosen,
                const std::string& command, std::ostream& err) {
  chosen.clear();
  if (wanted.empty()) {
    if (present.size() <= 1) return kExitOk;
    err << command << ": " << present.size()
        << " programmer boxes are present; name the ones to use with --device PATH|SERIAL:\n";
    listBoxes(present, command, err);
    return kExitUsage;
  }
  std::vector<std::size_t> taken;
  for (const std::string& name : wanted) {
    const auto found = findBox(present, name);
    if (!found) {
      err << command << ": --device " << name
          << ": no programmer box has that path or serial number"
          << (present.empty() ? "" : "; present:") << "\n";
      listBoxes(present, command, err);
      return kExitUsage;
    }
    if (std::find(taken.begin(), taken.end(), *found) != taken.end()) {
      err << command << ": --device " << name << ": box " << present[*found].path
          << " is named twice\n";
      return kExitUsage;
    }
    taken.push_back(*found);
    const ProgrammerBox& box = present[*found];
    // A simulated box's number is its place among the simulated boxes.
    const int number = hardware.firstSimBox + static_cast<int>(*found);
    chosen.push_back({box.path + (box.serialNumber.empty() ? "" : ", " + box.serialNumber),
                      boxHardware(hardware, number, box.path)});
  }
  return kExitOk;
}

int choosePresentBoxes(const HardwareOptions& hardware, const std::vector<std::string>& wanted,
                       std::vector<GangBox>& chosen, const std::string& command,
                       std::ostream& err) {
  std::vector<ProgrammerBox> present;
  try {
    present = presentBoxes(hardware);
  } catch (const std::runtime_error&) {
    chosen.clear();
    return kExitOk;
  }
  return chooseBoxes(hardware, wanted, present, chosen, command, err);
}

}  // namespace capcode
