#include "rules/folder_rules.hpp"

#include "support/table_rows.hpp"
#include "support/window_fixture.hpp"

namespace capcode {
namespace {

using testing::Lines;

const char* const kTrim = "log: Out of total length 1024, trim down the length automatic";

class FolderRules : public testing::WindowTest {
 protected:
  // Every folder active at `length`, with the private reserve at `reserve`.
  void allActive(const std::string& length, const std::string& reserve) {
    for (int k = 0; k < kFolders; ++k) {
      check(folderControlName("pubboxact", k), true);
      set(folderControlName("pubboxlength", k), length);
    }
    set("maxprivate", reserve);
    events();
  }
};

TEST_F(FolderRules, BudgetWithinMemoryKeepsTheLength) {
  allActive("10", "60");
  set("pubboxlength0", "99");
  leave("pubboxlength0");
  EXPECT_EQ(text("pubboxlength0"), "99");
  EXPECT_EQ(events(), Lines{});
}

TEST_F(FolderRules, ExcessIsTakenFromTheFolderJustLeft) {
  allActive("41", "60");
  set("pubboxlengthM", "38");  // 23 folders: 22 x 41 + 38 = 940
  set("pubboxlengthN", "");
  events();
  type("pubboxlengthN", "40");
  leave("pubboxlengthN");
  EXPECT_EQ(text("pubboxlengthN"), "24");
  EXPECT_EQ(events(), (Lines{kTrim, "beep"}));
}

TEST_F(FolderRules, ZeroLengthIsRefused) {
  for (const char* zero : {"0", "00"}) {
    set("pubboxlength9", zero);
    events();
    leave("pubboxlength9");
    EXPECT_EQ(events(),
              (Lines{"log: Length should large than ZERO", "beep", "focus: pubboxlength9"}));
    EXPECT_EQ(text("pubboxlength9"), zero);
  }
}

TEST_F(FolderRules, InactiveFoldersCountNothing) {
  allActive("10", "60");
  check("pubboxact3", false);
  set("pubboxlength3", "99");
  set("pubboxlength4", "99");
  events();
  state.event([&] { EXPECT_EQ(folderExcess(state), 0); });
}

TEST_F(FolderRules, TrimsByTheExcessButNeverBelowOne) {
  // Raising lengths or the reserve elsewhere can leave more excess than one folder holds.
  const struct {
    const char* length;
    const char* trimmedTo;
    bool over;
  } cases[] = {{"40", "40", false},  // 24 x 40 + 60 = 1020
               {"41", "21", true},   // 1044: excess 20
               {"42", "1", true},    // 1068: excess 44, more than the folder's own 42
               {"50", "1", true}};   // 1260: excess 236
  for (const auto& c : cases) {
    allActive(c.length, "60");
    leave("pubboxlength5");
    EXPECT_EQ(text("pubboxlength5"), c.trimmedTo) << c.length;
    EXPECT_EQ(events(), (c.over ? Lines{kTrim, "beep"} : Lines{})) << c.length;
  }
}

TEST_F(FolderRules, LengthAcceptsDigitsOnly) {
  set("pubboxlengthC", "");
  type("pubboxlengthC", "a7");
  EXPECT_EQ(text("pubboxlengthC"), "7");
  EXPECT_EQ(events(), Lines{"beep"});
  type("pubboxlengthC", "12");  // two characters at most
  EXPECT_EQ(text("pubboxlengthC"), "71");
}

TEST_F(FolderRules, ActiveBoxLocksNameAndLength) {
  click("pubboxact5");
  EXPECT_FALSE(enabled("pubbox5"));
  EXPECT_FALSE(enabled("pubboxlength5"));
  click("pubboxact5");
  EXPECT_TRUE(enabled("pubbox5"));
  EXPECT_TRUE(enabled("pubboxlength5"));
}

TEST_F(FolderRules, NamesAndHelloLinesArePaddedOnLeaving) {
  const test::ThreeTexts cases[] = {{"pubbox0", "NEWS", "NEWS     "},
                                    {"pubbox1", "ABCDEFGHI", "ABCDEFGHI"},
                                    {"pubbox2", "FOLDER 02  ", "FOLDER 02  "},
                                    {"hellomsg1", "HI", "HI                  "},
                                    {"hellomsg2", "12345678901234567890", "12345678901234567890"}};
  for (const auto& [field, before, after] : cases) {
    set(field, before);
    leave(field);
    EXPECT_EQ(text(field), after) << field;
  }
}

TEST_F(FolderRules, UnreadableLengthOfAnActiveFolderIsTheErrorNotice) {
  set("pubboxlengthG", "");
  events();
  leave("pubboxlength4");
  EXPECT_EQ(events(), Lines{"error: '' is not a valid integer value"});
}

}  // namespace
}  // namespace capcode
