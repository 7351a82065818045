#pragma once
// A capcode list: the capcodes an operator hands over for an order, one pager per line.
//
//   row1,row2,subscriber,order
//   2004000,2004008,Ann Smith,PO-17
//
// The header names the rows the list gives (row1..row8, any letter case, spaces allowed between
// "row" and the digit: "Row 2") and any other columns (a subscriber, an order reference), which
// are kept with each pager as its reference. Any other name that starts with "row" and goes on
// with no letter ("row9", "row01", "row_2") is refused rather than taken as a reference. Spaces
// and tabs around a name or a value are not part of it (" row2" is row 2). The
// file is UTF-8 text (a byte-order mark is allowed), comma-separated with RFC 4180 quoting, one
// pager per line: a line break inside a quoted field is refused, so that a line of the list is
// a line in an editor. Line numbers are the file's own: the header is line 1.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/form_model.hpp"

namespace capcode {

struct CapcodeListLine {
  int line = 0;                                           // in the file; the header is line 1
  std::array<std::int32_t, kAddressRows + 1> capcodes{};  // by row (index 1-8); named rows only
  // The other columns, "subscriber=Ann Smith; order=PO-17" (empty ones left out). A backslash
  // goes before each '\' and ';' of a name or a value, and each '=' of a name, so that
  // referenceColumns splits it back: "note=a\; b" is the column note holding "a; b".
  std::string reference;
};

struct CapcodeList {
  std::string path;
  std::string sha256;                          // of the file's bytes, lower-case hex
  std::array<bool, kAddressRows + 1> named{};  // the rows the header names (index 1-8)
  std::vector<CapcodeListLine> lines;          // one per pager, in the file's order
};

// Why a list cannot be used: the line (0 for the file as a whole), the row (0 for none).
struct ListProblem {
  int line = 0;
  int row = 0;
  std::string reason;
};

// The (name, value) columns a line's `reference` was joined from, in their order.
std::vector<std::pair<std::string, std::string>> referenceColumns(std::string_view reference);

// "orders.csv: line 7, row 2: ..." for a person.
std::string describeListProblem(const std::string& path, const ListProblem& problem);

struct ListRead {
  std::optional<CapcodeList> list;
  ListProblem problem;  // when there is no list
};

// The largest list read, in bytes and in pager lines.
constexpr std::size_t kMaxListBytes = 16 * 1024 * 1024;
constexpr std::size_t kMaxListLines = 100000;

// Parses a whole list; the first problem found, in the file's order, refuses it. Also refused:
// a capcode on two lines. What the address rules say about the capcodes is checked later,
// against the configuration.
ListRead parseCapcodeList(std::string_view text);

// Reads the list at `path` (a regular file only, never waiting on a FIFO or a device) and
// parses it; `sha256` is set from the bytes read.
ListRead readCapcodeList(const std::string& path);

}  // namespace capcode
