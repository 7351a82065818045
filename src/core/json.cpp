#include "core/json.hpp"

#include <cstdio>

namespace capcode {

std::string jsonString(std::string_view bytes) {
  std::string out = "\"";
  for (char ch : bytes) {
    auto b = static_cast<unsigned char>(ch);
    switch (b) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        // Control characters, C1 (CSI, NEL ...) included, never reach a terminal raw.
        if (b < 0x20 || (b >= 0x7F && b <= 0x9F)) {
          char esc[8];
          std::snprintf(esc, sizeof esc, "\\u%04X", b);
          out += esc;
        } else if (b < 0x80) {
          out += static_cast<char>(b);
        } else {  // Latin-1 code point as two UTF-8 bytes
          out += static_cast<char>(0xC0 | (b >> 6));
          out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
  }
  out += '"';
  return out;
}

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::string> parseJsonString(std::string_view literal) {
  if (literal.size() < 2 || literal.front() != '"' || literal.back() != '"') return std::nullopt;
  std::string out;
  std::size_t i = 1;
  const std::size_t end = literal.size() - 1;
  while (i < end) {
    auto c = static_cast<unsigned char>(literal[i]);
    if (c == '"' || c < 0x20) return std::nullopt;
    if (c == '\\') {
      if (++i >= end) return std::nullopt;
      char e = literal[i++];
      switch (e) {
        case '"':
          out += '"';
          break;
        case '\\':
          out += '\\';
          break;
        case '/':
          out += '/';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          if (i + 4 > end) return std::nullopt;
          int code = 0;
          for (int k = 0; k < 4; ++k) {
            int h = hexValue(literal[i + static_cast<std::size_t>(k)]);
            if (h < 0) return std::nullopt;
            code = code * 16 + h;
          }
          i += 4;
          if (code > 0xFF) return std::nullopt;
          out += static_cast<char>(code);
          break;
        }
        default:
          return std::nullopt;
      }
      continue;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    // UTF-8 sequence: only U+0080..U+00FF (lead bytes C2, C3) can be a byte.
    if ((c == 0xC2 || c == 0xC3) && i + 1 < end) {
      auto next = static_cast<unsigned char>(literal[i + 1]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      out += static_cast<char>(((c & 0x1F) << 6) | (next & 0x3F));
      i += 2;
      continue;
    }
    return std::nullopt;
  }
  return out;
}

}  // namespace capcode
