// capcode script: the window driven from a command file.

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>

#include "cli/commands.hpp"
#include "cli/script_runner.hpp"
#include "options/ledger_options.hpp"

namespace capcode {

namespace {

struct ScriptCommandOptions {
  std::string file;
  ScriptOptions script;
  SessionOptions session;
  ProductionOptions production;
};

int runScriptCommand(ScriptCommandOptions& o, CommandIo& io) {
  o.script.dataDirectory = o.session.dataDirectory;
  o.script.hardware = o.session.hardware;
  o.script.decimalMark = o.session.decimalMark;
  // Automation keeps no ledger unless it is given one.
  if (o.production.ledger && !o.production.ledger->empty()) o.script.production = o.production;
  std::ifstream file;
  if (!o.file.empty() && o.file != "-") {
    // A folder would read as an empty script and a FIFO would block: only regular files.
    struct stat info {};
    if (::stat(o.file.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
      io.err << "capcode script: cannot read " << o.file << ": not a regular file\n";
      return kExitFailed;
    }
    file.open(o.file);
    if (!file) {
      io.err << "capcode script: cannot open " << o.file << ": " << std::strerror(errno) << "\n";
      return kExitFailed;
    }
  }
  return guarded(io, "script", kExitUsage, [&]() -> int {
    ScriptRunner runner(io.out, io.err, o.script);
    return runner.run(file.is_open() ? static_cast<std::istream&>(file) : io.in);
  });
}

}  // namespace

CommandRun setupScriptCommand(CLI::App& app, CommandIo& io) {
  auto options = std::make_shared<ScriptCommandOptions>();
  CLI::App* command = app.add_subcommand(
      "script",
      "drive the programmer's window from a command file and print a transcript of what the "
      "program shows");
  command->add_option("FILE", options->file, "the command file (standard input when absent or -)");
  command->add_flag("--bare", options->script.bare,
                    "skip the start-up: design values, image A, revision HW-A2, nothing decoded");
  const LedgerOptionsAdded ledger =
      addLedgerOptions(*command, LedgerOptionUser::Script, options->production);
  ledger.noLedger->excludes(ledger.ledger);
  ledger.station->needs(ledger.ledger);
  ledger.batch->needs(ledger.ledger);
  addSharedOptions(*command, kScriptCommand, options->session);
  command->footer(simulatedFaultFooter() +
                  "Without a --sim option the real programmers are used: a USB programmer box, "
                  "else the\nparallel-port adapter on LPT1 (/dev/parport0).\n\n" +
                  scriptCommandsHelp());
  return [options, &io] { return runScriptCommand(*options, io); };
}

}  // namespace capcode
