#include "core/enum_text.hpp"

#include <gtest/gtest.h>

#include <string_view>

namespace capcode {
namespace {

enum class EnumTextLamp { Off, Steady, Blinking };

constexpr EnumText<EnumTextLamp> kEnumTextLampWhole[] = {{EnumTextLamp::Off, "off"},
                                                         {EnumTextLamp::Steady, "steady"},
                                                         {EnumTextLamp::Blinking, "blinking"}};
constexpr EnumText<EnumTextLamp> kEnumTextLampShort[] = {{EnumTextLamp::Off, "off"},
                                                         {EnumTextLamp::Steady, "steady"}};
constexpr EnumText<EnumTextLamp> kEnumTextLampRepeated[] = {
    {EnumTextLamp::Off, "off"}, {EnumTextLamp::Steady, "steady"}, {EnumTextLamp::Steady, "lit"}};

// A table that leaves a value out, or names one twice in its place, must not compile quietly.
static_assert(namesEachValueOnce(kEnumTextLampWhole, EnumTextLamp::Blinking));
static_assert(!namesEachValueOnce(kEnumTextLampShort, EnumTextLamp::Blinking));
static_assert(!namesEachValueOnce(kEnumTextLampRepeated, EnumTextLamp::Blinking));
// A table longer than the enumeration (a value past the last) is caught too.
static_assert(!namesEachValueOnce(kEnumTextLampWhole, EnumTextLamp::Steady));

TEST(EnumText, EachValueGetsItsRowsTextAndAValueWithoutARowTheDefault) {
  const struct {
    EnumTextLamp value;
    std::string_view whole;   // from the table that names every value
    std::string_view short_;  // from the table that leaves Blinking out
  } lamps[] = {
      {EnumTextLamp::Off, "off", "off"},
      {EnumTextLamp::Steady, "steady", "steady"},
      {EnumTextLamp::Blinking, "blinking", "no row"},
  };
  for (const auto& lamp : lamps) {
    EXPECT_EQ(enumText(kEnumTextLampWhole, lamp.value, "no row"), lamp.whole);
    EXPECT_EQ(enumText(kEnumTextLampShort, lamp.value, "no row"), lamp.short_);
  }
  EXPECT_STREQ(enumText(kEnumTextLampRepeated, EnumTextLamp::Steady, "no row"), "steady");
}

}  // namespace
}  // namespace capcode
