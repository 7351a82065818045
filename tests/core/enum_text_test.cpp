#include "core/enum_text.hpp"

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

// Checked when the tests are compiled. A table that leaves a value out, or names one twice in
// its place, must not compile quietly.
static_assert(namesEachValueOnce(kEnumTextLampWhole, EnumTextLamp::Blinking));
static_assert(!namesEachValueOnce(kEnumTextLampShort, EnumTextLamp::Blinking));
static_assert(!namesEachValueOnce(kEnumTextLampRepeated, EnumTextLamp::Blinking));
// A table longer than the enumeration (a value past the last) is caught too.
static_assert(!namesEachValueOnce(kEnumTextLampWhole, EnumTextLamp::Steady));

// Each value gets its own row's text, the first row when a value is named twice, and a value
// without a row the caller's default.
static_assert(std::string_view(enumText(kEnumTextLampWhole, EnumTextLamp::Blinking, "-")) ==
              "blinking");
static_assert(std::string_view(enumText(kEnumTextLampShort, EnumTextLamp::Blinking, "-")) == "-");
static_assert(std::string_view(enumText(kEnumTextLampRepeated, EnumTextLamp::Steady, "-")) ==
              "steady");

}  // namespace
}  // namespace capcode
