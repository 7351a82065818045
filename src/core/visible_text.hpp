#pragma once
// Texts from outside the program (a product string a USB device reports, a reference from an
// operator's list, a station name in the ledger) made safe to print on a terminal, and counts
// written in the right number.

#include <cstddef>
#include <string>
#include <string_view>

namespace capcode {

// `text` with every control character shown as an escape instead of reaching the terminal: C0
// bytes and DEL as "\x1B", C1 characters (U+0080..U+009F, UTF-8 encoded) as "\u009B", and a byte
// that is not part of well-formed UTF-8 as "\xNN". Everything else, backslashes included, is
// left as it is.
std::string visibleText(std::string_view text);

// "1 line", "2 lines", "0 lines": the count and the noun in the right number. `many` is the
// plural when it is not `one` + "s" ("box", "boxes").
std::string counted(std::size_t count, std::string_view one, std::string_view many = {});

}  // namespace capcode
