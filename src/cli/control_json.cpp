#include "cli/control_json.hpp"

#include "core/json.hpp"
#include "core/window_arrangement.hpp"

namespace capcode {

namespace {

std::string jsonBool(bool b) {
  return b ? "true" : "false";
}

}  // namespace

std::string controlJson(const FormModel& form, const Control& c) {
  std::string out = "{\"name\":" + jsonString(c.name);
  switch (c.kind) {
    case ControlKind::Text:
      out += ",\"text\":" + jsonString(c.text);
      break;
    case ControlKind::Choice: {
      out += ",\"index\":" + std::to_string(c.index);
      out += ",\"item\":" + (c.index < 0 || c.index >= static_cast<int>(c.items.size())
                                 ? std::string("null")
                                 : jsonString(c.selectedItem()));
      out += ",\"items\":[";
      for (std::size_t i = 0; i < c.items.size(); ++i) {
        if (i != 0) out += ',';
        out += jsonString(c.items[i]);
      }
      out += ']';
      break;
    }
    case ControlKind::Flag:
    case ControlKind::MenuItem:
      out += ",\"checked\":" + jsonBool(c.checked);
      break;
    case ControlKind::Slider:
      out += ",\"position\":" + std::to_string(c.position);
      break;
    default:
      break;
  }
  out += ",\"enabled\":" + jsonBool(c.enabled) + ",\"visible\":" + jsonBool(c.visible);
  if (c.hasCaption) out += ",\"caption\":" + jsonString(c.caption);
  // Where the window shows it: its label, unit and hint, when it has them.
  if (const std::string label = labelOf(form, c.name); !label.empty())
    out += ",\"label\":" + jsonString(label);
  if (const WindowPlace* place = placeOf(c.name); place != nullptr && !place->unit.empty())
    out += ",\"unit\":" + jsonString(place->unit);
  if (!c.hint.empty()) out += ",\"hint\":" + jsonString(c.hint);
  out += '}';
  return out;
}

}  // namespace capcode
