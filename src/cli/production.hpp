#pragma once
// `capcode read` and `capcode write`: the pager commands without a window, for production lines.

namespace capcode {

// argv[1] is "read" or "write". Returns the exit status: 0 when every pager read or verified.
int runProductionCommand(int argc, char** argv);

}  // namespace capcode
