#include "core/form_model.hpp"

#include <gtest/gtest.h>

#include "app/window_program.hpp"
#include "core/conversions.hpp"
#include "core/program_state.hpp"
#include "support/recording_feedback.hpp"

namespace capcode {
namespace {

class Cascade : public ::testing::Test {
 protected:
  Cascade() {
    form.attach(ControlEvent::Change, "hellomsg1", "hellomsg1Change",
                [this] { seen.push_back("hellomsg1=" + form.text("hellomsg1")); });
    form.attach(ControlEvent::Click, "alarm", "alarmClick", [this] {
      seen.push_back(std::string("alarm=") + (form.checked("alarm") ? "on" : "off"));
    });
    form.attach(ControlEvent::Change, "zoom", "zoomChange",
                [this] { seen.push_back("zoom=" + std::to_string(form.index("zoom"))); });
    form.attach(ControlEvent::Exit, "hellomsg2", "hellomsg2Exit",
                [this] { seen.push_back("exit"); });
  }

  testing::RecordingFeedback feedback;
  WindowProgram state{feedback};
  FormModel& form = state.form;
  std::vector<std::string> seen;
};

TEST_F(Cascade, AssigningRunsTheRuleOnlyWhenTheValueChanges) {
  form.setText("hellomsg1", "abc");
  form.setText("hellomsg1", "abc");
  form.setChecked("alarm", true);
  form.setChecked("alarm", true);
  form.setIndex("zoom", 1);  // selecting from code runs no rule
  EXPECT_EQ(seen, (std::vector<std::string>{"hellomsg1=abc", "alarm=on"}));
  EXPECT_EQ(form.index("zoom"), 1);
}

TEST_F(Cascade, ClearedThenInsertedSeesEmptyFirstAndIsCutToTheLimit) {
  form.setText("hellomsg1", "old");
  seen.clear();
  form.clearThenInsert("hellomsg1", "123456789012345678901234");
  EXPECT_EQ(seen, (std::vector<std::string>{"hellomsg1=", "hellomsg1=12345678901234567890"}));
  seen.clear();
  // Whole assignment keeps a text longer than the typing limit.
  form.setText("hellomsg1", "123456789012345678901234");
  EXPECT_EQ(form.text("hellomsg1").size(), 24u);
}

TEST_F(Cascade, KeystrokesPassFilterThenLimitThenChangeRule) {
  form.attachKeyFilter("hellomsg1", [](char& key) {
    if (key == 'x') key = 0;
  });
  form.setText("hellomsg1", "1234567890123456789");
  seen.clear();
  form.userType("hellomsg1", "x");   // refused by the filter
  form.userType("hellomsg1", "AB");  // the second one hits the typing limit of 20
  form.userKey("hellomsg1", '\b');
  EXPECT_EQ(seen, (std::vector<std::string>{"hellomsg1=1234567890123456789A",
                                            "hellomsg1=1234567890123456789"}));
}

TEST_F(Cascade, PickRunsTheListRuleAndOutOfRangeIndexSelectsNothing) {
  form.userPick("zoom", 1);
  EXPECT_EQ(seen, (std::vector<std::string>{"zoom=1"}));
  form.setIndex("zoom", 2);
  EXPECT_EQ(form.index("zoom"), -1);
  EXPECT_THROW(form.userPick("zoom", 5), std::out_of_range);
}

TEST_F(Cascade, ClickTogglesAndLeaveRunsTheExitRule) {
  form.userClick("alarm");
  form.userClick("alarm");
  form.leave("hellomsg2");
  EXPECT_EQ(seen, (std::vector<std::string>{"alarm=on", "alarm=off", "exit"}));
}

TEST_F(Cascade, AnErrorEndsEveryCallerAndEarlierChangesStay) {
  // alarm's rule sets a text, then converts a text that is not a number; the caller's own
  // work after the failing call never runs.
  form.attach(ControlEvent::Click, "alarm", "alarmClick", [this] {
    form.setText("alarmhour", "7");
    textToInt(form.text("alarmminute"));
    form.setText("alarmhour", "8");
  });
  form.setText("alarmminute", "x");
  bool callerFinished = false;
  EXPECT_FALSE(state.event([&] {
    form.setChecked("alarm", true);
    callerFinished = true;
  }));
  EXPECT_FALSE(callerFinished);
  EXPECT_EQ(form.text("alarmhour"), "7");
  EXPECT_TRUE(form.checked("alarm"));
  EXPECT_EQ(feedback.events, (std::vector<std::string>{"error: 'x' is not a valid integer value"}));
}

TEST_F(Cascade, HandlersRunByNameAndMissingOnesDoNothing) {
  EXPECT_TRUE(form.runHandler("hellomsg2Exit"));
  EXPECT_FALSE(form.runHandler("noSuchRule"));
  EXPECT_EQ(seen, (std::vector<std::string>{"exit"}));
}

TEST(Families, RowsAndFoldersReachTheirMembers) {
  testing::RecordingFeedback feedback;
  WindowProgram state(feedback);
  EXPECT_EQ(state.form.row("address", 3).text, "2004016");
  EXPECT_EQ(state.form.row("addr", 7, "formatD").name, "addr7formatD");
  EXPECT_EQ(state.form.folder("pubboxlength", 10).name, "pubboxlengthA");
  EXPECT_EQ(state.form.folder("pubbox", 23).name, "pubboxN");
  EXPECT_EQ(state.form.folder("pubbox", 0).text, "FOLDER 00 ");
  EXPECT_EQ(state.form.folder("pubbox", 1).text, "FOLDER 01  ");
  EXPECT_FALSE(state.form.row("msgtype", 7).enabled);
  EXPECT_TRUE(state.form.has("pnsg27"));
  EXPECT_FALSE(state.form.has("pmsg27"));
}

TEST(Families, HiddenPagesAndDisabledFieldsAreOutOfReach) {
  testing::RecordingFeedback feedback;
  WindowProgram state(feedback);
  EXPECT_TRUE(state.form.reachable("address1"));
  EXPECT_FALSE(state.form.reachable("contrast"));  // disabled by design
  EXPECT_FALSE(state.form.reachable("pmsg1"));     // its page tab is hidden
  EXPECT_FALSE(state.form.reachable("bs1_8212"));  // hidden
  state.form.setVisible("hardware", false);
  EXPECT_FALSE(state.form.reachable("fullbat"));
}

}  // namespace
}  // namespace capcode

