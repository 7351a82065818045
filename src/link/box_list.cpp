#include "link/box_list.hpp"

#include "link/programmer_links.hpp"
#include "link/usb_discovery.hpp"

namespace capcode {

namespace {

const char* const kList = "DevListBox";

std::string boxName(const HidDeviceInfo& info) {
  return deviceListText(info) + ", serial " +
         (info.serialNumber.empty() ? std::string("none") : info.serialNumber);
}

// The entry of a box plugged in with that path; none when it is gone.
HidEntry* listedEntry(ProgrammerLinks& links, const std::string& path) {
  for (const auto& entry : links.hid.entries()) {
    if (entry->pluggedIn && entry->info.path == path) return entry.get();
  }
  return nullptr;
}

}  // namespace

void showProgrammerBoxes(ProgrammerLinks& links) {
  FormModel& form = links.state.form;
  std::vector<std::string> rows;
  int inUse = -1;
  links.listedBoxes.clear();
  for (const auto& entry : links.hid.entries()) {
    if (!entry->pluggedIn || !isProgrammer(entry->info)) continue;
    const bool used = entry.get() == links.programmerDevice;
    if (used) inUse = static_cast<int>(rows.size());
    rows.push_back(boxName(entry->info) + (used ? " (in use)" : ""));
    links.listedBoxes.push_back(entry->info.path);
  }
  form.setItems(kList, std::move(rows));
  form.setIndex(kList, inUse);
}

void chooseListedBox(ProgrammerLinks& links) {
  ProgramState& state = links.state;
  const int row = state.form.at(kList).index;
  if (row < 0 || row >= static_cast<int>(links.listedBoxes.size())) return showProgrammerBoxes(links);
  HidEntry* wanted = listedEntry(links, links.listedBoxes[static_cast<std::size_t>(row)]);
  if (wanted == nullptr || wanted == links.programmerDevice) return showProgrammerBoxes(links);
  HidEntry* const before = links.programmerDevice;
  const std::string path = wanted->info.path;
  if (before != nullptr) links.hid.release(before);
  links.programmerDevice = nullptr;
  HidEntry* taken =
      links.hid.checkOutByCallback([&](const HidDeviceInfo& info) { return info.path == path; });
  if (taken == nullptr) {
    std::string why = links.hid.backend().takeProblem();
    state.log("USB box " + boxName(wanted->info) + " cannot be opened" +
              (why.empty() ? std::string() : ": " + why) + "; the box in use stays");
    if (before != nullptr) {
      const std::string old = before->info.path;
      taken =
          links.hid.checkOutByCallback([&](const HidDeviceInfo& info) { return info.path == old; });
    }
  } else {
    state.log("USB box in use: " + boxName(taken->info));
  }
  links.programmerDevice = taken;
  if (taken != nullptr) links.engine.sendAttach(*taken->device);  // the reply is not looked at
  showProgrammerBoxes(links);
}

std::string boxInUseName(const ProgrammerLinks& links) {
  return links.programmerDevice == nullptr ? std::string() : boxName(links.programmerDevice->info);
}

void logBoxInUse(ProgrammerLinks& links) {
  if (!links.state.UsbMode || links.listedBoxes.size() < 2 || links.programmerDevice == nullptr)
    return;
  links.state.log("USB box: " + boxInUseName(links));
}

}  // namespace capcode
