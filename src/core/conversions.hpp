#pragma once
// Number <-> text conversions with the window toolkit's semantics and messages. A failed
// conversion throws ConversionError; the event's top level shows it as the general error notice.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace capcode {

// Any error a rule raises that the window shows in its general error notice.
class ProgramError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ConversionError : public ProgramError {
 public:
  using ProgramError::ProgramError;
};

// Reads a decimal integer of digits only (no sign, no blank) that fits 32 bits.
// Throws ConversionError "'<text>' is not a valid integer value".
std::int32_t textToInt(std::string_view text);

// Reads a whole number given to the automation: decimal, or hexadecimal after "0x". Nothing
// when the text is not one.
std::optional<long> parseWholeNumber(std::string_view text);

// Reads a number written with `decimalMark` (blanks around it, a sign and an exponent allowed).
// Throws ConversionError "'<text>' is not a valid floating point value".
long double textToFloat(std::string_view text, char decimalMark);

// Reads a number as textToFloat does and returns it times 10^decimals with the fraction dropped
// (towards zero), exactly, without binary rounding: ("146.56250", '.', 6) -> 146562500.
// Throws ConversionError as textToFloat, or when the result does not fit 64 bits.
std::int64_t textToScaled(std::string_view text, char decimalMark, int decimals);

// The shortest decimal form of value / 10^decimals: (163000000, 6) -> "163",
// (146562500, 6) -> "146.5625". Exact.
std::string scaledToText(std::int64_t value, int decimals, char decimalMark);

// A floating value in the toolkit's general format: up to 15 significant digits, no trailing
// zeros, exponent form only for very large or very small values.
std::string floatToText(long double value, char decimalMark);

}  // namespace capcode
