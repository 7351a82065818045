#pragma once
// The ppdev calls, failing as told: for every node alike, or for some nodes by path.

#include <linux/ppdev.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <map>
#include <optional>
#include <string>

#include "link/ppdev_system.hpp"

namespace capcode::test {

class FakePpdev final : public PpdevSystem {
 public:
  int openError = 0;                        // errno of open, 0 to succeed
  int claimError = 0;                       // errno of PPCLAIM
  long failIoctlAfter = -1;                 // register calls that succeed before ENODEV, -1 never
  std::map<std::string, int> openErrorOf;   // errno of open for one node
  std::map<std::string, int> claimErrorOf;  // errno of PPCLAIM for one node
  // Each node's owner, group and mode; a node not named here is root's, group lp, mode 0660.
  std::map<std::string, std::optional<NodeOwnership>> ownershipOf;
  int opens = 0;
  int closes = 0;
  long registerCalls = 0;

  int open(const char* path, int) override {
    ++opens;
    const auto own = openErrorOf.find(path);
    const int error = own != openErrorOf.end() ? own->second : openError;
    if (error != 0) {
      errno = error;
      return -1;
    }
    fdPaths_[nextFd_] = path;
    return nextFd_++;
  }
  int ioctl(int, unsigned long request, void* argument) override {
    if (request == PPRELEASE || request == PPSETMODE) return 0;
    if (failIoctlAfter >= 0 && registerCalls++ >= failIoctlAfter) {
      errno = ENODEV;
      return -1;
    }
    if (request == PPRDATA || request == PPRSTATUS || request == PPRCONTROL)
      *static_cast<unsigned char*>(argument) = 0x5A;
    return 0;
  }
  int close(int) override {
    ++closes;
    return 0;
  }
  std::optional<NodeOwnership> ownership(const char* path) override {
    const auto own = ownershipOf.find(path);
    if (own != ownershipOf.end()) return own->second;
    return NodeOwnership{"root", "lp", 0660};
  }
  int claim(int fd, int) override {
    const auto own = claimErrorOf.find(fdPaths_[fd]);
    const int error = own != claimErrorOf.end() ? own->second : claimError;
    if (error == 0) return 0;
    errno = error;
    return -1;
  }

 private:
  std::map<int, std::string> fdPaths_;
  int nextFd_ = 7;
};

}  // namespace capcode::test
