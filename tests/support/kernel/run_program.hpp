#pragma once
// The real programs run in processes of their own on the emulated kernel (they inherit the
// preload and the testbed from this process's environment), with time limits: a program still
// running at its limit is killed and the run fails.

#include <sys/types.h>

#include <string>
#include <vector>

namespace capcode::kernel {

struct ProgramRun {
  int status = -1;  // exit status; 128 + signal; -1 when it could not start or was killed
  bool timedOut = false;
  std::string out;
  std::string err;
  std::string all() const { return out + err; }
};

// A program started and left running until it ends or is stopped; stopped (SIGTERM, then
// SIGKILL) when it goes.
class RunningProgram {
 public:
  // With `asNobody` and when this process is root, it runs as user nobody (so that file
  // permissions count).
  RunningProgram(const std::string& program, const std::vector<std::string>& args,
                 bool asNobody = false);
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  // Waits at most `limitMillis` for it to end, then kills it; its status and output.
  ProgramRun wait(int limitMillis);
  // Asks it to end (SIGTERM) and waits at most `limitMillis` before killing it.
  ProgramRun stop(int limitMillis = 5000);

 private:
  ProgramRun finish(int limitMillis, bool askFirst);

  pid_t child_ = -1;
  std::string folder_;
};

// Runs `program` with `args` to its end, within `timeLimitMillis`.
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                      int timeLimitMillis = 60000, bool asNobody = false);

}  // namespace capcode::kernel
