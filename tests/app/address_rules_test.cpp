// The address rules as the window runs them.

#include "rules/address_rules.hpp"

#include "app/window_program.hpp"
#include "support/table_rows.hpp"
#include "support/window_fixture.hpp"

namespace capcode {
namespace {

using testing::Lines;

const std::string kRange1 =
    "log: Address [1] range out, should be within 8-2007663; 2007672-2045055; 2045064-2097143";

class AddressRules : public testing::WindowTest {};

TEST_F(AddressRules, RangeMessageNamesTheRowOnlyAtSevenDigits) {
  set("address3", "");
  type("address3", "200766");  // out of range but still being typed: silent
  EXPECT_EQ(events(), Lines{});
  EXPECT_EQ(text("frame3"), "6");  // 200766 itself is legal... its frame shows
  type("address3", "4");
  EXPECT_EQ(events(), (Lines{"beep",
                             "log: Address [3] range out, should be within 8-2007663; "
                             "2007672-2045055; 2045064-2097143",
                             "focus: address3"}));
  EXPECT_EQ(text("frame3"), "6");  // an illegal capcode keeps the last frame
}

TEST_F(AddressRules, AnOverLongCapcodeIsReportedNeverEncodedAsAnother) {
  // Assigned or pasted past the typing limit: 8 digits that would encode as some other capcode.
  const std::string kRange3 =
      "log: Address [3] range out, should be within 8-2007663; 2007672-2045055; 2045064-2097143";
  for (const char* text : {"20040001", "200400000"}) {
    set("address3", text);
    EXPECT_EQ(events(), (Lines{"beep", kRange3, "focus: address3"})) << text;
  }
  set("address3", "02004016");  // a legal value with a leading zero is still a capcode
  EXPECT_EQ(events(), Lines{});
  EXPECT_EQ(text("frame3"), "0");
}

TEST_F(AddressRules, LeavingAShortCapcodePadsItThenReportsTheRange) {
  set("address1", "5");
  events();
  leave("address1");
  EXPECT_EQ(text("address1"), "0000005");
  // Reported when the padded text stands in the field, and again by the final change rule.
  EXPECT_EQ(events(),
            (Lines{"beep", kRange1, "focus: address1", "beep", kRange1, "focus: address1"}));
}

TEST_F(AddressRules, EmptyCapcodeBlanksTheFrame) {
  set("address4", "");
  EXPECT_EQ(text("frame4"), " ");
}

TEST_F(AddressRules, LeaderDragsItsLedRowsOntoItsFrameUnderHwA) {
  set("address1", "");
  type("address1", "2004001");
  EXPECT_EQ(text("address2"), "2004009");
  EXPECT_EQ(text("frame2"), "1");
  set("address3", "2004021");  // frame 5
  EXPECT_EQ(text("address4"), "2004029");
  EXPECT_EQ(text("address5"), "2004037");
  EXPECT_EQ(text("address6"), "2004045");
  EXPECT_EQ(text("frame6"), "5");
  EXPECT_EQ(events(), Lines{});
}

TEST_F(AddressRules, HwBPairsNoRows) {
  state.HardwareRevision = kHwB;
  set("address1", "2004001");
  set("address3", "2004021");
  EXPECT_EQ(text("address2"), "2004008");
  EXPECT_EQ(text("address4"), "2004024");
}

TEST_F(AddressRules, AlignmentCanCollideAndIsReportedByTheLedRow) {
  // Row 2 two blocks up but on frame 0; moving row 1 to 2004017 drags row 2 to 2004017 too.
  set("address2", "2004016");
  set("address3", "2004032");
  set("address4", "2004040");
  set("address5", "2004048");
  set("address6", "2004056");
  events();
  set("address1", "2004017");
  EXPECT_EQ(text("address2"), "2004017");
  EXPECT_EQ(events(), (Lines{"beep", "log: Same capcode address not allowed ", "focus: address2"}));
}

TEST_F(AddressRules, DuplicatesCountAmongComparedRowsOnly) {
  const struct {
    std::uint8_t revision;
    const char* row7;
    bool reported;
  } cases[] = {{kHwA2, "2004000", false}, {kHwA3, "2004000", false}, {kHwB, "2004000", true}};
  for (const auto& c : cases) {
    state.HardwareRevision = c.revision;
    set("address7", c.row7);
    events();
    leave("address1");
    const Lines expected =
        c.reported ? Lines{"beep", "log: Same capcode address not allowed ", "focus: address1"}
                   : Lines{};
    EXPECT_EQ(events(), expected) << int(c.revision);
    set("address7", "2004048");
  }
}

TEST_F(AddressRules, DuplicateOfDisabledRowsStillStopsAnEnabledRow) {
  set("address4", "2004016");  // equal to row 3
  check("addr3en", false);
  check("addr4en", false);
  events();
  leave("address1");
  EXPECT_EQ(events(), (Lines{"beep", "log: Same capcode address not allowed ", "focus: address1"}));
  form.at("frame4").text = "?";
  leave("address4");  // a disabled row ignores the duplicate and goes on to its change rule
  EXPECT_EQ(events(), Lines{});
  EXPECT_EQ(text("frame4"), "0");
}

TEST_F(AddressRules, FrameMessagesForLedRows) {
  const test::ThreeTexts cases[] = {
      {"address2", "2004009", "log: Address [2] frame must same as Address [1]"},
      {"address4", "2004025", "log: Address [4] frame must same as Address [3]"},
      {"address5", "2004033", "log: Address [5] frame must same as Address [3]"},
      {"address6", "2004041", "log: Address [6] frame must same as Address [3]"}};
  for (const auto& [row, capcode, message] : cases) {
    const std::string before = text(row);
    set(row, capcode);
    events();
    leave(row);
    EXPECT_EQ(events(), (Lines{message, std::string("focus: ") + row, "beep"}));
    EXPECT_EQ(text(row), capcode);
    set(row, before);
  }
}

TEST_F(AddressRules, AnEmptyRowStopsTheDuplicateCheckWithTheErrorNotice) {
  set("address8", "");
  leave("address1");
  EXPECT_EQ(events(), Lines{"error: '' is not a valid integer value"});
}

TEST_F(AddressRules, EnableBoxLocksTheRowAndItsFolders) {
  click("addr2en");
  for (const char* field : {"address2", "frame2", "autoinc2", "msgtype2", "addr2formatA",
                            "addr2formatD", "urgent2A", "urgent2D"}) {
    EXPECT_FALSE(enabled(field)) << field;
  }
  for (const char* folder : {"4", "5", "6", "7"}) {
    EXPECT_FALSE(checked(std::string("pubboxact") + folder));
    EXPECT_FALSE(enabled(std::string("pubboxact") + folder));
    EXPECT_FALSE(enabled(std::string("pubbox") + folder));
    EXPECT_FALSE(enabled(std::string("pubboxlength") + folder));
  }
  EXPECT_EQ(text("address2"), "2004008");  // values stay
  click("addr2en");
  EXPECT_TRUE(enabled("address2"));
  EXPECT_TRUE(enabled("pubboxact4"));
  EXPECT_FALSE(checked("pubboxact4"));  // the user ticks them again
  EXPECT_FALSE(enabled("pubbox4"));
}

TEST_F(AddressRules, RowsSevenAndEightOwnNoFolders) {
  click("addr7en");
  EXPECT_FALSE(enabled("address7"));
  EXPECT_FALSE(enabled("msgtype7"));
  click("addr7en");
  EXPECT_TRUE(enabled("address7"));
  EXPECT_FALSE(enabled("msgtype7"));   // always fixed at "Private"
  EXPECT_TRUE(checked("pubboxactK"));  // folders untouched
  EXPECT_TRUE(enabled("pubboxactK"));
}

TEST_F(AddressRules, PrivateRowSwitchesItsFolderGroupOff) {
  pick("msgtype3", 0);
  for (const char* suffix : {"8", "9", "A", "B"}) {
    EXPECT_FALSE(checked(std::string("pubboxact") + suffix)) << suffix;
    EXPECT_FALSE(enabled(std::string("pubboxlength") + suffix)) << suffix;
  }
  EXPECT_TRUE(checked("pubboxactC"));
  pick("msgtype3", 1);
  EXPECT_TRUE(enabled("pubboxact8"));
  EXPECT_FALSE(checked("pubboxact8"));
}

TEST_F(AddressRules, AutoIncrementAcceptsZeroToEight) {
  key("autoinc1", '\b');
  EXPECT_EQ(index("autoinc1"), -1);
  leave("autoinc1");
  EXPECT_EQ(events(), Lines{"focus: autoinc1"});
  key("autoinc1", '9');
  EXPECT_EQ(events(), Lines{"beep"});
  EXPECT_EQ(index("autoinc1"), -1);
  key("autoinc1", '8');
  EXPECT_EQ(index("autoinc1"), 8);
  leave("autoinc1");
  EXPECT_EQ(events(), Lines{});
}

TEST_F(AddressRules, AdvanceMovesRowsOneToFour) {
  const struct {
    std::uint8_t revision;
    int step1, step2, step3, step4;
    const char *a1, *a2, *a3, *a4, *a5;
  } cases[] = {
      {kHwA2, 8, 8, 8, 8, "2004008", "2004016", "2004024", "2004032", "2004032"},
      {kHwA2, 1, 0, 0, 0, "2004001", "2004009", "2004016", "2004024", "2004032"},
      {kHwB, 1, 0, 0, 0, "2004001", "2004008", "2004016", "2004024", "2004032"},
  };
  for (const auto& c : cases) {
    testing::RecordingFeedback feedback;
    WindowProgram fresh(feedback);
    fresh.ConfigImage = defaultImageA();
    decodeImage(fresh);
    fresh.HardwareRevision = c.revision;
    fresh.form.setIndex("autoinc1", c.step1);
    fresh.form.setIndex("autoinc2", c.step2);
    fresh.form.setIndex("autoinc3", c.step3);
    fresh.form.setIndex("autoinc4", c.step4);
    fresh.event([&] { fresh.form.runHandler("advanceAddresses"); });
    EXPECT_EQ(fresh.form.text("address1"), c.a1);
    EXPECT_EQ(fresh.form.text("address2"), c.a2);
    EXPECT_EQ(fresh.form.text("address3"), c.a3);
    EXPECT_EQ(fresh.form.text("address4"), c.a4);
    EXPECT_EQ(fresh.form.text("address5"), c.a5);
  }
}

}  // namespace
}  // namespace capcode