#pragma once
// The commands of the `capcode` tool. Each declares its subcommand, options and help on the
// application and returns what runs it once the command line has been parsed. The streams are
// injected, so the commands run in-process under test exactly as from a shell.

#include <CLI/CLI.hpp>
#include <functional>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/program.hpp"
#include "configuration/opened_configuration.hpp"
#include "options/exit_status.hpp"
#include "options/shared_options.hpp"

namespace capcode {

// The options the pager commands share on the command line (the hardware, --data-dir).
using SessionOptions = SharedOptionValues;

// The program a pager command runs: brought up as the window's is, on the command's hardware.
inline ProgramOptions sessionProgramOptions(const SessionOptions& options) {
  return {startupOptionsFor(options.dataDirectory), options.hardware};
}

// A menu command or a click as one window event.
inline void clickOn(Program& program, std::string_view item) {
  ProgramState& state = program.state();
  state.event([&] { state.form.userClick(item); });
}

struct CommandIo {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  bool errIsTerminal = false;  // progress bars are drawn only on a terminal
  // The descriptor behind `in` when it is the process's own standard input (0), so that a read
  // from it can be given a time limit; -1 for a stream in memory.
  int inFd = -1;
};

// Starts a command's complaint on standard error: "capcode NAME: ".
inline std::ostream& complain(CommandIo& io, std::string_view command) {
  return io.err << "capcode " << command << ": ";
}

// Runs a command's work: a std::exception it throws ends in "capcode NAME: " and its text on
// standard error, and `status`. Every command runs so (a last resort: kExitFailed), and a
// command whose refusals of a kind have their own status runs that part so too.
int guarded(CommandIo& io, std::string_view command, int status, const std::function<int()>& work);

// The program of a pager command, started: hardware options it cannot meet end in a usage error
// (`status` kExitUsage), a start-up that fails in kExitFailed, each said as `command`'s; null
// then.
std::unique_ptr<Program> startPagerProgram(CommandIo& io, std::string_view command,
                                           Feedback& feedback, const SessionOptions& options,
                                           int& status);

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
