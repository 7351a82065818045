#include "link/device_listing.hpp"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "link/ppdev_port.hpp"
#include "link/usb_discovery.hpp"

namespace capcode {

namespace {

// "parport12" -> 12; not a parallel-port node: nothing.
std::optional<unsigned long> portNumber(const std::string& name) {
  constexpr std::string_view prefix = "parport";
  if (name.size() <= prefix.size() || name.size() > prefix.size() + 4 ||
      name.compare(0, prefix.size(), prefix) != 0) {
    return std::nullopt;
  }
  const std::string digits = name.substr(prefix.size());
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  return std::stoul(digits);
}

// Why `node` cannot be opened. Only a node of group lp is one that joining lp opens; for any
// other the person (or the administrator) needs to see who may open it.
std::string openProblem(PpdevSystem& system, const std::string& node, int error) {
  const std::string text = std::strerror(error);
  if (error != EACCES && error != EPERM) return text;
  const std::optional<NodeOwnership> owner = system.ownership(node.c_str());
  if (!owner) return text;
  if (owner->group == "lp") return text + ": add yourself to the lp group";
  char mode[8];
  std::snprintf(mode, sizeof mode, "%04o", owner->mode);
  return text + ": the node belongs to " + owner->owner + ", group " + owner->group + ", mode " +
         mode;
}

}  // namespace

std::vector<ProgrammerBox> programmerBoxes(HidBackend& hid) {
  std::vector<ProgrammerBox> boxes = devicesWithProgrammerIds(hid);
  std::erase_if(boxes, [](const ProgrammerBox& box) { return !box.notUsed.empty(); });
  return boxes;
}

std::vector<ProgrammerBox> devicesWithProgrammerIds(HidBackend& hid) {
  std::vector<ProgrammerBox> boxes;
  for (const HidDeviceInfo& info : hid.enumerate()) {
    if (!hasProgrammerIds(info)) continue;
    boxes.push_back({info.path, info.serialNumber, info.productString, whyNotAttached(info)});
  }
  return boxes;
}

std::vector<std::string> parallelPortNodes(const std::string& folder) {
  std::vector<std::pair<unsigned long, std::string>> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (const auto number = portNumber(entry.path().filename().string()))
      found.emplace_back(*number, entry.path().string());
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> nodes;
  for (auto& [number, path] : found)
    nodes.push_back(std::move(path));
  return nodes;
}

std::vector<ParallelPortState> parallelPorts(PpdevSystem& system,
                                             const std::vector<std::string>& nodes) {
  std::vector<ParallelPortState> ports;
  for (const std::string& node : nodes) {
    ParallelPortState state{node, false, {}};
    const int fd = system.open(node.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
      state.reason = openProblem(system, node, errno);
    } else if (system.claim(fd, kPortClaimMillis) != 0) {
      const int error = errno;
      state.reason = error == EBUSY ? "in use by another program" : std::strerror(error);
      system.close(fd);
    } else {
      state.usable = true;
      system.ioctl(fd, PPRELEASE, nullptr);
      system.close(fd);
    }
    ports.push_back(std::move(state));
  }
  return ports;
}

std::optional<std::size_t> findBox(const std::vector<ProgrammerBox>& boxes,
                                   const std::string& wanted) {
  for (std::size_t k = 0; k < boxes.size(); ++k) {
    if (boxes[k].path == wanted) return k;
  }
  std::optional<std::size_t> bySerial;
  for (std::size_t k = 0; k < boxes.size(); ++k) {
    if (wanted.empty() || boxes[k].serialNumber != wanted) continue;
    if (bySerial) return std::nullopt;
    bySerial = k;
  }
  return bySerial;
}

}  // namespace capcode
