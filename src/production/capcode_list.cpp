// The list is read by a small strict reader of its own rather than a general CSV library:
// every refusal must name the file's line (and the row) a person can find in an editor, a
// quoting fault must refuse the list instead of being repaired, and a line break inside a
// quoted field must be refused so that one line stays one pager. libcsv's callbacks report
// neither line numbers nor most of these faults in a form a message can use.

#include "production/capcode_list.hpp"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>

#include "core/file_io.hpp"
#include "core/visible_text.hpp"
#include "ledger/sha256.hpp"

namespace capcode {

namespace {

// The byte offset of the first byte that is not part of well-formed UTF-8 (overlong forms,
// surrogates and code points above U+10FFFF included), or of a NUL (UTF-16 text has many).
std::optional<std::size_t> notUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == 0) return i;
    if (c < 0x80) {
      ++i;
      continue;
    }
    int more = 0;
    std::uint32_t min = 0;
    std::uint32_t code = 0;
    if ((c & 0xE0) == 0xC0) {
      more = 1, min = 0x80, code = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      more = 2, min = 0x800, code = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      more = 3, min = 0x10000, code = c & 0x07;
    } else {
      return i;
    }
    if (i + static_cast<std::size_t>(more) >= text.size()) return i;
    for (int k = 1; k <= more; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      if ((next & 0xC0) != 0x80) return i;
      code = (code << 6) | (next & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return i;
    i += static_cast<std::size_t>(more) + 1;
  }
  return std::nullopt;
}

int lineAt(std::string_view text, std::size_t offset) {
  int line = 1;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i)
    line += text[i] == '\n' ? 1 : 0;
  return line;
}

// One line split into RFC 4180 fields; the reason when it cannot be.
struct Fields {
  std::vector<std::string> values;
  std::string fault;
};

Fields splitLine(std::string_view line) {
  Fields f;
  std::size_t i = 0;
  while (true) {
    std::string value;
    if (i < line.size() && line[i] == '"') {
      ++i;
      while (true) {
        if (i >= line.size()) {
          f.fault = "a quoted field is not closed (a line break inside quotes is not allowed)";
          return f;
        }
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            value += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        value += line[i++];
      }
      if (i < line.size() && line[i] != ',') {
        f.fault = "text after the closing quote of field " + std::to_string(f.values.size() + 1);
        return f;
      }
    } else {
      while (i < line.size() && line[i] != ',') {
        if (line[i] == '"') {
          f.fault = "a quote inside unquoted field " + std::to_string(f.values.size() + 1) +
                    " (quote the whole field and double the quote)";
          return f;
        }
        if (line[i] == '\r') {
          f.fault = "a carriage return inside the line";
          return f;
        }
        value += line[i++];
      }
    }
    f.values.push_back(std::move(value));
    if (i >= line.size()) return f;
    ++i;  // the comma
  }
}

// Spaces and tabs around a name or a value, as a spreadsheet or a hand-typed "row1, row2" leaves
// them, are not part of it.
std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The row a (trimmed) header name stands for: "row", any letter case, then optional spaces and
// the row's digit: "row2", "Row 2", "ROW  2". 0 for a reference column, whose name goes on with
// a letter after "row" ("rows", "Rowena") or does not start with it. -1 for any other name
// that starts with "row" ("row9", "row0", "row01", "row", "row_2", "row 2a"): it was meant as a
// row, and taking it as a reference would leave that row's capcodes on every pager.
int rowNamed(const std::string& name) {
  if (name.size() < 3 || strncasecmp(name.c_str(), "row", 3) != 0) return 0;
  std::size_t i = 3;
  if (i < name.size() && std::isalpha(static_cast<unsigned char>(name[i]))) return 0;
  while (i < name.size() && name[i] == ' ')
    ++i;
  const std::string digits = name.substr(i);
  if (digits.size() == 1 && digits[0] >= '1' && digits[0] <= '8') return digits[0] - '0';
  return -1;
}

