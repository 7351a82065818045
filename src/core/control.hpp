#pragma once
// One control of the programmer's window, as the headless model keeps it: its value, its item
// list, its typing limit and its enabled and visible flags. The Qt window draws these; the
// rules and the codec change them.

#include <functional>
#include <string>
#include <vector>

namespace capcode {

enum class ControlKind {
  Text,      // a one-line text field; value in `text`
  Choice,    // a drop-down list; value in `index` (-1 = nothing selected)
  Flag,      // a check box; value in `checked`
  Slider,    // a track bar; value in `position`
  MenuItem,  // a menu entry; `checked` is its tick mark
  Label,     // a static label; `caption`
  Group,     // a captioned frame around controls; `caption`
  Page,      // a tab of the page area; `caption`, `visible` is the tab's
  Window,    // the main window itself; `caption` is its title
};

const char* controlKindName(ControlKind kind);

// A rule attached to a control event. Rules take no arguments: they read and change the model.
using Rule = std::function<void()>;
// A keyboard filter sees the typed character and sets it to 0 to discard it.
// Backspace arrives as '\b'.
using KeyFilter = std::function<void(char& key)>;

struct Control {
  std::string name;
  ControlKind kind = ControlKind::Text;
  std::string parent;  // name of the page or group that holds it; empty for top level

  // Values. Texts are bytes, exactly as the image stores them (the pager's 8-bit set).
  std::string text;
  std::size_t maxLength = 0;  // typing limit in characters; 0 = none
  bool readOnly = false;      // shown but not typed into (frame digits)
  std::vector<std::string> items;
  int index = -1;
  bool checked = false;
  int position = 0;
  int minimum = 0;
  int maximum = 100;

  bool enabled = true;
  bool visible = true;
  bool hasCaption = false;
  std::string caption;
  std::string hint;

  // Events. Empty until a rule is attached by name.
  Rule onChange;  // text edited or set, list item picked by the person
  Rule onClick;   // check box toggled (by the person or by code), menu item activated
  Rule onExit;    // focus left the field
  KeyFilter onKeyPress;

  bool isTextual() const { return kind == ControlKind::Text; }
  // The selected item's text, or empty when nothing is selected.
  std::string selectedItem() const;
};

}  // namespace capcode
