#include "core/conversions.hpp"

#include <gtest/gtest.h>

namespace capcode {
namespace {

TEST(TextToInt, AcceptsDecimalIntegers) {
  const struct {
    const char* text;
    std::int32_t value;
  } cases[] = {{"0", 0}, {"005", 5}, {"255", 255}, {"2147483647", 2147483647}};
  for (const auto& c : cases)
    EXPECT_EQ(textToInt(c.text), c.value) << c.text;
}

TEST(TextToInt, RefusesWithTheFrameworkMessage) {
  // A sign or a blank is a non-digit like any other: "-100" must never reach the image.
  for (const char* text : {"", " ", "12 ", " 12", "-1", "+7", "-100", "-2147483648", "1.5", "abc",
                           "0x10", "2147483648", "99999999999", "-", "1e3"}) {
    try {
      textToInt(text);
      ADD_FAILURE() << "accepted '" << text << "'";
    } catch (const ConversionError& e) {
      EXPECT_EQ(std::string(e.what()), "'" + std::string(text) + "' is not a valid integer value");
    }
  }
}

TEST(TextToFloat, ReadsWithTheDecimalMark) {
  EXPECT_DOUBLE_EQ(static_cast<double>(textToFloat("2.70", '.')), 2.70);
  EXPECT_DOUBLE_EQ(static_cast<double>(textToFloat("2,70", ',')), 2.70);
  EXPECT_DOUBLE_EQ(static_cast<double>(textToFloat(" 163 ", '.')), 163.0);
  EXPECT_DOUBLE_EQ(static_cast<double>(textToFloat("1.5E2", '.')), 150.0);
  EXPECT_DOUBLE_EQ(static_cast<double>(textToFloat("-.5", '.')), -0.5);
}

TEST(TextToFloat, RefusesWithTheFrameworkMessage) {
  const struct {
    const char* text;
    char mark;
  } cases[] = {{"", '.'}, {"2,70", '.'}, {"2.70", ','}, {"x", '.'}, {".", '.'}, {"1e", '.'}};
  for (const auto& c : cases) {
    try {
      textToFloat(c.text, c.mark);
      ADD_FAILURE() << "accepted '" << c.text << "'";
    } catch (const ConversionError& e) {
      EXPECT_EQ(std::string(e.what()),
                "'" + std::string(c.text) + "' is not a valid floating point value");
    }
  }
}

TEST(TextToScaled, KeepsEveryHertz) {
  const struct {
    const char* text;
    char mark;
    std::int64_t hertz;
  } cases[] = {{"146.56250", '.', 146562500},   {"146,56250", ',', 146562500},
               {"163", '.', 163000000},         {"499.99500", '.', 499995000},
               {"152.24", '.', 152240000},      {"0.0000009", '.', 0},
               {"146.5625009", '.', 146562500}, {"1.5e2", '.', 150000000}};
  for (const auto& c : cases)
    EXPECT_EQ(textToScaled(c.text, c.mark, 6), c.hertz) << c.text;
}

TEST(ScaledToText, WritesTheShortestForm) {
  EXPECT_EQ(scaledToText(163000000, 6, '.'), "163");
  EXPECT_EQ(scaledToText(146562500, 6, '.'), "146.5625");
  EXPECT_EQ(scaledToText(146562500, 6, ','), "146,5625");
  EXPECT_EQ(scaledToText(155000001, 6, '.'), "155.000001");
  EXPECT_EQ(scaledToText(0, 6, '.'), "0");
}

TEST(FloatToText, GeneralFormatWithTheMark) {
  EXPECT_EQ(floatToText(0, '.'), "0");
  EXPECT_EQ(floatToText(1.5L, '.'), "1.5");
  EXPECT_EQ(floatToText(1.49765625L, ','), "1,49765625");
  EXPECT_EQ(floatToText(1e20L, '.'), "1E20");
}

}  // namespace
}  // namespace capcode
