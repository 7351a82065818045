#include "core/visible_text.hpp"

#include <cstdio>

namespace capcode {

namespace {

std::string escaped(const char* format, unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// The length of the well-formed UTF-8 sequence at `i` (2-4) and its code point; 0 when the
// bytes there are not one.
std::size_t utf8Sequence(std::string_view text, std::size_t i, unsigned& code) {
  const auto lead = static_cast<unsigned char>(text[i]);
  std::size_t length = 0;
  unsigned min = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, min = 0x80, code = lead & 0x1Fu;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, min = 0x800, code = lead & 0x0Fu;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, min = 0x10000, code = lead & 0x07u;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3Fu);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::string visibleText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte == 0x7F) {
      out += escaped("\\x%02X", byte);
      ++i;
      continue;
    }
    if (byte < 0x80) {
      out += text[i++];
      continue;
    }
    unsigned code = 0;
    const std::size_t length = utf8Sequence(text, i, code);
    if (length == 0) {
      out += escaped("\\x%02X", byte);
      ++i;
    } else if (code <= 0x9F) {
      out += escaped("\\u%04X", code);
      i += length;
    } else {
      out += text.substr(i, length);
      i += length;
    }
  }
  return out;
}

std::string counted(std::size_t count, std::string_view one, std::string_view many) {
  std::string text = std::to_string(count) + " ";
  if (count == 1) return text.append(one);
  if (many.empty()) return text.append(one).append("s");
  return text.append(many);
}

}  // namespace capcode
