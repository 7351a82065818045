// capcode-programmer: the programmer's window.

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QTimer>
#include <cstring>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>

#include "build_info.hpp"
#include "link/hardware_setup.hpp"
#include "ui/display_check.hpp"
#include "ui/main_window.hpp"

namespace {

const char* const kHelp =
    "Usage: capcode-programmer [OPTIONS] [FILE]\n"
    "\n"
    "The capcode programmer's window: edit a pager configuration, open and save it, read and\n"
    "write pagers through the USB programmer box or the parallel-port adapter. FILE is opened\n"
    "after start-up as File > Open does. The window needs a desktop session (X11 or Wayland),\n"
    "or QT_QPA_PLATFORM=offscreen for one that is never seen.\n"
    "\n"
    "Options:\n"
    "  --sim-usb IMAGE     work with a simulated USB programmer whose pager holds IMAGE (2048\n"
    "                      bytes); IMAGE keeps what was written when the window closes\n"
    "  --sim-lpt IMAGE     a simulated pager behind the parallel port, likewise\n"
    "  --sim-product TEXT  the simulated box's product string\n"
    "  --sim-fault SPEC    make the simulated hardware fail on purpose (repeatable):\n";

const char* const kHelpTail =
    "  --ledger LEDGER     record every pager written in this ledger: a file (default\n"
    "                      $XDG_DATA_HOME/capcode/ledger.sqlite3) or a PostgreSQL connection\n"
    "                      string; a capcode the ledger holds on another pager is not written\n"
    "  --no-ledger         keep no record of the pagers written\n"
    "  --station NAME      this station's name in the ledger (the host name)\n"
    "  --batch NAME        program a batch shared by several stations: each pager written takes\n"
    "                      the batch's next free capcode set from the ledger\n"
    "  --data-dir DIR      where the language libraries are, if not in the working directory\n"
    "  -h, --help          show this help\n"
    "  --version           show the version\n";

}  // namespace

int main(int argc, char** argv) {
  capcode::ui::WindowOptions options;
  options.startup.systemDecimalMark = capcode::systemDecimalMark();
  options.startup.dataDirectories = capcode::defaultDataDirectories();
  options.hardware.realTimeSimulation = true;
  std::optional<std::string> file;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      std::cout << kHelp << capcode::kSimulatedFaultHelp << kHelpTail << "\n"
                << capcode::kMissingImageHelp;
      return 0;
    } else if (arg == "--version") {
      std::cout << "capcode-programmer " << CAPCODE_VERSION_TEXT << "\n";
      return 0;
    } else if (capcode::takeHardwareOption(argc, argv, i, options.hardware)) {
      continue;
    } else if (arg == "--data-dir" && hasValue) {
      options.startup.dataDirectories = {argv[++i]};
    } else if (arg == "--ledger" && hasValue) {
      options.production.ledger = argv[++i];
    } else if (arg == "--no-ledger") {
      options.production.noLedger = true;
    } else if (arg == "--station" && hasValue) {
      options.production.station = argv[++i];
    } else if (arg == "--batch" && hasValue) {
      options.production.batch = argv[++i];
    } else if (arg.rfind("-platform", 0) == 0 || arg.rfind("-style", 0) == 0) {
      ++i;  // Qt's own options
    } else if (!file && !arg.empty() && arg[0] != '-') {
      file = arg;
    } else {
      std::cerr << "capcode-programmer: unexpected argument " << arg
                << "\nTry 'capcode-programmer --help'.\n";
      return 2;
    }
  }
  if (options.production.noLedger && options.production.ledger) {
    std::cerr << "capcode-programmer: --no-ledger and --ledger exclude each other\n"
              << "Try 'capcode-programmer --help'.\n";
    return 2;
  }
  if (!capcode::ui::displayUsable(capcode::ui::processDisplayEnvironment(argc, argv),
                                  capcode::ui::systemDisplayProbes())) {
    std::cerr << capcode::ui::kNoDisplayMessage << "\n";
    return 1;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("capcode-programmer");
  QApplication::setApplicationVersion(CAPCODE_VERSION_TEXT);
  QApplication::setWindowIcon(QIcon::fromTheme("capcode-programmer"));
  QApplication::setDesktopFileName("capcode-programmer");
  std::unique_ptr<capcode::ui::MainWindow> window;
  try {
    window = std::make_unique<capcode::ui::MainWindow>(options);
  } catch (const std::runtime_error& e) {
    std::cerr << "capcode-programmer: " << e.what() << "\n";
    return 2;
  }
  // An error while the window is built means it never opens.
  if (!window->start()) return 1;
  window->show();
  // Once the event loop runs, after the first look for a programmer box, as a person's Open.
  if (file) QTimer::singleShot(0, window.get(), [&window, &file] { window->openFile(*file); });
  return QApplication::exec();
}
