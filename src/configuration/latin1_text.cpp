#include "configuration/latin1_text.hpp"

#include <algorithm>
#include <cstdio>

#include "core/json.hpp"

namespace capcode {

namespace {

bool isControl(unsigned char b) {
  return b < 0x20 || (b >= 0x7F && b <= 0x9F);
}

std::string codePoint(unsigned long c) {
  char text[24];
  std::snprintf(text, sizeof text, "U+%04lX", c);
  return text;
}

}  // namespace

std::string latin1ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

std::string readableText(std::string_view bytes) {
  const bool plain = !bytes.empty() && bytes.front() != ' ' && bytes.back() != ' ' &&
                     std::none_of(bytes.begin(), bytes.end(), [](char ch) {
                       return isControl(static_cast<unsigned char>(ch)) || ch == '"';
                     });
  return plain ? latin1ToUtf8(bytes) : jsonString(bytes);
}

std::optional<std::string> valueAsBytes(std::string_view utf8, std::string& error) {
  std::string bytes;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    std::size_t length = lead < 0x80         ? 1
                         : (lead >> 5) == 6  ? 2
                         : (lead >> 4) == 14 ? 3
                         : (lead >> 3) == 30 ? 4
                                             : 0;
    if (length == 0 || i + length > utf8.size()) {
      error = "is not valid UTF-8";
      return std::nullopt;
    }
    unsigned long c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      if ((next & 0xC0) != 0x80) {
        error = "is not valid UTF-8";
        return std::nullopt;
      }
      c = (c << 6) | (next & 0x3F);
    }
    // Overlong forms are not UTF-8 either.
    if ((length == 2 && c < 0x80) || (length == 3 && c < 0x800) || (length == 4 && c < 0x10000)) {
      error = "is not valid UTF-8";
      return std::nullopt;
    }
    if (c > 0xFF) {
      error = "has the character " + std::string(utf8.substr(i, length)) + " (" + codePoint(c) +
              "), which the pager's character set has not";
      return std::nullopt;
    }
    bytes += static_cast<char>(c);
    i += length;
  }
  if (bytes.size() >= 2 && bytes.front() == '"' && bytes.back() == '"') {
    // The quoted form: the JSON literal is read from the original UTF-8.
    if (auto quoted = parseJsonString(utf8)) return quoted;
    error = "is not a valid quoted text (a JSON string: \\\" \\\\ \\uXXXX up to \\u00FF)";
    return std::nullopt;
  }
  return bytes;
}

std::size_t shownWidth(std::string_view utf8) {
  return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char ch) {
    return (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
  }));
}

}  // namespace capcode
