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
// ended by CR LF; the capcode list's digest, line and reference come after the rows (empty
// without a list), then the settlement, its time and who settled it (empty while not settled).
// Times stay in the ledger's UTC form; a field with a comma, a quote or a line break is quoted, its
// quotes doubled.
std::string recordsCsv(const std::vector<PagerRecord>& records);

// "put aside 2026-12-09T14:02:03.000Z by ann on bench-2 (pc7)"; empty while not settled.
std::string settlementText(const PagerRecord& record);

// One record as a JSON object: every field of the record under its CSV column's name (times in
// the ledger's UTC form, null for what is not there), its rows as an "addresses" array, and
// "keeps_capcodes". Texts are bytes, each the character of the same code.
std::string recordJson(const PagerRecord& record);

// The records as a JSON array, one object a line, in the order given.
std::string recordsJson(const std::vector<PagerRecord>& records);

}  // namespace capcode