// A reference part with the characters that join the parts escaped: a backslash before each
// backslash and ';' (and '=' in a column's name), so that "name=value; name=value" splits back
// into the columns it was made of.
std::string escapedReference(const std::string& text, bool name) {
  std::string out;
  for (const char c : text) {
    if (c == '\\' || c == ';' || (name && c == '=')) out += '\\';
    out += c;
  }
  return out;
}

bool allDigits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

struct Header {
  std::vector<int> rowOf;  // by column: 1-8, or 0 for a reference column
  std::vector<std::string> names;
};

std::optional<ListProblem> readHeader(const std::vector<std::string>& names, Header& header) {
  bool anyDigits = !names.empty();
  std::map<std::string, int> seen;
  for (std::size_t c = 0; c < names.size(); ++c) {
    const std::string name = trimmed(names[c]);
    anyDigits = anyDigits && allDigits(name);
    const std::string column = "column " + std::to_string(c + 1);
    if (name.empty()) return ListProblem{1, 0, column + " of the header has no name"};
    const int row = rowNamed(name);
    if (row < 0) {
      return ListProblem{1, 0,
                         "unknown column \"" + visibleText(name) + "\": the rows are row1..row8"};
    }
    std::string key = name;
    if (row > 0) key = "row" + std::to_string(row);
    if (auto [at, fresh] = seen.emplace(key, static_cast<int>(c) + 1); !fresh) {
      return ListProblem{1, 0,
                         "column \"" + visibleText(name) +
                             "\" appears twice in the header (columns " +
                             std::to_string(at->second) + " and " + std::to_string(c + 1) + ")"};
    }
    header.rowOf.push_back(row);
    header.names.push_back(name);
  }
  if (anyDigits) {
    return ListProblem{1, 0,
                       "no header: the first line must name the columns (row1..row8, and any "
                       "reference columns)"};
  }
  bool anyRow = false;
  for (int row : header.rowOf)
    anyRow = anyRow || row > 0;
  if (!anyRow) return ListProblem{1, 0, "the header names no row (row1..row8)"};
  return std::nullopt;
}

std::optional<ListProblem> readLine(const Header& header, int number, const Fields& fields,
                                    CapcodeListLine& line) {
  if (fields.values.size() != header.rowOf.size()) {
    return ListProblem{number, 0,
                       counted(fields.values.size(), "field") + "; the header has " +
                           std::to_string(header.rowOf.size())};
  }
  line.line = number;
  for (std::size_t c = 0; c < fields.values.size(); ++c) {
    const std::string value = trimmed(fields.values[c]);
    const int row = header.rowOf[c];
    if (row == 0) {
      if (value.empty()) continue;
      if (!line.reference.empty()) line.reference += "; ";
      line.reference +=
          escapedReference(header.names[c], true) + "=" + escapedReference(value, false);
      continue;
    }
    if (value.empty()) return ListProblem{number, row, "no capcode"};
    if (!allDigits(value)) {
      return ListProblem{number, row,
                         "\"" + visibleText(value) + "\" is not a capcode (digits only)"};
    }
    if (value.size() > 9) return ListProblem{number, row, value + " is not a capcode (too long)"};
    line.capcodes[static_cast<std::size_t>(row)] = static_cast<std::int32_t>(std::stol(value));
  }
  return std::nullopt;
}

