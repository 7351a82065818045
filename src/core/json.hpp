#pragma once
// JSON string literals for texts that are bytes: each byte is the character of the same code
// (Latin-1), so any image text prints as valid JSON and reads back as the same bytes.

#include <optional>
#include <string>
#include <string_view>

namespace capcode {

// The bytes as a JSON string literal, quotes included, UTF-8 encoded; control characters (C0,
// DEL and C1) as \u escapes.
std::string jsonString(std::string_view bytes);

// Parses a JSON string literal that makes up the whole of `literal`; characters above U+00FF
// cannot be bytes and are refused. Returns nothing on a malformed literal.
std::optional<std::string> parseJsonString(std::string_view literal);

}  // namespace capcode
