#include "rules/feature_rules.hpp"

#include <algorithm>
#include <iterator>
#include <map>
#include <set>

#include "app/window_program.hpp"
#include "support/table_rows.hpp"
#include "support/window_fixture.hpp"

namespace capcode {
namespace {

using testing::Lines;

class FeatureRules : public testing::WindowTest {};

TEST_F(FeatureRules, ClampsReplaceValuesAboveTheLimit) {
  const test::ThreeTexts cases[] = {{"lcdholdtime", "256", "255"}, {"lcdholdtime", "000", "000"},
                                    {"maxprivate", "61", "60"},    {"autooffstart", "25", "24"},
                                    {"autooffstart", "24", "24"},  {"autooffstop", "99", "24"},
                                    {"unread_alert", "75", "60"},  {"alerttime", "300", "255"}};
  for (const auto& [field, typed, result] : cases) {
    if (!enabled(field)) form.setEnabled(field, true);
    set(field, "");
    type(field, typed);
    EXPECT_EQ(text(field), result) << field << " " << typed;
  }
  EXPECT_EQ(events(), Lines{});
}

TEST_F(FeatureRules, AlertTimeIsClampedAtTheThirdKeystroke) {
  set("alerttime", "");
  type("alerttime", "30");
  EXPECT_EQ(text("alerttime"), "30");
  type("alerttime", "0");
  EXPECT_EQ(text("alerttime"), "255");
}

TEST_F(FeatureRules, RemindAlertFollowsALongerAlert) {
  const test::ThreeTexts cases[] = {
      {"3", "255", "5"}, {"3", "180", "3"}, {"0", "255", "0"}, {"2", "121", "3"}};
  for (const auto& [remind, alert, remindAfter] : cases) {
    set("unread_alert", remind);
    set("alerttime", alert);
    EXPECT_EQ(text("unread_alert"), remindAfter) << remind << " " << alert;
    set("alerttime", "");
  }
}

TEST_F(FeatureRules, EmptyRemindWhileAlertChangesIsTheErrorNotice) {
  set("unread_alert", "");
  set("alerttime", "60");
  EXPECT_EQ(events(), Lines{"error: '' is not a valid integer value"});
}

TEST_F(FeatureRules, ContrastIsBroughtInto8To63OnLeaving) {
  const std::pair<const char*, const char*> cases[] = {{"5", "08"},  {"0", "08"},  {"7", "08"},
                                                       {"70", "63"}, {"64", "63"}, {"08", "08"},
                                                       {"63", "63"}};
  for (const auto& [typed, result] : cases) {
    set("contrast", typed);
    leave("contrast");
    EXPECT_EQ(text("contrast"), result) << typed;
  }
  set("contrast", "");
  leave("contrast");
  EXPECT_EQ(events(), Lines{"error: '' is not a valid integer value"});
}

TEST_F(FeatureRules, SpecialVibrateLocksTheAlert) {
  pick("vibratetype", 3);
  EXPECT_EQ(text("alerttime"), "12");
  EXPECT_EQ(index("alerttype"), 1);
  EXPECT_EQ(index("alertmode"), 1);
  for (const char* f : {"alerttime", "alerttype", "alertmode"})
    EXPECT_FALSE(enabled(f)) << f;
  pick("vibratetype", 0);
  for (const char* f : {"alerttime", "alerttype", "alertmode"})
    EXPECT_TRUE(enabled(f)) << f;
  EXPECT_EQ(text("alerttime"), "12");
  EXPECT_EQ(index("alerttype"), 1);
}

TEST_F(FeatureRules, AlertTypeDecidesVibrationAndMode) {
  const struct {
    int type;
    bool vibrateEditable, modeEditable;
    int vibrate, mode;
  } cases[] = {{0, false, true, 0, 0},
               {1, true, false, 2, 1},
               {2, true, false, 2, 1},
               {3, true, true, 2, 0}};
  for (const auto& c : cases) {
    form.setIndex("vibratetype", 2);
    form.setIndex("alertmode", 0);
    pick("alerttype", c.type);
    EXPECT_EQ(enabled("vibratetype"), c.vibrateEditable) << c.type;
    EXPECT_EQ(enabled("alertmode"), c.modeEditable) << c.type;
    EXPECT_EQ(index("vibratetype"), c.vibrate) << c.type;
    EXPECT_EQ(index("alertmode"), c.mode) << c.type;
  }
}

TEST_F(FeatureRules, RepeatCallCheckingAndTheIndicatorFollowEachOther) {
  pick("repeatcallreject", 5);
  click("repeatmsg");  // off
  EXPECT_EQ(index("repeatcallcheck"), 2);
  EXPECT_EQ(index("repeatcallreject"), 0);
  EXPECT_FALSE(enabled("repeatcallreject"));
  EXPECT_TRUE(enabled("repeatcallcheck"));
  pick("repeatcallcheck", 1);
  EXPECT_TRUE(checked("repeatmsg"));
  EXPECT_TRUE(enabled("repeatcallreject"));
  pick("repeatcallcheck", 2);
  EXPECT_FALSE(checked("repeatmsg"));
  EXPECT_FALSE(enabled("repeatcallreject"));
}

TEST_F(FeatureRules, StatusAndTimeDisplayDriveTheTimeStamp) {
  check("msgstatus", true);
  check("timedisplay", false);
  EXPECT_FALSE(checked("datetime"));
  EXPECT_FALSE(enabled("datetime"));
  click("msgstatus");
  click("msgstatus");
  EXPECT_TRUE(enabled("datetime"));
  EXPECT_FALSE(checked("datetime"));
}

TEST_F(FeatureRules, PrefixBoxesMirrorEachOther) {
  check("timeprefix", false);
  EXPECT_FALSE(checked("msgstatusprefix"));
  click("msgstatusprefix");
  EXPECT_TRUE(checked("timeprefix"));
  click("timeprefix");
  EXPECT_FALSE(checked("msgstatusprefix"));
}

// A box that makes fields editable: ticked, its fields take typing; cleared, they are locked
// again and nothing else changes; ticked once more, the same fields open. No two boxes share a
// field, and the contrast opens with its own switch only.
TEST_F(FeatureRules, BoxesSwitchTheirFieldsEditable) {
  const auto editable = [this] {
    std::set<std::string> names;
    for (const Control* c : form.controls())
      if (c->enabled) names.insert(c->name);
    return names;
  };
  std::map<std::string, std::string> switchedBy;  // field -> its box
  for (const char* box : {"handprog", "autooff", "toneonlymsg", "alarm", "contrast_enable"}) {
    check(box, true);
    const std::set<std::string> on = editable();
    check(box, false);
    const std::set<std::string> off = editable();
    std::vector<std::string> opened;
    std::set_difference(on.begin(), on.end(), off.begin(), off.end(), std::back_inserter(opened));
    EXPECT_FALSE(opened.empty()) << box << " switches nothing";
    EXPECT_TRUE(std::includes(on.begin(), on.end(), off.begin(), off.end())) << box;
    for (const std::string& field : opened) {
      EXPECT_TRUE(switchedBy.emplace(field, box).second)
          << field << " is switched by " << switchedBy[field] << " and " << box;
    }
    check(box, true);
    EXPECT_EQ(editable(), on) << box;
  }
  EXPECT_EQ(switchedBy["contrast"], "contrast_enable");
  EXPECT_EQ(switchedBy["alarmhour"], "alarm");
  EXPECT_EQ(switchedBy["handprogpws"], "handprog");
}

TEST_F(FeatureRules, KeyFiltersRefuseWhatTheFieldCannotHold) {
  const struct {
    const char* field;
    char key;
    Lines refused;
  } cases[] = {
      {"maxprivate", 'x', {"log: Number 0-9 and backspace only", "beep"}},
      {"address5", '-', {"log: Number 0-9 and backspace only", "beep"}},
      {"f_ref", '.', {"log: Number 0-9 and backspace only", "beep"}},
      {"tonepatternA", 'a', {"log: Number 0-9,A-F and backspace only", "beep"}},
      {"tonepatternUcall2", 'G', {"log: Number 0-9,A-F and backspace only", "beep"}},
      {"zoom", '1', {}},
      {"addr3formatC", 'N', {}},
      {"pll", '0', {}},
  };
  for (const auto& c : cases) {
    const std::string before =
        form.at(c.field).kind == ControlKind::Text ? text(c.field) : std::to_string(index(c.field));
    key(c.field, c.key);
    EXPECT_EQ(events(), c.refused) << c.field;
    const std::string after =
        form.at(c.field).kind == ControlKind::Text ? text(c.field) : std::to_string(index(c.field));
    EXPECT_EQ(after, before) << c.field;
  }
  set("tonepatternB", "");
  type("tonepatternB", "09AF");
  EXPECT_EQ(text("tonepatternB"), "09AF");
}

TEST(KeyFilters, BoundToExactlyTheListedFields) {
  testing::RecordingFeedback feedback;
  WindowProgram state(feedback);
  int digits = 0, hex = 0, silent = 0, beepOnly = 0;
  for (const Control* c : state.form.controls()) {
    if (!c->onKeyPress) continue;
    char probe = 'Z';
    feedback.events.clear();
    c->onKeyPress(probe);
    if (probe != 0) continue;
    if (feedback.events.empty()) {
      ++silent;
    } else if (feedback.events == testing::Lines{"beep"}) {
      ++beepOnly;
    } else if (feedback.events[0] == "log: Number 0-9 and backspace only") {
      ++digits;
    } else if (feedback.events[0] == "log: Number 0-9,A-F and backspace only") {
      ++hex;
    }
  }
  EXPECT_EQ(digits, 17);
  EXPECT_EQ(hex, 8);
  EXPECT_EQ(silent, 63);
  // The auto-increment lists, the folder lengths and the frequency refuse with a beep only.
  EXPECT_EQ(beepOnly, 8 + 24 + 1);
}

}  // namespace
}  // namespace capcode
