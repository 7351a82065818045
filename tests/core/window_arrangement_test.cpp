// The window's arrangement table against the window model: every control of a page placed
// exactly once, every group and label it names a real one of the right kind and page.

#include "core/window_arrangement.hpp"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "core/program_state.hpp"

namespace capcode {
namespace {

std::string pageOf(const FormModel& form, const Control& control) {
  std::string parent = control.parent;
  while (!parent.empty()) {
    const Control& holder = form.at(parent);
    if (holder.kind == ControlKind::Page) return holder.name;
    parent = holder.parent;
  }
  return {};
}

class Arrangement : public ::testing::Test {
 protected:
  Arrangement() { buildDesignControls(form); }
  FormModel form;
};

TEST_F(Arrangement, EveryControlOfAPageIsPlacedOnceOnItsPage) {
  std::map<std::string, std::string> sectionPage;
  for (const WindowSection& s : windowSections())
    sectionPage[s.name] = s.page;
  std::set<std::string> placed;
  for (const WindowPlace& p : windowPlaces()) {
    ASSERT_TRUE(sectionPage.count(p.section)) << p.section;
    if (p.control.empty()) {
      EXPECT_FALSE(p.label.empty()) << "a fixed text shows something";
      continue;
    }
    EXPECT_TRUE(placed.insert(p.control).second) << p.control << " placed twice";
    const Control* control = form.find(p.control);
    ASSERT_NE(control, nullptr) << p.control;
    EXPECT_EQ(pageOf(form, *control), sectionPage[p.section]) << p.control;
  }
  for (const Control* c : form.controls()) {
    if (c->kind == ControlKind::Group || c->kind == ControlKind::Label || pageOf(form, *c).empty())
      continue;
    EXPECT_TRUE(placed.count(c->name)) << c->name << " has no place in the window";
  }
}

TEST_F(Arrangement, GroupsAndLabelControlsAreTheWindowsOwn) {
  for (const WindowSection& s : windowSections()) {
    if (!s.isGroup()) continue;
    const Control* group = form.find(s.name);
    ASSERT_NE(group, nullptr) << s.name;
    EXPECT_EQ(group->kind, ControlKind::Group) << s.name;
    EXPECT_EQ(pageOf(form, *group), s.page) << s.name;
  }
  std::set<std::string> labels;
  for (const WindowPlace& p : windowPlaces()) {
    if (p.labelControl.empty()) continue;
    const Control* label = form.find(p.labelControl);
    ASSERT_NE(label, nullptr) << p.labelControl;
    EXPECT_EQ(label->kind, ControlKind::Label);
    EXPECT_EQ(label->caption, p.label) << "the design caption is the label's text";
    labels.insert(p.labelControl);
  }
  for (const Control* c : form.controls()) {
    if (c->kind == ControlKind::Label) {
      EXPECT_TRUE(labels.count(c->name)) << c->name;
    }
  }
}

TEST_F(Arrangement, LabelsUnitsAndHintsAsTheWindowShowsThem) {
  const struct {
    const char* control;
    const char* label;
    const char* unit;
    const char* hint;
  } cases[] = {
      {"address1", "PN", "",
       "Address1 &2 should be the same frame, addres 3,4 ,5 & 6 should be the same frame"},
      {"autoinc8", "Auto inc", "", ""},
      {"urgent8D", "Uch", "", "Urgent call channel enable"},
      {"alerttime", "Alert time", "Sec", "0-255"},
      {"zoom", "Zoom", "", ""},
      {"rangetime", " Rang hold time", "", ""},
      {"frequency", "Channel freq", "MHz", ""},
      {"autooffstop", "Auto ON/OFF", "hr", "Off time"},
      {"BS2", "BS1", "", ""},
      {"Vref", "Vref", "V", ""},
      {"TrackBar1", "Bus Free", "", ""},
      {"cannedmsgD", "D", "", ""},
  };
  for (const auto& c : cases) {
    const WindowPlace* place = placeOf(c.control);
    ASSERT_NE(place, nullptr) << c.control;
    EXPECT_EQ(labelOf(form, c.control), c.label) << c.control;
    EXPECT_EQ(place->unit, c.unit) << c.control;
    EXPECT_EQ(form.at(c.control).hint, c.hint) << c.control;
  }
  EXPECT_EQ(form.at("L_msgfolder").hint, "Total 100 message can be received");
  // Folders: four columns of six, filled column by column.
  EXPECT_EQ(placeOf("pubboxN")->row, 5);
  EXPECT_EQ(placeOf("pubboxN")->column, 3);
  EXPECT_EQ(placeOf("pubboxlength6")->column, 1);
  EXPECT_EQ(placeOf("pubboxlength6")->row, 0);
  EXPECT_EQ(placeOf("menu"), nullptr);
}

}  // namespace
}  // namespace capcode
