#pragma once
// The system calls the parallel-port back end makes, behind one seam, so that tests can make
// them fail on purpose (no device, no permission, a port held by another program, an adapter
// pulled out mid-transfer) without hardware.

#include <optional>
#include <string>

namespace capcode {

// Who may open a device node: its owner's and group's names (their numbers when the system
// has no name for them) and its permission bits (0660).
struct NodeOwnership {
  std::string owner;
  std::string group;
  unsigned mode = 0;
};

class PpdevSystem {
 public:
  virtual ~PpdevSystem() = default;
  // As open(2): a descriptor, or -1 with errno.
  virtual int open(const char* path, int flags) = 0;
  // As ioctl(2) with a pointer argument: 0, or -1 with errno.
  virtual int ioctl(int fd, unsigned long request, void* argument) = 0;
  virtual int close(int fd) = 0;
  // PPCLAIM, waiting at most `timeoutMillis` for another program to let go of the port:
  // 0, or -1 with errno (EBUSY when the port stayed held).
  virtual int claim(int fd, int timeoutMillis) = 0;
  // As stat(2) on the node, with the names looked up; nothing when it cannot be looked at.
  virtual std::optional<NodeOwnership> ownership(const char* path) = 0;
};

// The real calls. Lives for the whole program.
PpdevSystem& systemPpdev();

}  // namespace capcode
