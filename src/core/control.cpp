#include "core/control.hpp"

namespace capcode {

const char* controlKindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::Text:
      return "text field";
    case ControlKind::Choice:
      return "list";
    case ControlKind::Flag:
      return "check box";
    case ControlKind::Slider:
      return "slider";
    case ControlKind::MenuItem:
      return "menu item";
    case ControlKind::Label:
      return "label";
    case ControlKind::Group:
      return "group";
    case ControlKind::Page:
      return "page";
    case ControlKind::Window:
      return "window";
  }
  return "control";
}

std::string Control::selectedItem() const {
  if (index < 0 || index >= static_cast<int>(items.size())) return {};
  return items[static_cast<std::size_t>(index)];
}

}  // namespace capcode
