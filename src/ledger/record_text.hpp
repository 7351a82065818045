#pragma once
// A pager record as text for a person or a spreadsheet: the same forms in `capcode ledger` and
// in the window's records view.

#include <string>
#include <vector>

#include "ledger/ledger.hpp"

namespace capcode {

// The enabled rows' capcodes, "1=2004000 2=2004008 3=2004016(shared)": row, capcode, and
// "(shared)" after a row that is the same on every pager.
std::string capcodesWithRoles(const PagerRecord& record);

// Comma-separated values: a header line, then one line per record in the order given, each line
// ended by CR LF; the capcode list's digest, line and reference come last (empty without a list).
// Times stay in the ledger's UTC form; a field with a comma, a quote or a line break is quoted, its
// quotes doubled.
std::string recordsCsv(const std::vector<PagerRecord>& records);

}  // namespace capcode