namespace capcode {
namespace {

TEST(CaretTyping, KeysGoToTheCaretAndReplaceTheSelection) {
  testing::RecordingFeedback feedback;
  WindowProgram state(feedback);
  FormModel& form = state.form;
  using Caret = FormModel::Caret;
  const struct {
    const char* before;
    char key;
    Caret caret;
    const char* after;
    std::size_t caretAfter;
  } cases[] = {
      {"2004000", '5', {0, 7}, "5", 1},         // all selected (a field entered with Tab)
      {"200400", '9', {3, 0}, "2009400", 4},    // in the middle
      {"2004000", '9', {3, 0}, "2004000", 3},   // the typing limit of 7
      {"2004000", '1', {6, 1}, "2004001", 7},   // the limit allows replacing a selection
      {"2004000", '\b', {4, 0}, "200000", 3},   // backspace before the caret
      {"2004000", '\b', {2, 3}, "2000", 2},     // backspace deletes the selection
      {"2004000", '\b', {0, 0}, "2004000", 0},  // nothing before the caret
      {"2004", 'x', {1, 0}, "2004", 4},         // refused by the digits filter
  };
  for (const auto& c : cases) {
    form.at("address5").text = c.before;
    std::size_t after = 0;
    state.event([&] { after = form.userKey("address5", c.key, c.caret); });
    EXPECT_EQ(form.text("address5"), c.after) << c.before << " " << c.key;
    if (c.key != 'x') {
      EXPECT_EQ(after, c.caretAfter) << c.before << " " << c.key;
    }
  }
}

TEST(CaretTyping, AFilterThatEditsTheTextSendsTheCaretToTheEnd) {
  testing::RecordingFeedback feedback;
  WindowProgram state(feedback);
  state.form.at("frequency").text = "14";
  std::size_t after = 0;
  state.event([&] { after = state.form.userKey("frequency", '6', FormModel::Caret{0, 0}); });
  EXPECT_EQ(state.form.text("frequency"), "146.");
  EXPECT_EQ(after, 4u);
}

}  // namespace
}  // namespace capcode
