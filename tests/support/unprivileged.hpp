#pragma once
// Runs a piece of a test in a child process as an ordinary user, so that file permissions
// count even when the suite runs as root (root writes to read-only files and folders). The
// child's status is the test's verdict: 0 passed, anything else failed (its reason on stderr).

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

namespace capcode::test {

// The exit status of `work` run in a child process, or 128 plus the signal that ended it: for
// limits (a file size, a signal) that must not reach the test itself. With `unprivileged`, the
// child runs as nobody when this process is root; the files it needs must be reachable by that
// user.
inline int runInChild(const std::function<int()>& work, bool unprivileged = false) {
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    if (unprivileged && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
      ::_exit(120);
    int status = 121;
    try {
      status = work();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "uncaught: %s\n", e.what());
    }
    std::fflush(nullptr);
    ::_exit(status);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

inline int runUnprivileged(const std::function<int()>& work) {
  return runInChild(work, true);
}

// A folder others may enter and read but nobody but root may change, for as long as it
// lives; its owner gets it back afterwards, to remove it.
class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(std::string folder) : folder_(std::move(folder)) {
    ::chmod(folder_.c_str(), 0555);
  }
  ~ReadOnlyFolder() { ::chmod(folder_.c_str(), 0755); }
  ReadOnlyFolder(const ReadOnlyFolder&) = delete;
  ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

 private:
  std::string folder_;
};

}  // namespace capcode::test
