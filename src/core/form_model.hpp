#pragma once
// The headless main window: every control by its exact name, the rule cascade between them and
// the named handlers that menu commands, the codec and the automation call.
//
// Cascade, as the window's toolkit behaves:
//  - assigning a text or a check-box state that differs from the current one runs the field's
//    change or click rule; selecting a list item from code runs no rule;
//  - "cleared then inserted" empties the field (its change rule sees the empty text) and then
//    inserts the new text cut to the typing limit (the change rule runs again);
//  - a person's keystroke passes the key filter, then the typing limit, then the change rule;
//    a person's pick runs the list's change rule; leaving a field runs its exit rule.
// Errors raised by rules (ProgramError) propagate to the caller, which is how one failing
// conversion ends every handler that called it.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/control.hpp"

namespace capcode {

enum class ControlEvent { Change, Click, Exit, KeyPress };

// Address rows are numbered 1..8, folders 0..23 (suffixes 0-9 then A-N).
inline constexpr int kAddressRows = 8;
inline constexpr int kFolders = 24;
inline constexpr int kFunctionTones = 4;  // tones A..D
char folderSuffix(int folder);
char toneLetter(int tone);
// "address" + 3 -> "address3"; "addr" + 3 + "formatA" -> "addr3formatA".
std::string rowControlName(std::string_view prefix, int row, std::string_view suffix = {});
// "pubboxlength" + 10 -> "pubboxlengthA".
std::string folderControlName(std::string_view prefix, int folder);

class FormModel {
 public:
  FormModel() = default;
  FormModel(const FormModel&) = delete;
  FormModel& operator=(const FormModel&) = delete;

  // --- structure ---
  Control& add(Control control);
  bool has(std::string_view name) const;
  Control* find(std::string_view name);
  const Control* find(std::string_view name) const;
  // Throws std::out_of_range naming the control when it does not exist.
  Control& at(std::string_view name);
  const Control& at(std::string_view name) const;
  Control& row(std::string_view prefix, int row, std::string_view suffix = {});
  Control& folder(std::string_view prefix, int folder);
  // Controls in the order they were added (the design order).
  const std::vector<Control*>& controls() const { return order_; }
  // A control takes effect for a person only while it and every page or group holding it are
  // enabled and visible. A menu item answers while it is enabled, shown or not (its shortcut).
  bool reachable(std::string_view name) const;

  // --- values ---
  const std::string& text(std::string_view name) const { return at(name).text; }
  int index(std::string_view name) const { return at(name).index; }
  bool checked(std::string_view name) const { return at(name).checked; }

  // --- assignment from code ---
  void setText(std::string_view name, std::string value);
  void clearThenInsert(std::string_view name, std::string_view value);
  void setChecked(std::string_view name, bool on);
  // Selects an item without running a rule; an index outside the list selects nothing (-1).
  void setIndex(std::string_view name, int index);
  void setItems(std::string_view name, std::vector<std::string> items);
  // List edits as the toolkit makes them: deleting the selected item clears the selection, a
  // selection after the edit point moves with its item; an index outside the list does nothing.
  void deleteItem(std::string_view name, int index);
  void insertItem(std::string_view name, int index, std::string item);
  // Moves a slider within its range; a moved slider reports its change like a dragged one.
  void setPosition(std::string_view name, int position);
  void setEnabled(std::string_view name, bool on) { at(name).enabled = on; }
  void setVisible(std::string_view name, bool on) { at(name).visible = on; }
  void setCaption(std::string_view name, std::string caption);

  // --- what a person does ---
  // Where the caret stands in a text field: before character `position`, with `selected`
  // characters selected after it.
  struct Caret {
    std::size_t position = 0;
    std::size_t selected = 0;
  };
  // One keystroke: the key filter, the typing limit, then the change rule. Typed at the caret
  // (replacing a selection), or at the end of the text when no caret is given. Returns where
  // the caret stands afterwards.
  std::size_t userKey(std::string_view name, char key, std::optional<Caret> caret = std::nullopt);
  void userType(std::string_view name, std::string_view text);
  void userPick(std::string_view name, int index);
  void userClick(std::string_view name);
  void leave(std::string_view name);

  // --- rules and handlers ---
  // Attaches `rule` to a control event and registers it under `handlerName` so that it can also
  // be run by name (run address1Exit). Replaces any rule attached before.
  void attach(ControlEvent event, std::string_view control, std::string handlerName, Rule rule);
  // The same, under the handler name the window gives it: control + "Change", "Click", "Exit".
  void attach(ControlEvent event, std::string_view control, Rule rule);
  void attachKeyFilter(std::string_view control, KeyFilter filter);
  // Registers a handler that is not bound to a control event (decodeImage, advanceAddresses).
  void defineHandler(std::string name, Rule rule);
  bool hasHandler(std::string_view name) const;
  // The rule registered under `name` (empty when none), so that a layer above can wrap it.
  Rule handler(std::string_view name) const;
  // Runs a handler by name; a handler that does not exist yet does nothing and returns false.
  bool runHandler(std::string_view name);
  std::vector<std::string> handlerNames() const;

 private:
  static void run(const Rule& rule) {
    if (rule) rule();
  }

  std::map<std::string, std::unique_ptr<Control>, std::less<>> controls_;
  std::vector<Control*> order_;
  std::map<std::string, Rule, std::less<>> handlers_;
};

}  // namespace capcode
