// capcode-programmer: the programmer's window.

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QTimer>
#include <iostream>
#include <stdexcept>

#include "build_info.hpp"
#include "options/exit_status.hpp"
#include "ui/display_check.hpp"
#include "ui/main_window.hpp"
#include "ui/window_arguments.hpp"

int main(int argc, char** argv) {
  capcode::ui::WindowArguments arguments;
  arguments.options.startup.systemDecimalMark = capcode::systemDecimalMark();
  arguments.options.startup.dataDirectories = capcode::defaultDataDirectories();
  if (const auto status =
          capcode::ui::parseWindowArguments(argc, argv, arguments, std::cout, std::cerr)) {
    return *status;
  }
  if (!capcode::ui::displayUsable(capcode::ui::processDisplayEnvironment(argc, argv),
                                  capcode::ui::systemDisplayProbes())) {
    std::cerr << capcode::ui::kNoDisplayMessage << "\n";
    return capcode::kExitFailed;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("capcode-programmer");
  QApplication::setApplicationVersion(CAPCODE_VERSION_TEXT);
  QApplication::setWindowIcon(QIcon::fromTheme("capcode-programmer"));
  QApplication::setDesktopFileName("capcode-programmer");
  std::unique_ptr<capcode::ui::MainWindow> window;
  try {
    window = std::make_unique<capcode::ui::MainWindow>(arguments.options);
  } catch (const std::runtime_error& e) {
    std::cerr << "capcode-programmer: " << e.what() << "\n";
    return capcode::kExitUsage;
  }
  // An error while the window is built means it never opens.
  if (!window->start()) return capcode::kExitFailed;
  window->show();
  // Once the event loop runs, after the first look for a programmer box, as a person's Open.
  const std::optional<std::string>& file = arguments.file;
  if (file) QTimer::singleShot(0, window.get(), [&window, &file] { window->openFile(*file); });
  return QApplication::exec();
}
