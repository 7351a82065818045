#pragma once
// Texts for the values of an enumeration, kept as one table of {value, text} rows: a message or
// a log line names a value by looking it up, and a table that misses or repeats a value is
// caught when it is compiled (see `namesEachValueOnce`).

#include <cstddef>
#include <type_traits>

namespace capcode {

template <typename Enum>
struct EnumText {
  Enum value;
  const char* text;  // a string literal: it lives as long as the program
};

// The text `table` gives `value`, or `otherwise` when no row holds it.
template <typename Enum, std::size_t N>
constexpr const char* enumText(const EnumText<Enum> (&table)[N], Enum value,
                               const char* otherwise) {
  for (const EnumText<Enum>& row : table) {
    if (row.value == value) return row.text;
  }
  return otherwise;
}

// True when `table` holds each value from 0 to `last` exactly once (for an enumeration whose
// values run from 0 without a gap): a value added to the enumeration and not to the table fails
// the static_assert that calls this.
template <typename Enum, std::size_t N>
constexpr bool namesEachValueOnce(const EnumText<Enum> (&table)[N], Enum last) {
  using Number = std::underlying_type_t<Enum>;
  if (static_cast<std::size_t>(static_cast<Number>(last)) + 1 != N) return false;
  for (std::size_t i = 0; i < N; ++i) {
    const auto number = static_cast<std::size_t>(static_cast<Number>(table[i].value));
    if (number >= N) return false;
    for (std::size_t j = i + 1; j < N; ++j) {
      if (table[j].value == table[i].value) return false;
    }
  }
  return true;
}

}  // namespace capcode
