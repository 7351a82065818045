#include <map>
#include <memory>

#include "build_info.hpp"
#include "cli/commands.hpp"
#include "cli/usage_hint.hpp"

namespace capcode {

int guarded(CommandIo& io, std::string_view command, int status,
            const std::function<int()>& work) {
  try {
    return work();
  } catch (const std::exception& e) {
    complain(io, command) << e.what() << "\n";
    return status;
  }
}

std::unique_ptr<Program> startPagerProgram(CommandIo& io, std::string_view command,
                                           Feedback& feedback, const SessionOptions& options,
                                           int& status) {
  std::unique_ptr<Program> program;
  try {
    program = std::make_unique<Program>(feedback, sessionProgramOptions(options));
  } catch (const std::runtime_error& e) {
    complain(io, command) << e.what() << "\n";
    status = kExitUsage;
    return nullptr;
  }
  if (!program->start()) {
    complain(io, command) << "the program could not start\n";
    status = kExitFailed;
    return nullptr;
  }
  status = kExitOk;
  return program;
}

int runCapcode(const std::vector<std::string>& args, CommandIo& io) {
  CLI::App app(
      "Capcode programmer for POCSAG pagers that keep their configuration in a 24C16 "
      "EEPROM.",
      "capcode");
  app.set_version_flag("--version", std::string("capcode ") + CAPCODE_VERSION_TEXT);
  app.require_subcommand(1);
  app.footer(
      "Each command's --help tells its options.\n"
      "Exit status: 0 success, 1 a pager, file or the program failed, 2 a usage error,\n"
      "3 refused by the pager ledger (capcode write) or it cannot be read, 4 the pager is not\n"
      "in the ledger (capcode identify).");

  std::map<const CLI::App*, CommandRun> runs;
  const auto add = [&](CommandRun (*setup)(CLI::App&, CommandIo&)) {
    const std::size_t before = app.get_subcommands({}).size();
    CommandRun run = setup(app, io);
    runs[app.get_subcommands({}).at(before)] = std::move(run);
  };
  add(setupScriptCommand);
  add(setupReadCommand);
  add(setupWriteCommand);
  add(setupLedgerCommand);
  add(setupIdentifyCommand);
  add(setupShowCommand);
  add(setupDiffCommand);
  add(setupSetCommand);
  add(setupDevicesCommand);

  std::vector<std::string> argv{"capcode"};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<const char*> pointers;
  for (const std::string& arg : argv)
    pointers.push_back(arg.c_str());
  try {
    app.parse(static_cast<int>(pointers.size()), pointers.data());
  } catch (const CLI::ParseError& e) {
    // Help and version print on standard output with 0; every other parse error is a usage
    // error, whatever code CLI11 gives it, and names an unknown option or command first.
    if (e.get_exit_code() != 0) {
      if (const std::string hint = usageHint(app, args); !hint.empty()) {
        io.err << hint << "\n";
        return kExitUsage;
      }
    }
    const int code = app.exit(e, io.out, io.err);
    return code == 0 ? kExitOk : kExitUsage;
  }
  for (const CLI::App* command : app.get_subcommands()) {
    if (auto run = runs.find(command); run != runs.end())
      return guarded(io, command->get_name(), kExitFailed, run->second);
  }
  return kExitUsage;
}

}  // namespace capcode
