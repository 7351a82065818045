#pragma once
// The options that several programs share: which programmer hardware to use (real, or simulated
// from image files), where the language libraries are, the decimal mark. Each is declared once
// in the table of shared_options.cpp, with its value name and its help, and every program adds
// the ones it takes from there to its CLI11 parser: `capcode` and its commands, `capcode script`
// and the window. A new shared option is one row of that table.

#include <CLI/CLI.hpp>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/hardware_setup.hpp"

namespace capcode {

// Where the shared options' values go.
struct SharedOptionValues {
  std::optional<std::string> dataDirectory;  // the language libraries, if not the defaults
  HardwareOptions hardware;                  // real programmers, or simulated ones
  std::optional<char> decimalMark;           // the system's decimal mark, instead of LC_NUMERIC
  std::vector<std::string> devices;          // the programmer boxes to use, by path or serial
};

// The programs (or groups of commands) that take a shared option; a row names several.
enum OptionUsers : unsigned {
  kFileCommands = 1u << 0,   // capcode show, diff, set: files only, no programmer
  kPagerCommands = 1u << 1,  // capcode read, write
  kScriptCommand = 1u << 2,  // capcode script
  kWindowProgram = 1u << 3,  // capcode-programmer
  kWriteCommand = 1u << 4,   // capcode write alone (several boxes at once)
  kReadCommand = 1u << 5,    // capcode read alone (one box of several)
};

struct SharedOptionDeclaration {
  const char* name;       // "--sim-usb"
  const char* valueName;  // "IMAGE", as the help shows it
  const char* help;       // one line of help (the parser wraps it)
  unsigned users;         // OptionUsers
  // Adds the option to `command`, storing into `values`; invalid values are usage errors.
  CLI::Option* (*add)(CLI::App& command, const SharedOptionDeclaration& self,
                      SharedOptionValues& values);
};

// Every shared option, in the order the help lists them.
std::span<const SharedOptionDeclaration> sharedOptionDeclarations();

// Adds to `command` the shared options that `user` takes; `values` must outlive the parse.
void addSharedOptions(CLI::App& command, OptionUsers user, SharedOptionValues& values);

// "Faults (--sim-fault FAULT):" and the fault spellings, for the footer of a help.
std::string simulatedFaultFooter();

}  // namespace capcode
