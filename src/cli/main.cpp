// capcode: the programmer's command-line tool.

#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.hpp"
#include "core/file_io.hpp"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(true);
  // A file-size limit ends a save or a ledger record with its message, never with SIGXFSZ.
  capcode::survivesFileSizeLimit();
  capcode::CommandIo io{std::cin, std::cout, std::cerr, ::isatty(2) != 0, 0};
  return capcode::runCapcode(std::vector<std::string>(argv + 1, argv + argc), io);
}
