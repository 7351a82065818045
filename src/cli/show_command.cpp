// capcode show: a configuration file as text, in the window's order.

#include <memory>

#include "cli/commands.hpp"
#include "cli/console_feedback.hpp"
#include "configuration/configuration_text.hpp"

namespace capcode {

namespace {

struct ShowOptions {
  std::string file;
  bool json = false;
  bool quiet = false;
  FileOpenArguments open;
};

// Adds --revision and --data-dir, which show, diff and set share.
void addOpenOptions(CLI::App& command, FileOpenArguments& open) {
  addRevisionOption(command, open.open.revision);
  addSharedOptions(command, kFileCommands, open.shared);
}

int runShow(const ShowOptions& o, CommandIo& io) {
  return guarded(io, "show", kExitFailed, [&]() -> int {
    std::string error;
    const auto input = readConfigurationInput(o.file, io.in, io.inFd, InputLimits{}, error);
    if (!input) {
      complain(io, "show") << error << "\n";
      return kExitFailed;
    }
    // The status log of the open goes to standard error: standard output is the configuration.
    std::ostream nowhere(nullptr);
    ConsoleFeedback person(o.quiet ? nowhere : io.err, io.err, false);
    OpenedConfiguration opened(*input, o.open.options(), person);
    if (!opened.loaded()) {
      complain(io, "show") << o.file << ": " << opened.failure() << "\n";
      return kExitFailed;
    }
    if (o.json) {
      printConfigurationJson(opened.state(), io.out);
    } else {
      printConfiguration(opened.state(), io.out);
    }
    if (opened.failedChecks()) {
      complain(io, "show") << o.file << ": " << opened.failure()
             << " (shown anyway: --force)\n";
      return kExitFailed;
    }
    return kExitOk;
  });
}

}  // namespace

void addRevisionOption(CLI::App& command, std::optional<std::string>& revision) {
  command
      .add_option("--revision", revision,
                  "decode with this hardware revision's layout (default B, the program's); a file "
                  "that does not decode cleanly at it is refused, naming the one that does")
      ->type_name("A2|A3|B")
      ->check(CLI::IsMember({"A2", "A3", "B"}));
}

OpenOptions FileOpenArguments::options() const {
  OpenOptions both = open;
  both.dataDirectory = shared.dataDirectory;
  return both;
}

void addConfigurationOpenOptions(CLI::App& command, FileOpenArguments& open) {
  addOpenOptions(command, open);
}

CommandRun setupShowCommand(CLI::App& app, CommandIo& io) {
  auto o = std::make_shared<ShowOptions>();
  CLI::App* command =
      app.add_subcommand("show", "print a configuration file as the window shows it, page by page");
  command->add_option("FILE", o->file, "the configuration file (- for standard input)")->required();
  command->add_flag("--json", o->json,
                    "one JSON object keyed by control name: label, kind, value (list items by "
                    "index with their text), unit, enabled, visible");
  command->add_flag("--force", o->open.open.force,
                    "show a file that fails the checksum or edition check, or does not decode "
                    "cleanly at the revision (exit status 1)");
  command->add_flag("-q,--quiet", o->quiet,
                    "leave out the status log of the open (for git's textconv); messages stay");
  addOpenOptions(*command, o->open);
  command->footer(
      "The file is opened as File > Open opens it; its status-log lines go to standard error.\n"
      "FILE may be a pipe or another stream; more than 2048 bytes are refused at once.\n"
      "Exit status: 0 shown, 1 the file cannot be opened or fails its checks, 2 a usage error.");
  return [o, &io] { return runShow(*o, io); };
}

}  // namespace capcode
