#pragma once
// One of the real programs run in its own process on the emulated kernel (it inherits the
// preload and the testbed from this process's environment), with a time limit: a program
// still running then is killed and the run fails.

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

// Runs `program` with `args`; with `asNobody` and when this process is root, as user nobody
// (so that file permissions count).
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                      int timeLimitMillis = 60000, bool asNobody = false);

}  // namespace capcode::kernel
