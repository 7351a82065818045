#pragma once
// A usage error that names the mistake: an option or a command the tool does not know, with
// the nearest one it does know ("unknown option --verison; did you mean --version?"). Worked
// out from the declared commands and options themselves.

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

namespace capcode {

// The hint for the first unknown option or command among `args` (without the program name),
// or empty when every one of them is known (the parser's own message is better then).
std::string usageHint(const CLI::App& app, const std::vector<std::string>& args);

}  // namespace capcode
