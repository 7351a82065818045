#pragma once
// The window's command line: the options it shares with the command-line tool
// (options/shared_options.hpp), the ledger's, and a configuration FILE opened once the window
// has started. Parsed before the toolkit starts, so that --help, --version and a usage error
// need no display.

#include <optional>
#include <ostream>
#include <string>

#include "ui/main_window.hpp"

namespace capcode::ui {

struct WindowArguments {
  WindowOptions options;            // filled in over what it holds (the defaults)
  std::optional<std::string> file;  // opened after start-up as File > Open does
};

// Parses argv[1..argc-1]; Qt's own -platform and -style options and their values are passed
// over (the toolkit reads them). Returns the exit status when the program ends here: 0 after
// --help or --version (printed on `out`), 2 after a usage error (said on `err`); nullopt when
// the window is to start.
std::optional<int> parseWindowArguments(int argc, const char* const* argv, WindowArguments& parsed,
                                        std::ostream& out, std::ostream& err);

}  // namespace capcode::ui
