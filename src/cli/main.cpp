// capcode: the programmer's command-line tool.

#include <cstring>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

#include "build_info.hpp"
#include "cli/production.hpp"
#include "cli/script_runner.hpp"

namespace {

const char* const kHelp =
    "Usage: capcode COMMAND [OPTIONS]\n"
    "\n"
    "Capcode programmer for POCSAG pagers that keep their configuration in a 24C16 EEPROM.\n"
    "\n"
    "Commands:\n"
    "  script [OPTIONS] [FILE]  drive the programmer's window from a command file and print a\n"
    "                           transcript (capcode script --help tells more)\n"
    "  read FILE                read the pager in the programmer into FILE\n"
    "  write FILE [--count N]   program N pagers in a row from the configuration FILE\n"
    "Each command's --help tells its options.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help\n"
    "  --version      show the program version\n";

int runScript(int argc, char** argv) {
  capcode::ScriptOptions options;
  const char* path = nullptr;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--bare") == 0) {
      options.bare = true;
    } else if (std::strcmp(argv[i], "--data-dir") == 0 && i + 1 < argc) {
      options.dataDirectory = argv[++i];
    } else if (std::strcmp(argv[i], "--decimal-mark") == 0 && i + 1 < argc) {
      const std::string mark = argv[++i];
      if (mark != "." && mark != ",") {
        std::cerr << "capcode script: the decimal mark is . or ,\n";
        return 2;
      }
      options.decimalMark = mark[0];
    } else if (capcode::takeHardwareOption(argc, argv, i, options.hardware)) {
      continue;
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::cout << capcode::scriptHelp();
      return 0;
    } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
      std::cerr << "capcode script: unknown option " << argv[i] << "\n"
                << "Try 'capcode script --help'.\n";
      return 2;
    } else if (path == nullptr) {
      path = argv[i];
    } else {
      std::cerr << "capcode script: only one command file may be given\n";
      return 2;
    }
  }
  std::ifstream file;
  if (path != nullptr && std::strcmp(path, "-") != 0) {
    file.open(path);
    if (!file) {
      std::cerr << "capcode script: cannot open " << path << ": " << std::strerror(errno) << "\n";
      return 1;
    }
  }
  try {
    capcode::ScriptRunner runner(std::cout, std::cerr, options);
    return runner.run(file.is_open() ? static_cast<std::istream&>(file) : std::cin);
  } catch (const std::runtime_error& e) {
    std::cerr << "capcode script: " << e.what() << "\n";
    return 2;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << kHelp;
    return 2;
  }
  const std::string command = argv[1];
  if (command == "--help" || command == "-h" || command == "help") {
    std::cout << kHelp;
    return 0;
  }
  if (command == "--version") {
    std::cout << "capcode " << CAPCODE_VERSION_TEXT << "\n";
    return 0;
  }
  if (command == "script") return runScript(argc, argv);
  if (command == "read" || command == "write") return capcode::runProductionCommand(argc, argv);
  std::cerr << "capcode: unknown command " << command << "\nTry 'capcode --help'.\n";
  return 2;
}
