#pragma once
// Where every control of the window sits and what stands beside it, as data: the pages, the
// groups and blocks of a page, and per control its row and column, label, unit and hint. The
// Qt window is built by walking this table, the automation reports labels and hints from it,
// and a configuration is printed in its order. Listed in the order of the window's design:
// page by page, group by group, row by row.

#include <string>
#include <vector>

namespace capcode {

class FormModel;

enum class SectionStyle {
  Form,   // rows of: the first control's label, then the row's controls left to right, units
  Table,  // a header row with each column's label, then one row per member
  Cells,  // cells at (row, column), each holding its controls side by side
};

// A captioned group of the window, or an uncaptioned block of a page ("feature.left").
struct WindowSection {
  std::string name;  // the group control, or a block name that is no control
  std::string page;  // the page control holding it
  int band = 0;      // bands stack top to bottom on the page
  int column = 0;    // columns of a band, left to right; sections of one column stack
  SectionStyle style = SectionStyle::Form;
  std::string hint;  // the group's hint
  bool isGroup() const { return name.find('.') == std::string::npos; }
};

struct WindowPlace {
  std::string control;  // the control; empty for a fixed text of the design ("+")
  std::string section;  // the section holding it
  int row = 0;          // rows and columns within the section
  int column = 0;
  std::string label;         // its label: beside it in a form, its column header in a table
  std::string labelControl;  // the window's own label control showing the label, if any
  std::string before;        // a text between it and the control before it in its row (":")
  std::string unit;          // after the row's controls ("Sec")
  std::string hint;          // shown when the pointer rests on it
  bool hintOnLabel = false;  // its label shows the hint too
  int width = 0;             // characters of room a text field needs; 0 for the toolkit's own
};

const std::vector<WindowSection>& windowSections();
const std::vector<WindowPlace>& windowPlaces();

// The place of a control; nullptr for controls the table does not place (menus, pages).
const WindowPlace* placeOf(const std::string& control);

// The label a control shows now: its label control's caption, or the fixed text; empty if none.
std::string labelOf(const FormModel& form, const std::string& control);

// Gives every placed control and group its hint.
void applyHints(FormModel& form);

}  // namespace capcode
