#include "ui/window_arguments.hpp"

#include <vector>

#include "build_info.hpp"
#include "options/exit_status.hpp"
#include "options/ledger_options.hpp"
#include "options/shared_options.hpp"

namespace capcode::ui {

namespace {

const char* const kDescription =
    "The capcode programmer's window: edit a pager configuration, open and save it, read and\n"
    "write pagers through the USB programmer box or the parallel-port adapter. FILE is opened\n"
    "after start-up as File > Open does. The window needs a desktop session (X11 or Wayland),\n"
    "or QT_QPA_PLATFORM=offscreen for one that is never seen.";

int usageError(std::ostream& err, const std::string& what) {
  err << "capcode-programmer: " << what << "\nTry 'capcode-programmer --help'.\n";
  return kExitUsage;
}

// The arguments that are not Qt's own, with the program's name first.
std::vector<const char*> ownArguments(int argc, const char* const* argv) {
  std::vector<const char*> own{argc > 0 ? argv[0] : "capcode-programmer"};
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("-platform", 0) == 0 || arg.rfind("-style", 0) == 0) {
      ++i;  // and its value
    } else {
      own.push_back(argv[i]);
    }
  }
  return own;
}

}  // namespace

std::optional<int> parseWindowArguments(int argc, const char* const* argv, WindowArguments& parsed,
                                        std::ostream& out, std::ostream& err) {
  CLI::App app(kDescription, "capcode-programmer");
  app.set_version_flag("--version", std::string("capcode-programmer ") + CAPCODE_VERSION_TEXT);
  SharedOptionValues shared;
  addSharedOptions(app, kWindowProgram, shared);
  // One value for each --sim-fault, as the window has always taken it: the FILE after it is
  // not a second fault.
  app.get_option("--sim-fault")->allow_extra_args(false);
  // Likewise one image for each --sim-usb (repeated for several boxes): the FILE after it is
  // opened, not taken as a second box.
  app.get_option("--sim-usb")->allow_extra_args(false);
  addLedgerOptions(app, LedgerOptionUser::Window, parsed.options.production);
  app.add_option("FILE", parsed.file, "a configuration file to open once the window has started");
  app.footer(simulatedFaultFooter());
  const std::vector<const char*> own = ownArguments(argc, argv);
  try {
    app.parse(static_cast<int>(own.size()), own.data());
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() != 0) return usageError(err, e.what());
    app.exit(e, out, err);  // --help or --version
    return kExitOk;
  }
  if (parsed.options.production.noLedger && parsed.options.production.ledger)
    return usageError(err, "--no-ledger and --ledger exclude each other");
  parsed.options.hardware = shared.hardware;
  // A person at the window trains on simulated hardware that keeps real time.
  parsed.options.hardware.realTimeSimulation = true;
  if (shared.dataDirectory) parsed.options.startup.dataDirectories = {*shared.dataDirectory};
  return std::nullopt;
}

}  // namespace capcode::ui
