#pragma once
// A program run by one command of the tool: brought up through the one shared bring-up, with
// a helper that runs a menu command and hands back the status-log lines it wrote.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/program.hpp"
#include "options/shared_options.hpp"

namespace capcode {

// The options the pager commands share on the command line (the hardware, --data-dir).
using SessionOptions = SharedOptionValues;

class PagerSession : public Program {
 public:
  // Throws std::runtime_error when the hardware options cannot be met.
  PagerSession(Feedback& feedback, const SessionOptions& options);
  // A menu command or a click as one window event; returns the status-log lines it added.
  std::vector<std::string> click(std::string_view item);
};

}  // namespace capcode
