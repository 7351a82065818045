#pragma once
// The pager's texts are bytes of an 8-bit set; the tool shows and takes them as UTF-8, each
// byte the Latin-1 character of the same code. A text with control characters (C0, DEL, C1 such
// as CSI and NEL), a double quote or blanks at its ends is shown as a JSON string literal, so
// that nothing reaches the terminal raw and the blanks can be seen; set reads that form back.

#include <optional>
#include <string>
#include <string_view>

namespace capcode {

// Each byte as the UTF-8 form of the Latin-1 character of that code.
std::string latin1ToUtf8(std::string_view bytes);

// How a person reads a text: as it is (in UTF-8) when nothing in it needs showing, else quoted.
std::string readableText(std::string_view bytes);

// A value given on the command line (UTF-8) as the pager's bytes: a value in double quotes is
// read as a JSON string literal (the quoted form readableText and show --json print), anything
// else as it stands. Nothing, with `error` saying why, for a malformed UTF-8 text or a character
// that has no byte (above U+00FF).
std::optional<std::string> valueAsBytes(std::string_view utf8, std::string& error);

// The number of characters a UTF-8 text shows (its code points).
std::size_t shownWidth(std::string_view utf8);

}  // namespace capcode
