#include "core/file_io.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace capcode {

namespace {

constexpr int kMaxLinks = 40;
// An in-place write keeps the old bytes in memory to undo a failure; configuration files are
// 2048 bytes, so anything far larger is not ours to overwrite that way.
constexpr std::size_t kMaxInPlaceOld = 16u << 20;

std::string describe(const char* what, int error) {
  return std::string(what) + ": " + std::strerror(error);
}

// The buffer grows as the file is read: a 2 KB file read under a 16 MB limit costs 2 KB, not
// 16 MB of memory cleared for nothing.
bool readAll(int fd, std::vector<std::uint8_t>& bytes, std::size_t limit) {
  constexpr std::size_t kFirstRead = 4096;
  bytes.clear();
  std::size_t got = 0;
  while (got < limit) {
    if (got == bytes.size()) bytes.resize(std::min(limit, std::max(kFirstRead, 2 * got)));
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return true;
}

bool writeAllAt(int fd, const std::uint8_t* data, std::size_t size, off_t offset) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(fd, data + done, size - done, offset + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Opens a regular file without ever waiting on a FIFO or a device; -1 with errno otherwise.
int openRegular(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return -1;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    errno = EINVAL;
    return -1;
  }
  const int status = ::fcntl(fd, F_GETFL);
  if (status >= 0) ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
  return fd;
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a save must write: the final target of a chain of symbolic links, which may not
// exist yet (a dangling link). Empty with `error` set for a loop.
std::string finalTarget(const std::string& path, std::string& error) {
  std::string current = path;
  for (int hop = 0; hop <= kMaxLinks; ++hop) {
    struct stat info {};
    if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
    std::string link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 4096) + 1, '\0');
    const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
    if (n < 0) {
      error = describe("cannot follow the link", errno);
      return {};
    }
    link.resize(static_cast<std::size_t>(n));
    current = link.front() == '/' ? link : folderOf(current) + "/" + link;
  }
  error = describe("cannot follow the link", ELOOP);
  return {};
}

// While a save runs, a file-size limit makes write() fail with EFBIG rather than killing the
// program with SIGXFSZ.
class FileSizeSignalIgnored {
 public:
  FileSizeSignalIgnored() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGXFSZ, &ignore, &previous_);
  }
  ~FileSizeSignalIgnored() { ::sigaction(SIGXFSZ, &previous_, nullptr); }
  FileSizeSignalIgnored(const FileSizeSignalIgnored&) = delete;
  FileSizeSignalIgnored& operator=(const FileSizeSignalIgnored&) = delete;

 private:
  struct sigaction previous_ {};
};

void flushFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);  // the rename is durable once the folder is; a failure here cannot be undone
  ::close(fd);
}

enum class Replace { Done, Failed, UseInPlace };

// The temporary file and rename. UseInPlace when the old owner cannot be kept.
Replace replaceByRename(const std::string& target, const std::vector<std::uint8_t>& bytes,
                        const struct stat* existing, std::string& error) {
  const std::string folder = folderOf(target);
  std::string temp = folder + "/.capcode-XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    error = describe("cannot create a file there", errno);
    return Replace::Failed;
  }
  mode_t mode;
  if (existing != nullptr) {
    mode = existing->st_mode & 07777;
    if ((existing->st_uid != ::geteuid() || existing->st_gid != ::getegid()) &&
        ::fchown(fd, existing->st_uid, existing->st_gid) != 0) {
      ::close(fd);
      ::unlink(temp.c_str());
      return Replace::UseInPlace;
    }
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (::fchmod(fd, mode) != 0) error = describe("cannot set permissions", errno);
  if (error.empty() && !writeAllAt(fd, bytes.data(), bytes.size(), 0))
    error = describe("write failed", errno);
  if (error.empty() && ::fsync(fd) != 0) error = describe("flush failed", errno);
  if (::close(fd) != 0 && error.empty()) error = describe("close failed", errno);
  if (error.empty() && ::rename(temp.c_str(), target.c_str()) != 0)
    error = describe("cannot replace the file", errno);
  if (!error.empty()) {
    ::unlink(temp.c_str());
    return Replace::Failed;
  }
  flushFolder(folder);
  return Replace::Done;
}

// Overwrites the file itself; a failure part-way puts the old bytes back.
std::string writeInPlace(const std::string& target, const std::vector<std::uint8_t>& bytes) {
  const int fd = openRegular(target, O_RDWR);
  if (fd < 0) return describe("cannot open the file for writing", errno);
  std::vector<std::uint8_t> old;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || static_cast<std::size_t>(info.st_size) > kMaxInPlaceOld ||
      !readAll(fd, old, static_cast<std::size_t>(info.st_size))) {
    ::close(fd);
    return "cannot keep a copy of the old file to write it in place";
  }
  // Reserve the blocks first, so that a full disk fails before the file is touched.
  if (bytes.size() > old.size()) {
    const int rc = ::posix_fallocate(fd, 0, static_cast<off_t>(bytes.size()));
    if (rc != 0 && rc != EOPNOTSUPP && rc != EINVAL) {
      ::close(fd);
      return describe("not enough space", rc);
    }
  }
  std::string error;
  if (!writeAllAt(fd, bytes.data(), bytes.size(), 0)) {
    error = describe("write failed", errno);
  } else if (::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) {
    error = describe("cannot set the file's size", errno);
  } else if (::fsync(fd) != 0) {
    error = describe("flush failed", errno);
  }
  if (!error.empty()) {
    const bool restored = writeAllAt(fd, old.data(), old.size(), 0) &&
                          ::ftruncate(fd, static_cast<off_t>(old.size())) == 0 && ::fsync(fd) == 0;
    error += restored ? " (the old file was put back)" : " (the old file could not be put back)";
  }
  if (::close(fd) != 0 && error.empty()) error = describe("close failed", errno);
  return error;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> readFilePrefix(const std::string& path,
                                                        std::size_t limit) {
  const int fd = openRegular(path, O_RDONLY);
  if (fd < 0) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  const bool ok = readAll(fd, bytes, limit);
  ::close(fd);
  if (!ok) return std::nullopt;
  return bytes;
}

std::string writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::string error;
  const std::string target = finalTarget(path, error);
  if (target.empty()) return error;
  const FileSizeSignalIgnored noSignal;

  struct stat existing {};
  if (::stat(target.c_str(), &existing) != 0) {
    if (errno != ENOENT) return describe("cannot look at the file", errno);
    replaceByRename(target, bytes, nullptr, error);
    return error;
  }
  if (!S_ISREG(existing.st_mode)) return "not a regular file";
  // What opening the file for writing would answer: a protected file stays as it is.
  if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
    return describe("the file may not be written", errno);

  const std::string folder = folderOf(target);
  const bool folderWritable = ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
  if (existing.st_nlink > 1 || !folderWritable) return writeInPlace(target, bytes);
  switch (replaceByRename(target, bytes, &existing, error)) {
    case Replace::Done:
      return {};
    case Replace::UseInPlace:
      return writeInPlace(target, bytes);
    case Replace::Failed:
      break;
  }
  return error;
}

void survivesFileSizeLimit() {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGXFSZ, &ignore, nullptr);
}

}  // namespace capcode
