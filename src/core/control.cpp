#include "core/control.hpp"

#include "core/enum_text.hpp"

namespace capcode {

namespace {

constexpr EnumText<ControlKind> kControlKindNames[] = {
    {ControlKind::Text, "text field"},    {ControlKind::Choice, "list"},
    {ControlKind::Flag, "check box"},     {ControlKind::Slider, "slider"},
    {ControlKind::MenuItem, "menu item"}, {ControlKind::Label, "label"},
    {ControlKind::Group, "group"},        {ControlKind::Page, "page"},
    {ControlKind::Window, "window"},
};
static_assert(namesEachValueOnce(kControlKindNames, ControlKind::Window));

}  // namespace

const char* controlKindName(ControlKind kind) {
  return enumText(kControlKindNames, kind, "control");
}

std::string Control::selectedItem() const {
  if (index < 0 || index >= static_cast<int>(items.size())) return {};
  return items[static_cast<std::size_t>(index)];
}

}  // namespace capcode
