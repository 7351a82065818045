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

RunningProgram::RunningProgram(const std::string& program, const std::vector<std::string>& args,
                               bool asNobody) {
  char folder[] = "/tmp/capcode_run_XXXXXX";
  if (::mkdtemp(folder) == nullptr) return;
  folder_ = folder;
  std::vector<std::string> all{program};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all)
    argv.push_back(a.data());
  argv.push_back(nullptr);
  const int out = ::open((folder_ + "/out").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int err = ::open((folder_ + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  // No input: an empty pipe (under the preload, /dev/null would be the testbed's).
  int input[2] = {-1, -1};
  const bool piped = ::pipe2(input, O_CLOEXEC) == 0;
  if (piped) ::close(input[1]);
  const bool dropRoot = asNobody && ::geteuid() == 0;
  if (out >= 0 && err >= 0 && piped) child_ = ::fork();
  if (child_ == 0) {
    // Only async-signal-safe calls between fork and exec: the testbed's thread is not here.
    ::dup2(input[0], 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (dropRoot && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
      ::_exit(125);
    ::execve(program.c_str(), argv.data(), environ);
    ::_exit(127);
  }
  for (const int fd : {out, err, input[0]})
    if (fd >= 0) ::close(fd);
}

RunningProgram::~RunningProgram() {
  if (child_ > 0) finish(2000, true);
  if (!folder_.empty()) {
    ::unlink((folder_ + "/out").c_str());
    ::unlink((folder_ + "/err").c_str());
    ::rmdir(folder_.c_str());
  }
}

ProgramRun RunningProgram::wait(int limitMillis) {
  return finish(limitMillis, false);
}

ProgramRun RunningProgram::stop(int limitMillis) {
  return finish(limitMillis, true);
}

ProgramRun RunningProgram::finish(int limitMillis, bool askFirst) {
  ProgramRun run;
  if (child_ > 0) {
    if (askFirst) ::kill(child_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMillis);
    int status = 0;
    pid_t done = 0;
    while ((done = ::waitpid(child_, &status, WNOHANG)) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        ::kill(child_, SIGKILL);
        ::waitpid(child_, &status, 0);
        run.timedOut = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!run.timedOut && done == child_)
      run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    child_ = -1;
  }
  if (!folder_.empty()) {
    run.out = slurp(folder_ + "/out");
    run.err = slurp(folder_ + "/err");
  }
  return run;
}

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                      int timeLimitMillis, bool asNobody) {
  return RunningProgram(program, args, asNobody).wait(timeLimitMillis);
}

}  // namespace capcode::kernel
