#pragma once
// The exit statuses of every program: `capcode` and its commands, `capcode script` and the
// window. The manual pages and the README list them; scripts on a production line test them.

namespace capcode {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // a pager, a file or the program failed
inline constexpr int kExitUsage = 2;   // the command line is wrong
inline constexpr int kExitLedger = 3;  // the ledger refused the pager or cannot record it

}  // namespace capcode
