// The address rules' refusals as values: which row, why, and the line the person was shown,
// for a caller that clears them before an event and reads them after it.

#include "app/window_program.hpp"
#include "rules/address_rules.hpp"
#include "support/window_fixture.hpp"

namespace capcode {
namespace {

using testing::Lines;

const char* const kRangeLine =
    "] range out, should be within 8-2007663; 2007672-2045055; 2045064-2097143";
const char* const kDuplicateLine = "Same capcode address not allowed ";

std::string rangeLine(int row) {
  return "Address [" + std::to_string(row) + kRangeLine;
}

struct RefusalCase {
  const char* name;
  std::uint8_t revision;
  std::vector<std::pair<const char*, const char*>> rows;  // texts set before the event
  const char* steps;  // auto-increment steps from row 1 on ("8000", '-' none), "" to keep them
  const char* event;  // a control left, or "advance" for advanceAddresses
  RuleRefusalReason reason;
  const char* control;
  int row;
  std::string message;
  const char* lastControl;  // where the last refusal of the event put the focus
};

using enum RuleRefusalReason;

// clang-format off
const RefusalCase kCases[] = {
    {"RangeOnLeavingAShortCapcode", kHwB, {{"address3", "5"}}, "", "address3",
     CapcodeOutOfRange, "address3", 3, rangeLine(3), "address3"},
    {"FrameOfALedRow", kHwA2, {{"address5", "2004033"}}, "", "address5",
     FrameMismatch, "address5", 5, "Address [5] frame must same as Address [3]", "address5"},
    {"DuplicateAmongEightRows", kHwB, {{"address7", "2004000"}}, "", "address1",
     DuplicateCapcode, "address1", 1, kDuplicateLine, "address1"},
    // The step's list left with nothing picked.
    {"MissingStep", kHwB, {}, "0-", "autoinc2", StepMissing, "autoinc2", 2, "", "autoinc2"},
    // Row 1 steps onto row 2's capcode: every enabled row's exit rule then refuses, row 1's
    // first.
    {"AdvanceOntoTheNextRow", kHwB, {}, "8000", "advance",
     DuplicateCapcode, "address1", 1, kDuplicateLine, "address4"},
    // Under HW-A row 1 drags row 2 along, and row 2's exit rule refuses before row 1's.
    {"AdvanceDragsALedRowIntoADuplicate", kHwA2, {}, "8000", "advance",
     DuplicateCapcode, "address2", 2, kDuplicateLine, "address4"},
    // Row 3 steps past the last legal capcode: its change rule reports the range.
    {"AdvancePastTheLastCapcode", kHwB, {{"address3", "2097143"}, {"address4", "2097135"}},
     "0080", "advance", CapcodeOutOfRange, "address3", 3, rangeLine(3), "address3"},
};
// clang-format on

class RuleRefusals : public testing::WindowTest,
                     public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RuleRefusals, TheRuleSaysWhichRowAndWhy) {
  const RefusalCase& c = GetParam();
  state.HardwareRevision = c.revision;
  for (const auto& [control, text] : c.rows)
    set(control, text);
  for (int row = 1; c.steps[row - 1] != '\0'; ++row) {
    const char step = c.steps[row - 1];
    form.setIndex(rowControlName("autoinc", row), step == '-' ? -1 : step - '0');
  }
  events();
  state.clearRuleRefusals();
  if (std::string(c.event) == "advance") {
    run("advanceAddresses");
  } else {
    leave(c.event);
  }
  const auto& refusals = state.ruleRefusals();
  ASSERT_TRUE(refusals.first.has_value());
  EXPECT_EQ(refusals.first->reason, c.reason);
  EXPECT_EQ(refusals.first->control, c.control);
  EXPECT_EQ(refusals.first->row, c.row);
  EXPECT_EQ(refusals.first->message, c.message);
  ASSERT_TRUE(refusals.last.has_value());
  EXPECT_EQ(refusals.last->control, c.lastControl);
  // The value agrees with what the person was shown: the line and the focus.
  const Lines shown = events();
  if (!c.message.empty()) {
    EXPECT_NE(std::find(shown.begin(), shown.end(), "log: " + c.message), shown.end());
  }
  EXPECT_NE(std::find(shown.begin(), shown.end(), std::string("focus: ") + c.control), shown.end());
}

INSTANTIATE_TEST_SUITE_P(AddressRows, RuleRefusals, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

class RuleRefusalRecord : public testing::WindowTest {};

TEST_F(RuleRefusalRecord, ClearedBeforeAnEventItHoldsOnlyThatEventsRefusals) {
  state.HardwareRevision = kHwB;
  set("address7", "2004000");
  leave("address1");
  ASSERT_EQ(state.ruleRefusals().count, 1u);
  set("address7", "2004048");
  state.clearRuleRefusals();
  leave("address1");
  EXPECT_EQ(state.ruleRefusals().count, 0u);
  EXPECT_FALSE(state.ruleRefusals().first.has_value());
  EXPECT_FALSE(state.ruleRefusals().last.has_value());
}

TEST_F(RuleRefusalRecord, AnErrorIsNoRefusal) {
  // An empty row stops the duplicate check with the general error notice, not a rule's refusal.
  set("address8", "");
  state.clearRuleRefusals();
  leave("address1");
  EXPECT_EQ(events(), Lines{"error: '' is not a valid integer value"});
  EXPECT_EQ(state.ruleRefusals().count, 0u);
}

}  // namespace
}  // namespace capcode
