#pragma once
// The commands of the `capcode` tool. Each declares its subcommand, options and help on the
// application and returns what runs it once the command line has been parsed. The streams are
// injected, so the commands run in-process under test exactly as from a shell.

#include <CLI/CLI.hpp>
#include <functional>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/pager_session.hpp"
#include "configuration/opened_configuration.hpp"
#include "options/exit_status.hpp"

namespace capcode {

struct CommandIo {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  bool errIsTerminal = false;  // progress bars are drawn only on a terminal
  // The descriptor behind `in` when it is the process's own standard input (0), so that a read
  // from it can be given a time limit; -1 for a stream in memory.
  int inFd = -1;
};

using CommandRun = std::function<int()>;

CommandRun setupScriptCommand(CLI::App& app, CommandIo& io);
CommandRun setupReadCommand(CLI::App& app, CommandIo& io);
CommandRun setupWriteCommand(CLI::App& app, CommandIo& io);
CommandRun setupLedgerCommand(CLI::App& app, CommandIo& io);
CommandRun setupIdentifyCommand(CLI::App& app, CommandIo& io);
CommandRun setupShowCommand(CLI::App& app, CommandIo& io);
CommandRun setupDiffCommand(CLI::App& app, CommandIo& io);
CommandRun setupSetCommand(CLI::App& app, CommandIo& io);
CommandRun setupDevicesCommand(CLI::App& app, CommandIo& io);

// --revision A2|A3|B: the hardware revision whose layout a configuration file is read with.
void addRevisionOption(CLI::App& command, std::optional<std::string>& revision);

// What show, diff and set are told about opening configuration files.
struct FileOpenArguments {
  OpenOptions open;             // --revision, --force
  SessionOptions shared;        // the shared options files take (--data-dir)
  OpenOptions options() const;  // both together
};
// --revision and --data-dir, for the commands that open configuration files.
void addConfigurationOpenOptions(CLI::App& command, FileOpenArguments& open);

// Runs `capcode ARGS...` (args without the program name) and returns its exit status.
int runCapcode(const std::vector<std::string>& args, CommandIo& io);

}  // namespace capcode
