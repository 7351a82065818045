#include "configuration/set_edits.hpp"

#include <string_view>
#include <tuple>

#include "configuration/control_bytes.hpp"
#include "configuration/latin1_text.hpp"
#include "core/conversions.hpp"
#include "core/json.hpp"
#include "core/program_state.hpp"

namespace capcode {

namespace {

// A plain decimal number: digits with at most one decimal mark.
bool isPlainNumber(const std::string& text, char mark) {
  if (text.empty()) return false;
  int marks = 0;
  for (char ch : text) {
    if (ch == mark) {
      ++marks;
    } else if (ch < '0' || ch > '9') {
      return false;
    }
  }
  return marks <= 1 && text != std::string(1, mark);
}

bool sameNumber(const std::string& a, const std::string& b, char mark) {
  if (!isPlainNumber(a, mark) || !isPlainNumber(b, mark)) return false;
  try {
    return textToScaled(a, mark, 9) == textToScaled(b, mark, 9);
  } catch (const ConversionError&) {
    return false;
  }
}

// A whole number of at most five digits, with a leading minus when `negative` is allowed.
std::optional<int> smallNumber(std::string_view text, bool negative) {
  if (negative && !text.empty() && text.front() == '-') {
    const auto magnitude = smallNumber(text.substr(1), false);
    return magnitude ? std::optional<int>(-*magnitude) : std::nullopt;
  }
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != text.npos)
    return std::nullopt;
  return std::stoi(std::string(text));
}

// The item `value` names in list `c`: an item's own text first (so "4" is r_count's item "4",
// as it always was), then "#N", the item at index N whatever the texts say (the "value" that
// show --json prints; "#-1" for no item), then a plain number that is no item's text, read as
// an index too ("-1" for no item). Nothing when it names none.
std::optional<int> itemIndex(const Control& c, const std::string& value) {
  for (std::size_t i = 0; i < c.items.size(); ++i) {
    if (c.items[i] == value) return static_cast<int>(i);
  }
  const bool marked = !value.empty() && value.front() == '#';
  const auto index = smallNumber(std::string_view(value).substr(marked ? 1 : 0), true);
  if (!index || *index < -1 || *index >= static_cast<int>(c.items.size())) return std::nullopt;
  return index;
}

}  // namespace

std::optional<Edit> parseEdit(const std::string& assignment, std::string& error, bool& usage) {
  const std::size_t equals = assignment.find('=');
  if (equals == std::string::npos || equals == 0) {
    error = assignment + ": give NAME=VALUE";
    usage = true;
    return std::nullopt;
  }
  Edit edit;
  edit.name = assignment.substr(0, equals);
  edit.given = assignment.substr(equals + 1);
  std::string why;
  const auto bytes = valueAsBytes(edit.given, why);
  if (!bytes) {
    error = edit.name + ": the value " + why;
    usage = false;
    return std::nullopt;
  }
  edit.bytes = *bytes;
  return edit;
}

