#pragma once
// The edits of `capcode set`: NAME=VALUE read into the value a control of that kind holds,
// checked against what the window lets a person do, made as the person makes it, and the
// control's value compared afterwards (in the window, and read back from the saved bytes).

#include <optional>
#include <string>
#include <vector>

namespace capcode {

class ProgramState;
struct Control;

// One control's value, whatever its kind.
struct ControlValue {
  std::string text;  // texts: the pager's bytes
  int index = -1;    // lists
  bool checked = false;
  int position = 0;  // sliders
};

struct Edit {
  std::string name;
  std::string given;  // VALUE as given (UTF-8), for messages
  std::string bytes;  // VALUE as the pager's bytes
  ControlValue asked;
  bool unchanged = false;  // the control already holds the value: nothing to do
  // Refused only because the image does not keep the control: a switch of the window alone,
  // such as contrast_enable, which a person ticks to reach the field it guards.
  bool windowOnly = false;
};

// NAME=VALUE split and VALUE read as UTF-8 (or its quoted form); nothing, with `error`, when it
// is not an assignment (a usage error: `usage` set) or the value has no bytes.
std::optional<Edit> parseEdit(const std::string& assignment, std::string& error, bool& usage);

// Whether the window lets a person give `edit` at all, as the control stands now: an error text
// when not (an unknown control sets `usage`; a control the image does not keep sets
// edit.windowOnly). A list takes an item's text, "#N" for the item at index N ("#-1": none) or
// a number that is no item's text as an index. Fills edit.asked, and edit.unchanged when the
// control holds that value already (accepted whatever the control is).
std::string checkEdit(ProgramState& state, Edit& edit, bool& usage);

// Makes the edit as a person would: a text cleared and typed key by key and left, a list item
// picked and left, a check box clicked when it must change, a slider moved. False when an error
// ended it (the window's general error notice); what the rules refused, they record.
bool makeEdit(ProgramState& state, const Edit& edit);

ControlValue valueOf(const Control& control);
// The same value to a person: equal, or the same number ("05" and "5", "163" and
// "163.00000"), or the same text followed by blanks the window pads it with.
bool sameValue(const Control& control, const ControlValue& a, const ControlValue& b,
               char decimalMark);
// How a person reads the value (UTF-8, a text quoted when it needs it).
std::string shownValue(const Control& control, const ControlValue& value);

}  // namespace capcode
