// Texts from outside the program never put a control character on the terminal, and counts
// are written in the right number.

#include "core/visible_text.hpp"

#include <gtest/gtest.h>

namespace capcode {
namespace {

TEST(VisibleText, ControlCharactersAreShownAsEscapes) {
  const struct {
    std::string_view text;
    const char* shown;
  } cases[] = {
      {"PO-17", "PO-17"},
      {"Jos\xC3\xA9 \xE2\x82\xAC", "Jos\xC3\xA9 \xE2\x82\xAC"},  // letters beyond ASCII stay
      {"a\x1B[2Jb", "a\\x1B[2Jb"},                               // ESC
      {"tab\there\r\n", "tab\\x09here\\x0D\\x0A"},
      {std::string_view("nul\0end", 7), "nul\\x00end"},
      {"del\x7F", "del\\x7F"},
      {"csi\xC2\x9B"
       "31m",
       "csi\\u009B31m"},  // C1 as UTF-8
      {"nel\xC2\x85", "nel\\u0085"},
      {"nbsp\xC2\xA0", "nbsp\xC2\xA0"},  // the first character after C1
      {"raw\x9B"
       "31m",
       "raw\\x9B31m"},                     // a lone byte that is no UTF-8
      {"cut\xE2\x82", "cut\\xE2\\x82"},    // a truncated sequence
      {"over\xC0\xAF", "over\\xC0\\xAF"},  // an overlong form
      {"back\\slash", "back\\slash"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(visibleText(c.text), c.shown) << c.shown;
}

TEST(Counted, OneIsSingularEveryOtherCountPlural) {
  const struct {
    std::size_t count;
    const char* one;
    const char* many;
    const char* text;
  } cases[] = {
      {0, "line", "", "0 lines"},   {1, "line", "", "1 line"},      {2, "line", "", "2 lines"},
      {1, "box", "boxes", "1 box"}, {3, "box", "boxes", "3 boxes"}, {21, "field", "", "21 fields"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(counted(c.count, c.one, c.many), c.text);
}

}  // namespace
}  // namespace capcode
