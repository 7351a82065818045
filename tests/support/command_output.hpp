#pragma once
// A shell command run to its end: what it printed on standard output and its exit status.

#include <stdio.h>
#include <sys/wait.h>

#include <string>

namespace capcode::test {

struct CommandRan {
  std::string out;
  int status = -1;  // the exit status; -1 when it did not end by itself
};

inline CommandRan runCommand(const std::string& command) {
  CommandRan ran;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return ran;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    ran.out.append(buffer, n);
  const int status = ::pclose(pipe);
  if (status != -1 && WIFEXITED(status)) ran.status = WEXITSTATUS(status);
  return ran;
}

}  // namespace capcode::test
