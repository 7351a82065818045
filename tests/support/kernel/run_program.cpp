#include "support/kernel/run_program.hpp"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace capcode::kernel {

namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                      int timeLimitMillis, bool asNobody) {
  ProgramRun run;
  char folder[] = "/tmp/capcode_run_XXXXXX";
  if (::mkdtemp(folder) == nullptr) return run;
  const std::string outPath = std::string(folder) + "/out", errPath = std::string(folder) + "/err";
  std::vector<std::string> all{program};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all)
    argv.push_back(a.data());
  argv.push_back(nullptr);
  const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const bool dropRoot = asNobody && ::geteuid() == 0;
  // No input: an empty pipe (under the preload, /dev/null would be the testbed's).
  int input[2];
  if (::pipe2(input, O_CLOEXEC) != 0) return run;
  ::close(input[1]);
  const pid_t child = ::fork();
  if (child == 0) {
    // Only async-signal-safe calls between fork and exec: the testbed's thread is not here.
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::dup2(input[0], 0);
    if (dropRoot && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
      ::_exit(125);
    ::execve(program.c_str(), argv.data(), environ);
    ::_exit(127);
  }
  ::close(out);
  ::close(err);
  ::close(input[0]);
  if (child > 0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeLimitMillis);
    int status = 0;
    pid_t done = 0;
    while ((done = ::waitpid(child, &status, WNOHANG)) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        run.timedOut = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!run.timedOut && done == child)
      run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  run.out = slurp(outPath);
  run.err = slurp(errPath);
  ::unlink(outPath.c_str());
  ::unlink(errPath.c_str());
  ::rmdir(folder);
  return run;
}

}  // namespace capcode::kernel
