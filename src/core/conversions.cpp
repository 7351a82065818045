#include "core/conversions.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace capcode {

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

[[noreturn]] void notInteger(std::string_view text) {
  throw ConversionError("'" + std::string(text) + "' is not a valid integer value");
}

[[noreturn]] void notFloat(std::string_view text) {
  throw ConversionError("'" + std::string(text) + "' is not a valid floating point value");
}

// A number split into its parts: sign, the digits (integer then fraction, no mark) and the
// power of ten that the last digit stands for.
struct DecimalParts {
  bool negative = false;
  std::string digits;
  long exponent = 0;  // value = digits * 10^exponent
};

bool splitDecimal(std::string_view text, char mark, DecimalParts& out) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && text[i] == ' ')
    ++i;
  if (i < n && (text[i] == '+' || text[i] == '-')) out.negative = text[i++] == '-';
  bool sawDigit = false;
  while (i < n && isDigit(text[i])) {
    out.digits += text[i++];
    sawDigit = true;
  }
  if (i < n && text[i] == mark) {
    ++i;
    while (i < n && isDigit(text[i])) {
      out.digits += text[i++];
      --out.exponent;
      sawDigit = true;
    }
  }
  if (!sawDigit) return false;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negExp = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negExp = text[i++] == '-';
    if (i >= n || !isDigit(text[i])) return false;
    long e = 0;
    while (i < n && isDigit(text[i])) {
      if (e < 100000) e = e * 10 + (text[i] - '0');
      ++i;
    }
    out.exponent += negExp ? -e : e;
  }
  while (i < n && text[i] == ' ')
    ++i;
  return i == n;
}

}  // namespace

std::int32_t textToInt(std::string_view text) {
  // Digits only: a sign or a blank in a pager field is a non-digit like any other, so "-100"
  // can never become a negative budget or a byte of 0x9C in the image.
  if (text.empty()) notInteger(text);
  std::int64_t value = 0;
  for (const char c : text) {
    if (!isDigit(c)) notInteger(text);
    value = value * 10 + (c - '0');
    if (value > std::numeric_limits<std::int32_t>::max()) notInteger(text);
  }
  return static_cast<std::int32_t>(value);
}

std::optional<long> parseWholeNumber(std::string_view text) {
  long value = 0;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    first += 2;
    base = 16;
  }
  auto [ptr, ec] = std::from_chars(first, last, value, base);
  if (ec != std::errc() || ptr != last || first == last) return std::nullopt;
  return value;
}

long double textToFloat(std::string_view text, char decimalMark) {
  DecimalParts parts;
  if (!splitDecimal(text, decimalMark, parts)) notFloat(text);
  // strtold wants '.', whatever the mark was; the parts are plain ASCII by now.
  std::string plain =
      (parts.negative ? "-" : "") + parts.digits + "e" + std::to_string(parts.exponent);
  long double value = std::strtold(plain.c_str(), nullptr);
  if (!std::isfinite(value)) notFloat(text);
  return value;
}

std::int64_t textToScaled(std::string_view text, char decimalMark, int decimals) {
  DecimalParts parts;
  if (!splitDecimal(text, decimalMark, parts)) notFloat(text);
  long shift = parts.exponent + decimals;  // value*10^decimals = digits * 10^shift
  std::string digits = parts.digits;
  if (shift < 0) {
    long drop = -shift;
    digits = drop >= static_cast<long>(digits.size()) ? std::string("0")
                                                      : digits.substr(0, digits.size() - drop);
  } else {
    if (shift > 40) shift = 40;  // far beyond 64 bits anyway
    digits.append(static_cast<std::size_t>(shift), '0');
  }
  std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return 0;
  digits = digits.substr(first);
  if (digits.size() > 18) notFloat(text);
  std::int64_t value = std::stoll(digits);
  return parts.negative ? -value : value;
}

std::string scaledToText(std::int64_t value, int decimals, char decimalMark) {
  std::int64_t scale = 1;
  for (int i = 0; i < decimals; ++i)
    scale *= 10;
  bool negative = value < 0;
  std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  std::string text = (negative ? "-" : "") + std::to_string(magnitude / scale);
  std::uint64_t fraction = magnitude % scale;
  if (fraction != 0) {
    std::string digits = std::to_string(fraction);
    digits.insert(0, static_cast<std::size_t>(decimals) - digits.size(), '0');
    digits.erase(digits.find_last_not_of('0') + 1);
    text += decimalMark;
    text += digits;
  }
  return text;
}

std::string floatToText(long double value, char decimalMark) {
  if (value == 0) return "0";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15Lg", value);
  std::string text = buffer;
  std::size_t e = text.find('e');
  if (e != std::string::npos) {
    // "1.5e+20" -> "1.5E20", "1e-07" -> "1E-7", as the toolkit writes exponents.
    std::string mantissa = text.substr(0, e);
    std::string exponent = text.substr(e + 1);
    bool negExp = exponent[0] == '-';
    exponent = exponent.substr(1);
    exponent.erase(0, std::min(exponent.find_first_not_of('0'), exponent.size() - 1));
    text = mantissa + "E" + (negExp ? "-" : "") + exponent;
  }
  for (char& c : text) {
    if (c == '.') c = decimalMark;
  }
  return text;
}

}  // namespace capcode