// A capcode on two lines would reach two pagers.
std::optional<ListProblem> repeatedCapcode(const CapcodeList& list) {
  std::map<std::int32_t, std::pair<int, int>> first;  // capcode -> line, row
  for (const CapcodeListLine& line : list.lines) {
    for (int row = 1; row <= kAddressRows; ++row) {
      if (!list.named[static_cast<std::size_t>(row)]) continue;
      const std::int32_t capcode = line.capcodes[static_cast<std::size_t>(row)];
      const auto [at, fresh] = first.emplace(capcode, std::pair{line.line, row});
      if (fresh || at->second.first == line.line) continue;
      return ListProblem{line.line, row,
                         "capcode " + std::to_string(capcode) + " is also on line " +
                             std::to_string(at->second.first) + " (row " +
                             std::to_string(at->second.second) + ")"};
    }
  }
  return std::nullopt;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> referenceColumns(std::string_view reference) {
  std::vector<std::pair<std::string, std::string>> columns;
  if (reference.empty()) return columns;
  std::pair<std::string, std::string> column;
  bool inValue = false;
  for (std::size_t i = 0; i < reference.size(); ++i) {
    const char c = reference[i];
    std::string& part = inValue ? column.second : column.first;
    if (c == '\\' && i + 1 < reference.size()) {
      part += reference[++i];
    } else if (c == '=' && !inValue) {
      inValue = true;
    } else if (c == ';' && reference.substr(i, 2) == "; ") {
      columns.push_back(std::move(column));
      column = {};
      inValue = false;
      ++i;
    } else {
      part += c;
    }
  }
  columns.push_back(std::move(column));
  return columns;
}

std::string describeListProblem(const std::string& path, const ListProblem& problem) {
  std::string text = path + ": ";
  if (problem.line > 0) text += "line " + std::to_string(problem.line);
  if (problem.row > 0) text += ", row " + std::to_string(problem.row);
  if (problem.line > 0) text += ": ";
  return text + problem.reason;
}

ListRead parseCapcodeList(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  if (const auto bad = notUtf8(text)) {
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(text[*bad]));
    return {std::nullopt,
            {lineAt(text, *bad), 0,
             std::string("not UTF-8 text (byte ") + byte + "); save the list as UTF-8"}};
  }
  if (text.empty()) {
    return {std::nullopt,
            {0, 0, "the list is empty: its first line must name the rows (row1..row8)"}};
  }
  if (text.back() == '\n') text.remove_suffix(1);  // the last line's end
  CapcodeList list;
  Header header;
  int number = 0;
  std::size_t from = 0;
  while (from <= text.size()) {
    std::size_t end = text.find('\n', from);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(from, end - from);
    from = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) {
      return {std::nullopt, {number, 0, "a blank line; every line after the header is one pager"}};
    }
    const Fields fields = splitLine(line);
    if (!fields.fault.empty()) return {std::nullopt, {number, 0, fields.fault}};
    if (number == 1) {
      if (auto problem = readHeader(fields.values, header)) return {std::nullopt, *problem};
      for (int row : header.rowOf)
        list.named[static_cast<std::size_t>(row)] = row > 0;
      continue;
    }
    if (list.lines.size() >= kMaxListLines) {
      return {std::nullopt,
              {number, 0, "more than " + std::to_string(kMaxListLines) + " pagers in one list"}};
    }
    CapcodeListLine entry;
    if (auto problem = readLine(header, number, fields, entry)) return {std::nullopt, *problem};
    list.lines.push_back(std::move(entry));
  }
  if (list.lines.empty()) return {std::nullopt, {0, 0, "the list has no pager after its header"}};
  if (auto problem = repeatedCapcode(list)) return {std::nullopt, *problem};
  return {std::move(list), {}};
}

ListRead readCapcodeList(const std::string& path) {
  errno = 0;
  const auto bytes = readFilePrefix(path, kMaxListBytes + 1);
  if (!bytes) {
    // The reader answers EINVAL for a folder, a FIFO or a device.
    const std::string why =
        errno != 0 && errno != EINVAL ? std::strerror(errno) : "not a regular file";
    return {std::nullopt, {0, 0, "cannot be read (" + why + ")"}};
  }
  if (bytes->size() > kMaxListBytes) {
    return {std::nullopt,
            {0, 0, "larger than " + std::to_string(kMaxListBytes / (1024 * 1024)) + " MiB"}};
  }
  ListRead read = parseCapcodeList(
      std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
  if (read.list) {
    read.list->path = path;
    read.list->sha256 = sha256Hex(*bytes);
  }
  return read;
}

}  // namespace capcode