std::string checkEdit(ProgramState& state, Edit& edit, bool& usage) {
  FormModel& form = state.form;
  const Control* control = form.find(edit.name);
  usage = control == nullptr;
  if (control == nullptr) return "no control named " + edit.name;
  const std::string& name = edit.name;
  switch (control->kind) {
    case ControlKind::Text:
      edit.asked.text = edit.bytes;
      break;
    case ControlKind::Choice: {
      const auto index = itemIndex(*control, edit.bytes);
      if (!index) return name + " has no item " + edit.given;
      edit.asked.index = *index;
      break;
    }
    case ControlKind::Flag:
      if (edit.bytes != "on" && edit.bytes != "off")
        return name + " is a check box: give on or off";
      edit.asked.checked = edit.bytes == "on";
      break;
    case ControlKind::Slider: {
      const auto position = parseWholeNumber(edit.bytes);
      if (!position || *position < control->minimum || *position > control->maximum)
        return name + " is a slider from " + std::to_string(control->minimum) + " to " +
               std::to_string(control->maximum);
      edit.asked.position = static_cast<int>(*position);
      break;
    }
    default:
      return name + " is not a setting";
  }
  // Asking for the value a control already holds changes nothing, wherever it stands: what
  // show prints is taken back as it is.
  edit.unchanged = sameValue(*control, valueOf(*control), edit.asked, state.DecimalMark);
  if (edit.unchanged) return {};
  // A list that holds an item keeps one in the window: a person can pick another, not none.
  if (control->kind == ControlKind::Choice && edit.asked.index < 0)
    return name + " holds an item: the window cannot leave it without one";
  // Typing would drop the characters past the limit and store another value.
  if (control->kind == ControlKind::Text && control->maxLength != 0 &&
      edit.bytes.size() > control->maxLength) {
    return name + " takes at most " + std::to_string(control->maxLength) + " characters, not " +
           std::to_string(edit.bytes.size()) + ": " + readableText(edit.bytes);
  }
  if (!control->visible || !form.reachable(name)) {
    return name + " is " + std::string(control->enabled ? "hidden" : "disabled") + " in the window";
  }
  if (control->readOnly) return name + " is read-only in the window";
  if (!bytesOfControl(state, name).stored) {
    edit.windowOnly = true;
    return name + " is not stored in the image: a saved file cannot keep it";
  }
  return {};
}

bool makeEdit(ProgramState& state, const Edit& edit) {
  FormModel& form = state.form;
  const std::string& name = edit.name;
  switch (form.at(name).kind) {
    case ControlKind::Text:
      // Cleared and typed: every key through the key filter, the typing limit and the rules.
      return state.event([&] {
        const std::string& value = edit.bytes;
        form.userKey(name, '\b', FormModel::Caret{0, form.text(name).size()});
        for (std::size_t k = 0; k < value.size(); ++k) {
          // A field that put this character in by itself (the frequency's decimal mark after
          // the third digit) needs no key for it, as the person would not press one.
          const std::string& now = form.text(name);
          if (now.size() > k && now.compare(0, k + 1, value, 0, k + 1) == 0) continue;
          form.userKey(name, value[k]);
        }
        form.leave(name);
      });
    case ControlKind::Choice:
      return state.event([&] {
        form.userPick(name, edit.asked.index);
        form.leave(name);
      });
    case ControlKind::Flag:
      return form.checked(name) == edit.asked.checked || state.event([&] { form.userClick(name); });
    case ControlKind::Slider:
      return state.event([&] { form.setPosition(name, edit.asked.position); });
    default:
      return true;
  }
}

ControlValue valueOf(const Control& c) {
  return {c.text, c.index, c.checked, c.position};
}

bool sameValue(const Control& c, const ControlValue& a, const ControlValue& b, char mark) {
  switch (c.kind) {
    case ControlKind::Text: {
      if (a.text == b.text || sameNumber(a.text, b.text, mark)) return true;
      // Padded with blanks by the window (the hello lines): the same text on the pager.
      const auto& [shorter, longer] =
          a.text.size() < b.text.size() ? std::tie(a.text, b.text) : std::tie(b.text, a.text);
      return longer.compare(0, shorter.size(), shorter) == 0 &&
             longer.find_first_not_of(' ', shorter.size()) == std::string::npos;
    }
    case ControlKind::Choice:
      return a.index == b.index;
    case ControlKind::Flag:
      return a.checked == b.checked;
    case ControlKind::Slider:
      return a.position == b.position;
    default:
      return true;
  }
}

std::string shownValue(const Control& c, const ControlValue& v) {
  switch (c.kind) {
    case ControlKind::Text:
      return jsonString(v.text);
    case ControlKind::Choice:
      return v.index >= 0 && v.index < static_cast<int>(c.items.size())
                 ? latin1ToUtf8(c.items[static_cast<std::size_t>(v.index)])
                 : "(none)";
    case ControlKind::Flag:
      return v.checked ? "on" : "off";
    case ControlKind::Slider:
      return std::to_string(v.position);
    default:
      return {};
  }
}

}  // namespace capcode
