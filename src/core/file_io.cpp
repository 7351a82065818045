#include "core/file_io.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace capcode {

std::optional<std::vector<std::uint8_t>> readFilePrefix(const std::string& path,
                                                        std::size_t limit) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::vector<std::uint8_t> bytes(limit);
  std::size_t got = 0;
  bool failed = false;
  while (got < limit) {
    const ssize_t n = ::read(fd, bytes.data() + got, limit - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      failed = true;
      break;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (failed) return std::nullopt;
  bytes.resize(got);
  return bytes;
}

namespace {

std::string describe(const char* what, int error) {
  return std::string(what) + ": " + std::strerror(error);
}

// The path a write should replace: a link's final target, so the link itself survives.
std::string resolveTarget(const std::string& path) {
  char resolved[PATH_MAX];
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) &&
      ::realpath(path.c_str(), resolved) != nullptr) {
    return resolved;
  }
  return path;
}

bool writeAll(int fd, const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::string writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const std::string target = resolveTarget(path);
  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode)) return "not a regular file";

  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  std::string temp = (slash == std::string::npos ? "" : folder) + "." +
                     target.substr(slash == std::string::npos ? 0 : slash + 1) + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return describe("cannot create a file there", errno);

  // The new file gets the old one's permissions, or what a plain create would give it.
  mode_t mode = existing.st_mode & 07777;
  if (!exists) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  std::string error;
  if (::fchmod(fd, mode) != 0) error = describe("cannot set permissions", errno);
  if (error.empty() && !writeAll(fd, bytes)) error = describe("write failed", errno);
  if (error.empty() && ::fsync(fd) != 0) error = describe("flush failed", errno);
  if (::close(fd) != 0 && error.empty()) error = describe("close failed", errno);
  if (error.empty() && ::rename(temp.c_str(), target.c_str()) != 0) {
    error = describe("cannot replace the file", errno);
  }
  if (!error.empty()) ::unlink(temp.c_str());
  return error;
}

}  // namespace capcode
